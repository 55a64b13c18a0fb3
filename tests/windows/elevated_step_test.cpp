// Both programs start with the user's own rights, and the all-users step travels to a second
// program and back: on Wine, whose "runas" starts the program as it is.
#include "actions/all_users_step.h"
#include "shell/windows_shell.h"
#include "win32/handles.h"
#include "win32/system.h"
#include "win32/text.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

std::string Program(const char* name) {
    return ExecutableFolder() + "..\\..\\app\\" + name;
}

TEST(Privileges, BothProgramsAskForNoElevation) {
    for (const char* name : {"Orvane.exe", "orvane-catalogue.exe"}) {
        const TModule module(
            LoadLibraryExW(Widen(Program(name)).c_str(), nullptr,
                           LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        ASSERT_TRUE(module) << name;
        HRSRC found = FindResourceW(module.get(), MAKEINTRESOURCEW(1), RT_MANIFEST);
        ASSERT_TRUE(found) << name << " has no manifest";
        const char* text =
            static_cast<const char*>(LockResource(LoadResource(module.get(), found)));
        const std::string manifest(text, SizeofResource(module.get(), found));
        EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos) << name;
    }
}

// The step's process keeps none of the variables it inherits from the user, only the machine's.
TEST(Privileges, TheStepTakesNoVariableTheUserSet) {
    ASSERT_TRUE(SetEnvironmentVariableW(L"SystemRoot", L"C:\\Users\\Planted"));
    ASSERT_TRUE(SetEnvironmentVariableW(L"ORVANE_PLANTED", L"C:\\Users\\Planted"));
    UseMachineEnvironment();
    EXPECT_EQ(ExpandEnvironment("%ORVANE_PLANTED%\\a.exe"), "%ORVANE_PLANTED%\\a.exe");
    const std::string root = ExpandEnvironment("%SystemRoot%");
    EXPECT_NE(root, "C:\\Users\\Planted");
    EXPECT_NE(root, "%SystemRoot%");
    EXPECT_EQ(root + "\\", ExpandEnvironment("%windir%\\")) << root;
}

// The step served by the catalogue tool started for it: the request in, its answer back, and a
// name it is not to take named in that answer.
TEST(Privileges, TheAllUsersStepIsServedByASecondProgramAndAnswers) {
    const TComScope com;
    WindowsShell shell;
    shell.SetStepProgram(Program("orvane-catalogue.exe"));
    TAllUsersWork work;
    work.Entries = {{"Нет такой программы.lnk", 0}};
    const TElevatedRun run = shell.RunElevatedStep(FormatWork(work));
    ASSERT_EQ(run.Code, 0u);
    const std::optional<TAllUsersOutcome> outcome = ParseOutcome(run.Response);
    ASSERT_TRUE(outcome) << run.Response;
    EXPECT_TRUE(outcome->Moved.empty());
    EXPECT_EQ(outcome->Distribution.Stayed,
              std::vector<std::string>{"«Нет такой программы.lnk» осталась на месте: в общей "
                                       "папке меню «Пуск» нет такой программы."});
}

} // namespace
