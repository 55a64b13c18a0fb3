// The backup and the distribution on real folders through the real shell: nothing lost, nothing
// duplicated.
#include "actions/actions.h"
#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "shell/wide_text.h"
#include "shell/windows_shell.h"
#include "windows/support/temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

namespace {

// The real shell, but with Programs folders of the test's own and messages recorded.
class SandboxedShell : public WindowsShell {
public:
    std::string common, user;
    std::vector<std::string> messages;
    std::optional<std::string> GetSpecialFolder(int csidl) override {
        return csidl == CSIDL_COMMON_PROGRAMS_ID ? common : user;
    }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
};

// Fills a Programs folder with shortcuts, nested program groups, hidden and system files, a
// desktop.ini and names in several scripts; `tag` keeps the two folders' contents apart.
void FillProgramsFolder(const std::string& root, const std::string& tag, std::mt19937& random) {
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::string notepad = Narrow(windows) + "\\notepad.exe";
    MakeFolders(root);
    const std::vector<std::string> names = {"Редактор", "Text Tool", "メモ帳", "Player 5.5",
                                            "Αρχεία",   "Почта",     "Chess",  "Ёлка"};
    WriteFile(root + "\\desktop.ini", "[.ShellClassInfo]\r\nLocalizedResourceName=" + tag);
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string link = root + "\\" + names[i] + " " + tag + ".lnk";
        ASSERT_TRUE(MakeShortcut(link, notepad)) << link;
        const std::string group = root + "\\" + names[i] + " group " + tag;
        MakeFolders(group + "\\Nested " + std::to_string(i));
        ASSERT_TRUE(MakeShortcut(group + "\\" + names[(i + 1) % names.size()] + ".lnk", notepad));
        WriteFile(group + "\\Nested " + std::to_string(i) + "\\readme.txt",
                  "content " + std::to_string(random()));
    }
    WriteFile(root + "\\Hidden " + tag + ".lnk", "hidden " + tag);
    AddAttributes(root + "\\Hidden " + tag + ".lnk", FILE_ATTRIBUTE_HIDDEN);
    WriteFile(root + "\\System " + tag + ".lnk", "system " + tag);
    AddAttributes(root + "\\System " + tag + ".lnk", FILE_ATTRIBUTE_SYSTEM);
    WriteFile(root + "\\Same.lnk", "the same name in both folders, " + tag);
}

TEST(ActionsOnRealFolders, BackupCopiesEverythingAndDistributionLosesNothing) {
    ComScope com;
    TempFolder temp;
    SandboxedShell shell;
    shell.common = temp.Path() + "\\All Users\\Programs";
    shell.user = temp.Path() + "\\Пользователь\\Programs";
    std::mt19937 random(20261208);
    FillProgramsFolder(shell.common, "common", random);
    FillProgramsFolder(shell.user, "user", random);
    const auto commonBefore = FileChecksums(shell.common);
    const auto userBefore = FileChecksums(shell.user);

    ResetCatalogue();
    ScanStartMenu(shell);
    ASSERT_EQ(StartMenuItems.size(), 2u * (8 + 8 + 3));

    const auto started = std::chrono::steady_clock::now();
    const std::string backup = temp.Path() + "\\Резерв\\";
    MakeFolders(backup);
    MakeBackup(shell, backup);
    EXPECT_EQ(shell.messages, (std::vector<std::string>{BackupDoneText}));
    EXPECT_EQ(FileChecksums(backup + "Programs"), userBefore);
    EXPECT_EQ(FileChecksums(backup + "Common_Programs"), commonBefore);

    // Every second entry goes to a category; the rest stay where they are.
    std::map<std::string, std::string> expectedCommon, expectedUser;
    for (size_t i = 0; i < StartMenuItems.size(); ++i) {
        if (i % 2 == 0)
            StartMenuItems[i].Category = static_cast<int32_t>(random() % CategoryCount);
    }
    for (const TStartMenu& entry : StartMenuItems) {
        auto& expected = entry.IsUser ? expectedUser : expectedCommon;
        const std::string name = FileNameOf(entry.Path);
        expected[name] = entry.Category == NoCategory
                             ? name
                             : CategoryNames[static_cast<size_t>(entry.Category)] + "\\" + name;
    }
    shell.messages.clear();
    EXPECT_TRUE(DistributeItems(shell));
    EXPECT_TRUE(shell.messages.empty());

    // Each file is present exactly once, with its content, where its entry was sent.
    auto Relocated = [](const std::map<std::string, uint64_t>& before,
                        const std::map<std::string, std::string>& moves) {
        std::map<std::string, uint64_t> after;
        for (const auto& [path, sum] : before) {
            const size_t cut = path.find('\\');
            const std::string top = path.substr(0, cut);
            const auto move = moves.find(top);
            const std::string place = move == moves.end() ? top : move->second;
            after[place + (cut == std::string::npos ? "" : path.substr(cut))] = sum;
        }
        return after;
    };
    EXPECT_EQ(FileChecksums(shell.common), Relocated(commonBefore, expectedCommon));
    EXPECT_EQ(FileChecksums(shell.user), Relocated(userBefore, expectedUser));
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    std::printf("backup and distribution of %u entries took %lld ms\n",
                static_cast<unsigned>(StartMenuItems.size()), static_cast<long long>(took.count()));
    ResetCatalogue();
}

} // namespace
