#include "actions/reapply_task.h"

#include "shell/shell_services.h"
#include "texts/texts.h"

#include <optional>

namespace {

// `text` as XML element content: the five characters XML gives a meaning escaped.
std::string XmlEscaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// A program path as a command: quoted when it holds a space, so that no part of it is taken for
// a program of its own.
std::string Quoted(const std::string& program) {
    return program.find(' ') == std::string::npos ? program : "\"" + program + "\"";
}

std::string Unquoted(const std::string& command) {
    if (command.size() >= 2 && command.front() == '"' && command.back() == '"')
        return command.substr(1, command.size() - 2);
    return command;
}

std::string ThisUsersTaskName(ShellServices& shell) {
    return ReapplyTaskName(shell.UserAccount());
}

} // namespace

std::string ReapplyTaskName(const std::string& account) {
    return Text(TText::ReapplyTaskName, {account.substr(account.find_last_of('\\') + 1)});
}

std::string ReapplyTaskXml(const std::string& program, const std::string& account) {
    const std::string user = XmlEscaped(account);
    // The elements in the order the Task Scheduler itself writes them.
    return "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n"
           "<Task version=\"1.2\" "
           "xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\n"
           "  <RegistrationInfo>\n"
           "    <Description>" +
           XmlEscaped(Text(TText::ReapplyTaskDescription)) +
           "</Description>\n"
           "  </RegistrationInfo>\n"
           "  <Triggers>\n"
           "    <LogonTrigger>\n"
           "      <Enabled>true</Enabled>\n"
           "      <UserId>" +
           user +
           "</UserId>\n"
           "    </LogonTrigger>\n"
           "    <CalendarTrigger>\n"
           "      <StartBoundary>2024-01-01T12:00:00</StartBoundary>\n"
           "      <Enabled>true</Enabled>\n"
           "      <ScheduleByDay>\n"
           "        <DaysInterval>1</DaysInterval>\n"
           "      </ScheduleByDay>\n"
           "    </CalendarTrigger>\n"
           "  </Triggers>\n"
           "  <Principals>\n"
           "    <Principal id=\"Author\">\n"
           "      <UserId>" +
           user +
           "</UserId>\n"
           "      <LogonType>InteractiveToken</LogonType>\n"
           "      <RunLevel>LeastPrivilege</RunLevel>\n"
           "    </Principal>\n"
           "  </Principals>\n"
           "  <Settings>\n"
           "    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\n"
           "    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\n"
           "    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\n"
           "    <StartWhenAvailable>true</StartWhenAvailable>\n"
           "    <Hidden>true</Hidden>\n"
           "    <ExecutionTimeLimit>PT10M</ExecutionTimeLimit>\n"
           "  </Settings>\n"
           "  <Actions Context=\"Author\">\n"
           "    <Exec>\n"
           "      <Command>" +
           XmlEscaped(Quoted(program)) +
           "</Command>\n"
           "      <Arguments>" +
           ReapplyArgument +
           "</Arguments>\n"
           "    </Exec>\n"
           "  </Actions>\n"
           "</Task>\n";
}

bool ReapplyTaskInPlace(ShellServices& shell, const std::string& program) {
    const std::optional<std::string> runs = shell.TaskProgram(ThisUsersTaskName(shell));
    return runs && !runs->empty() &&
           shell.ComparablePath(Unquoted(*runs)) == shell.ComparablePath(program);
}

unsigned RegisterReapplyTask(ShellServices& shell, const std::string& program) {
    const std::string account = shell.UserAccount();
    return shell.RegisterTask(ReapplyTaskName(account), ReapplyTaskXml(program, account));
}

unsigned RemoveReapplyTask(ShellServices& shell) {
    return shell.RemoveTask(ThisUsersTaskName(shell));
}

std::string HexCode(unsigned code) {
    std::string digits;
    for (int shift = 28; shift >= 0; shift -= 4)
        digits += "0123456789ABCDEF"[(code >> shift) & 0xF];
    return "0x" + digits;
}
