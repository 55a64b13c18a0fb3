// The scheduled task through the real Task Scheduler: registered from its definition's XML text,
// found by name, and gone once removed. Wine does not run the scheduler's service by itself, as
// Windows does: it is started here first. Wine keeps no actions of a task, so there the program a
// task runs cannot be read back, only that the task is there.
#include "actions/reapply_task.h"
#include "shell/windows_shell.h"
#include "win32/handles.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

using TServiceHandle = TOwned<TNullInvalid<SC_HANDLE, CloseServiceHandle>>;

// Starts the scheduler's service unless it runs, and waits up to a minute until it does. Another
// test program may start it at the same time: whichever start goes through, both wait for it.
bool SchedulerRuns() {
    const TServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    const TServiceHandle service(
        manager ? OpenServiceW(manager.get(), L"Schedule", SERVICE_START | SERVICE_QUERY_STATUS)
                : nullptr);
    if (!service)
        return false;
    for (int tries = 0; tries < 600; ++tries) {
        SERVICE_STATUS status{};
        if (!QueryServiceStatus(service.get(), &status))
            return false;
        if (status.dwCurrentState == SERVICE_RUNNING)
            return true;
        if (status.dwCurrentState == SERVICE_STOPPED && !StartServiceW(service.get(), 0, nullptr) &&
            GetLastError() != ERROR_SERVICE_ALREADY_RUNNING)
            return false;
        Sleep(100);
    }
    return false;
}

TEST(TaskScheduler, ATaskRegisteredFromItsXmlIsThereUntilItIsRemoved) {
    const TComScope com;
    ASSERT_TRUE(SchedulerRuns()) << "the Task Scheduler's service does not start";
    WindowsShell shell;
    const std::string account = shell.UserAccount();
    ASSERT_NE(account.find('\\'), std::string::npos) << account;
    const std::string name = ReapplyTaskName(account);
    // The service answers once a removal goes through: of a task an earlier run left, or of none.
    unsigned code = 1;
    for (int tries = 0; tries < 150 && code; ++tries) {
        code = shell.RemoveTask(name);
        if (code)
            Sleep(200);
    }
    ASSERT_EQ(code, 0u) << HexCode(code);
    EXPECT_FALSE(shell.TaskProgram(name));

    const std::string program = "C:\\Program Files\\Orvane & Co\\Orvane.exe";
    code = shell.RegisterTask(name, ReapplyTaskXml(program, account));
    ASSERT_EQ(code, 0u) << HexCode(code);
    const std::optional<std::string> runs = shell.TaskProgram(name);
    ASSERT_TRUE(runs);
    if (!runs->empty()) { // Windows: the action as registered
        EXPECT_EQ(*runs, "\"" + program + "\"");
    }

    code = shell.RemoveTask(name);
    EXPECT_EQ(code, 0u) << HexCode(code);
    EXPECT_FALSE(shell.TaskProgram(name));
    EXPECT_EQ(shell.RemoveTask(name), 0u); // none left: nothing to remove
}

} // namespace
