// The backup and the distribution on real folders through the real shell: nothing lost, nothing
// duplicated.
#include "actions/actions.h"
#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "shell/wide_text.h"
#include "shell/windows_shell.h"
#include "windows/support/temp_folder.h"

#include <gtest/gtest.h>

#include <shlwapi.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

namespace {

// The real shell, but with Programs folders of the test's own and messages recorded.
class SandboxedShell : public WindowsShell {
public:
    std::string common, user;
    std::vector<std::string> messages;
    std::optional<std::string> GetSpecialFolder(int csidl) override {
        if (csidl == CSIDL_COMMON_PROGRAMS_ID || csidl == CSIDL_PROGRAMS_ID)
            return csidl == CSIDL_COMMON_PROGRAMS_ID ? common : user;
        return std::nullopt;
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

// The names DLL of the sandbox, copied beside this program: "@<it>,-<id>" resolves to Russian
// names.
std::string NamesModule() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::string path = Narrow(self);
    return "@" + path.substr(0, path.find_last_of('\\') + 1) + "orvane-sandbox-names.dll,-";
}

std::string ReadIni(const std::string& folder, const char* section, const std::string& key) {
    wchar_t value[512] = {};
    GetPrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), L"", value, 512,
                             Widen(folder + "\\desktop.ini").c_str());
    return Narrow(value);
}

DWORD Attributes(const std::string& path) {
    return GetFileAttributesW(Widen(path).c_str());
}

// A shortcut named in its Programs folder's desktop.ini and a program group with a desktop.ini of
// its own are listed under their Russian names, and keep them when they move: the shortcut's line
// is written into the category folder's desktop.ini as the shell writes it, the group's own
// desktop.ini moves with it.
TEST(ActionsOnRealFolders, LocalizedNamesAreShownAndKeptWhenEntriesMove) {
    ComScope com;
    TempFolder temp;
    SandboxedShell shell;
    shell.common = temp.Path() + "\\All\\Programs";
    shell.user = temp.Path() + "\\Мой\\Programs";
    MakeFolders(shell.common + "\\Accessories");
    MakeFolders(shell.user);
    ASSERT_TRUE(MakeShortcut(shell.common + "\\Notepad.lnk", "C:\\windows\\notepad.exe"));
    ASSERT_TRUE(
        MakeShortcut(shell.common + "\\Accessories\\Paint.lnk", "C:\\windows\\notepad.exe"));
    const std::string value = NamesModule() + std::to_string(111);
    ASSERT_EQ(shell.WriteDesktopIni(shell.common, FileNamesSection, "Notepad.lnk", value), 0u);
    ASSERT_EQ(shell.WriteDesktopIni(shell.common + "\\Accessories", FolderInfoSection,
                                    FolderNameKey, NamesModule() + std::to_string(101)),
              0u);
    const std::string groupIni = shell.common + "\\Accessories\\desktop.ini";
    const DWORD groupAttributes = Attributes(shell.common + "\\Accessories");
    const DWORD groupIniAttributes = Attributes(groupIni);

    ResetCatalogue();
    ScanStartMenu(shell);
    ASSERT_EQ(StartMenuItems.size(), 2u);
    std::map<std::string, std::string> captions;
    for (TStartMenu& entry : StartMenuItems) {
        captions[FileNameOf(entry.Path)] = Caption(entry);
        entry.Category = 1;
    }
    EXPECT_EQ(captions, (std::map<std::string, std::string>{{"Accessories", "Стандартные"},
                                                            {"Notepad.lnk", "Блокнот"}}));
    EXPECT_TRUE(DistributeItems(shell));
    EXPECT_TRUE(shell.messages.empty());

    const std::string category = shell.common + "\\" + CategoryNames[1];
    EXPECT_EQ(ReadIni(category, FileNamesSection, "Notepad.lnk"), value);
    EXPECT_EQ(shell.ResolveLocalizedName(ReadIni(category, FileNamesSection, "Notepad.lnk")),
              "Блокнот");
    EXPECT_EQ(ReadIni(shell.common, FileNamesSection, "Notepad.lnk"), value); // still there
    const DWORD hiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    EXPECT_EQ(Attributes(category + "\\desktop.ini") & hiddenSystem, hiddenSystem);
    EXPECT_TRUE(PathIsSystemFolderW(Widen(category).c_str(), 0));
    std::ifstream ini(std::filesystem::path(Widen(category + "\\desktop.ini")), std::ios::binary);
    char mark[2] = {};
    ini.read(mark, 2);
    EXPECT_EQ(std::string(mark, 2), "\xFF\xFE") << "not UTF-16 with a byte-order mark";
    const std::string movedGroup = category + "\\Accessories";
    EXPECT_EQ(Attributes(movedGroup), groupAttributes);
    EXPECT_EQ(Attributes(movedGroup + "\\desktop.ini"), groupIniAttributes);

    // Scanned where they now are, both have their Russian names again.
    ResetCatalogue();
    ScanProgramsFolder(shell, category, false);
    captions.clear();
    for (const TStartMenu& entry : StartMenuItems)
        captions[FileNameOf(entry.Path)] = Caption(entry);
    EXPECT_EQ(captions, (std::map<std::string, std::string>{{"Accessories", "Стандартные"},
                                                            {"Notepad.lnk", "Блокнот"}}));
    ResetCatalogue();
}

} // namespace
