#include "actions/all_users_step.h"

#include "actions/journal.h"
#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "shell/shell_services.h"
#include "texts/texts.h"

#include <algorithm>
#include <map>
#include <set>

namespace {

// A request larger than this is not read: a Start menu folder holds far fewer names.
constexpr size_t RequestLimit = size_t(1) << 20;
// A refused line is named by no more than this many characters.
constexpr size_t RefusedNameLimit = 80;

constexpr const char* DistributeCommand = "distribute";
constexpr const char* UndoCommand = "undo";
// The distribution's options, after the journal's name.
constexpr const char* SetAsideEverywhereFlag = "missing";
constexpr const char* SetAsideOwnMovesFlag = "missing-own";
constexpr const char* LeaveOutLinksFlag = "links";

// --- The lines handed over -----------------------------------------------------------------

// Texts may hold line breaks and tabs (a message does); they travel escaped.
std::string Escaped(const std::string& text) {
    std::string out;
    for (char ch : text) {
        if (ch == '\\')
            out += "\\\\";
        else if (ch == '\n')
            out += "\\n";
        else if (ch == '\t')
            out += "\\t";
        else
            out += ch;
    }
    return out;
}

std::string Unescaped(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        out += next == 'n' ? '\n' : next == 't' ? '\t' : next;
    }
    return out;
}

std::optional<size_t> ParseCount(const std::string& text) {
    if (text.empty() || text.size() > 9 ||
        !std::all_of(text.begin(), text.end(), [](char ch) { return ch >= '0' && ch <= '9'; }))
        return std::nullopt;
    return static_cast<size_t>(std::stoul(text));
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines = Split(text, '\n');
    for (std::string& line : lines) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
    }
    return lines;
}

// --- The step -------------------------------------------------------------------------------

// The folders the all-users step works in, from the machine's settings.
struct TAllUsersPlace {
    std::string Programs;
    std::string Journals;
};

std::optional<TAllUsersPlace> LocateAllUsers(ShellServices& shell) {
    const std::optional<std::string> programs = shell.MachineFolder(TMachineFolder::CommonPrograms);
    const std::optional<std::string> journals = JournalFolder(shell, TJournalKind::AllUsers);
    if (!programs || programs->empty() || !journals)
        return std::nullopt;
    return TAllUsersPlace{*programs, *journals};
}

// The journal folder, made where missing, must be one only administrators may change; anything
// else is said and refused.
bool JournalFolderReady(ShellServices& shell, const std::string& folder) {
    unsigned code = 0;
    switch (shell.PrepareAdminFolder(folder, code)) {
    case TAdminFolder::Ready:
        return true;
    case TAdminFolder::Failed:
        shell.ShowMessage(Text(TText::JournalNotStarted, {std::to_string(code)}));
        return false;
    default:
        shell.ShowMessage(Text(TText::AdminFolderUnsafe, {folder}));
        return false;
    }
}

// The names the scan would list at the top of the all-users folder, by their folded spelling.
std::map<std::string, std::string> ListedAllUsersNames(ShellServices& shell,
                                                       const std::string& programs) {
    std::set<std::string> shellFolders;
    for (TMachineFolder own : {TMachineFolder::CommonStartup, TMachineFolder::CommonAdminTools}) {
        if (const std::optional<std::string> folder = shell.MachineFolder(own))
            shellFolders.insert(shell.ComparablePath(*folder));
    }
    std::map<std::string, std::string> names;
    for (std::string& name : ListedNames(shell, programs, shellFolders))
        names.emplace(shell.FoldedName(name), std::move(name));
    return names;
}

void Distribute(ShellServices& shell, const TAllUsersPlace& place, const TAllUsersWork& work,
                TAllUsersOutcome& outcome) {
    // What to set aside is judged here, in folders only administrators may change.
    const TSetAsidePlan plan = PlanSetAside(shell, place.Programs, place.Journals, work.Options);
    TDistribution& result = outcome.Distribution;
    const std::map<std::string, std::string> listed = ListedAllUsersNames(shell, place.Programs);
    std::vector<TFolderEntry> entries;
    for (const auto& [name, category] : work.Entries) {
        const auto found = IsPlainName(name) ? listed.find(shell.FoldedName(name)) : listed.end();
        if (found == listed.end() || category < 0 || category >= CategoryCount) {
            result.Stayed.push_back(
                Text(TText::StepEntryRefused, {Utf8Prefix(name, RefusedNameLimit)}));
            continue;
        }
        // Named in the report by its file name: a name from desktop.ini would be looked up in a
        // module the environment names, which the user may set.
        entries.push_back({found->second, category, DisplayName(found->second)});
    }
    if (entries.empty() && plan.Empty())
        return;
    if (!JournalFolderReady(shell, place.Journals)) {
        result.NotStarted = true;
        return;
    }
    std::optional<TJournalWriter> journal =
        TJournalWriter::Start(shell, place.Journals, work.Journal);
    if (!journal) {
        result.NotStarted = true;
        return;
    }
    std::vector<bool> moved;
    std::vector<std::string> setAside;
    try {
        DistributeFolder(shell, place.Programs, entries, plan, work.Options, *journal, result,
                         moved, setAside);
    } catch (const EInOutError& e) {
        outcome.IoError = static_cast<unsigned>(e.Code());
    }
    for (size_t i = 0; i < moved.size(); ++i) {
        if (moved[i])
            outcome.Moved.push_back(entries[i].Name);
    }
    outcome.Moved.insert(outcome.Moved.end(), setAside.begin(), setAside.end());
}

// --- Handing the work over ------------------------------------------------------------------

// The work as the step reads it; lines it cannot read are refused and named.
TAllUsersWork ParseWork(const std::string& text, std::vector<std::string>& refused) {
    TAllUsersWork work;
    std::vector<std::string> lines = Lines(text.size() > RequestLimit ? std::string() : text);
    const std::vector<std::string> head = Split(lines.front(), '\t');
    work.Undo = head[0] == UndoCommand;
    if (head.size() >= 2 && IsJournalName(head[1]))
        work.Journal = head[1];
    for (size_t i = 2; i < head.size(); ++i) {
        if (head[i] == SetAsideEverywhereFlag)
            work.Options.SetAside = TDistributionOptions::TSetAside::Everywhere;
        else if (head[i] == SetAsideOwnMovesFlag)
            work.Options.SetAside = TDistributionOptions::TSetAside::OwnMoves;
        else if (head[i] == LeaveOutLinksFlag)
            work.Options.LeaveOutGroupLinks = true;
    }
    if (!work.Undo && head[0] != DistributeCommand)
        return work; // neither: nothing to do
    for (size_t i = 1; i < lines.size() && !work.Undo; ++i) {
        if (lines[i].empty())
            continue;
        const std::vector<std::string> f = Split(lines[i], '\t');
        const std::optional<size_t> category = f.size() == 2 ? ParseCount(f[0]) : std::nullopt;
        if (category && *category < CategoryCount)
            work.Entries.emplace_back(f[1], static_cast<int32_t>(*category));
        else
            refused.push_back(
                Text(TText::StepEntryRefused,
                     {Utf8Prefix(f.size() == 2 ? f[1] : lines[i], RefusedNameLimit)}));
    }
    return work;
}

// The all-users folder keeps its entries, and `message` says why.
void Refuse(ShellServices& shell, const TAllUsersWork& work, TAllUsersOutcome& outcome,
            const std::string& message) {
    const std::string folder = CommonProgramsDir.value_or(std::string());
    shell.ShowMessage(message);
    if (work.Undo)
        outcome.Undo.Refused.push_back(folder);
    else
        outcome.Distribution.Refused.push_back(folder);
}

} // namespace

std::string FormatWork(const TAllUsersWork& work) {
    std::string text =
        std::string(work.Undo ? UndoCommand : DistributeCommand) + "\t" + work.Journal;
    if (work.Options.SetAside == TDistributionOptions::TSetAside::Everywhere)
        text += std::string("\t") + SetAsideEverywhereFlag;
    else if (work.Options.SetAside == TDistributionOptions::TSetAside::OwnMoves)
        text += std::string("\t") + SetAsideOwnMovesFlag;
    if (work.Options.LeaveOutGroupLinks)
        text += std::string("\t") + LeaveOutLinksFlag;
    text += "\n";
    for (const auto& [name, category] : work.Entries)
        text += std::to_string(category) + "\t" + name + "\n";
    return text;
}

std::string FormatOutcome(const TAllUsersOutcome& outcome) {
    std::string text;
    const auto line = [&text](const char* tag, const std::string& value) {
        text += std::string(tag) + "\t" + Escaped(value) + "\n";
    };
    const TDistribution& d = outcome.Distribution;
    if (d.NotStarted)
        line("notstarted", "");
    if (d.Stopped)
        line("stopped", "");
    line("failed", std::to_string(d.Failed));
    line("setaside", std::to_string(d.SetAside));
    for (const std::string& folder : d.Refused)
        line("refused", folder);
    for (const std::string& stayed : d.Stayed)
        line("stayed", stayed);
    for (const std::string& name : outcome.Moved)
        line("moved", name);
    if (outcome.IoError)
        line("ioerror", std::to_string(outcome.IoError));
    const TUndoResult& u = outcome.Undo;
    if (u.Found)
        line("found", "");
    line("tried", std::to_string(u.Tried));
    line("movedback", std::to_string(u.MovedBack));
    for (const auto& [name, reason] : u.Left)
        line("left", name + "\t" + reason);
    for (const std::string& journal : u.Skipped)
        line("skipped", journal);
    if (u.JournalError)
        line("journalerror", std::to_string(u.JournalError));
    for (const std::string& name : u.Back)
        line("back", name);
    for (const std::string& folder : u.Refused)
        line("undorefused", folder);
    for (const std::string& message : outcome.Messages)
        line("message", message);
    return text + "end\t\n";
}

std::optional<TAllUsersOutcome> ParseOutcome(const std::string& text) {
    TAllUsersOutcome outcome;
    TDistribution& d = outcome.Distribution;
    TUndoResult& u = outcome.Undo;
    bool ended = false;
    for (const std::string& line : Lines(text)) {
        const size_t tab = line.find('\t');
        if (tab == std::string::npos)
            continue;
        const std::string tag = line.substr(0, tab);
        const std::string value = Unescaped(line.substr(tab + 1));
        const std::optional<size_t> count = ParseCount(value);
        if (tag == "notstarted")
            d.NotStarted = true;
        else if (tag == "stopped")
            d.Stopped = true;
        else if (tag == "failed" && count)
            d.Failed = *count;
        else if (tag == "setaside" && count)
            d.SetAside = *count;
        else if (tag == "refused")
            d.Refused.push_back(value);
        else if (tag == "stayed")
            d.Stayed.push_back(value);
        else if (tag == "moved")
            outcome.Moved.push_back(value);
        else if (tag == "ioerror" && count)
            outcome.IoError = static_cast<unsigned>(*count);
        else if (tag == "found")
            u.Found = true;
        else if (tag == "tried" && count)
            u.Tried = *count;
        else if (tag == "movedback" && count)
            u.MovedBack = *count;
        else if (tag == "left" && value.find('\t') != std::string::npos)
            u.Left.emplace_back(value.substr(0, value.find('\t')),
                                value.substr(value.find('\t') + 1));
        else if (tag == "skipped")
            u.Skipped.push_back(value);
        else if (tag == "journalerror" && count)
            u.JournalError = static_cast<unsigned>(*count);
        else if (tag == "back")
            u.Back.push_back(value);
        else if (tag == "undorefused")
            u.Refused.push_back(value);
        else if (tag == "message")
            outcome.Messages.push_back(value);
        else if (tag == "end")
            ended = true;
    }
    // An answer cut short says too little to go on.
    if (!ended)
        return std::nullopt;
    return outcome;
}

TAllUsersOutcome RunAllUsersWork(ShellServices& shell, const TAllUsersWork& work) {
    TAllUsersOutcome outcome;
    const std::optional<TAllUsersPlace> place = LocateAllUsers(shell);
    if (!place) {
        Refuse(shell, work, outcome,
               Text(TText::JournalNotStarted, {std::to_string(ErrorPathNotFound)}));
        return outcome;
    }
    if (work.Undo) {
        if (JournalFolderReady(shell, place->Journals))
            UndoJournalOf(shell, place->Programs, place->Journals, work.Journal, outcome.Undo);
        else
            outcome.Undo.Refused.push_back(place->Programs);
        return outcome;
    }
    Distribute(shell, *place, work, outcome);
    return outcome;
}

TAllUsersOutcome ServeAllUsersStep(ShellServices& shell, const std::string& request) {
    std::vector<std::string> refused;
    const TAllUsersWork work = ParseWork(request, refused);
    TAllUsersOutcome outcome;
    // Without administrator rights the all-users folder cannot be changed anyway.
    if (!shell.IsElevated()) {
        Refuse(shell, work, outcome, Text(TText::StepNotElevated));
        return outcome;
    }
    outcome = RunAllUsersWork(shell, work);
    std::vector<std::string>& stayed = outcome.Distribution.Stayed;
    stayed.insert(stayed.begin(), refused.begin(), refused.end());
    return outcome;
}

TAllUsersOutcome DoAllUsersWork(ShellServices& shell, const TAllUsersWork& work) {
    if (shell.IsElevated())
        return RunAllUsersWork(shell, work);
    TAllUsersOutcome outcome;
    const TElevatedRun run = shell.RunElevatedStep(FormatWork(work));
    const std::string folder = CommonProgramsDir.value_or(std::string());
    if (run.Code == ErrorCancelled) {
        // The user declined: the undo's report names the folder, a distribution says it at once.
        if (work.Undo)
            outcome.Undo.Refused.push_back(folder);
        else
            Refuse(shell, work, outcome, Text(TText::FolderOnlyAdmin, {folder}));
        return outcome;
    }
    const std::optional<TAllUsersOutcome> answer =
        run.Code == 0 ? ParseOutcome(run.Response) : std::nullopt;
    if (!answer) {
        Refuse(
            shell, work, outcome,
            Text(TText::ElevationFailed, {std::to_string(run.Code ? run.Code : ErrorInvalidData)}));
        return outcome;
    }
    for (const std::string& message : answer->Messages)
        shell.ShowMessage(message);
    return *answer;
}
