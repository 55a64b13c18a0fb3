#include "catalogue/missing_programs.h"
#include "catalogue/suggest.h"
#include "shell/windows_shell.h"
#include "support/folders.h"
#include "win32/handles.h"
#include "win32/text.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <vector>

namespace {

class WindowsShellTest : public ::testing::Test {
protected:
    TComScope com;
    TempFolder temp;
    WindowsShell shell;
    std::string At(const std::string& name) const { return temp.At(name); }
};

TEST_F(WindowsShellTest, ListingReturnsEveryEntryIncludingHiddenSystemAndDots) {
    ASSERT_TRUE(WriteFile(At("plain.lnk"), "x"));
    ASSERT_TRUE(WriteFile(At("hidden.lnk"), "x"));
    ASSERT_TRUE(WriteFile(At("system.lnk"), "x"));
    ASSERT_TRUE(AddAttributes(At("hidden.lnk"), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(AddAttributes(At("system.lnk"), FILE_ATTRIBUTE_SYSTEM));
    MakeFolders(At("Группа"));
    MakeFolders(At("ゲーム"));

    std::vector<std::string> names = shell.ListFolder(temp.Path() + "\\*.*", ListAllAttributes);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "hidden.lnk", "plain.lnk", "system.lnk",
                                               "Группа", "ゲーム"}));
    EXPECT_TRUE(shell.ListFolder(At("missing") + "\\*.*", ListAllAttributes).empty());
}

TEST_F(WindowsShellTest, FolderTestsAndCreationWorkWithAndWithoutTrailingBackslash) {
    EXPECT_TRUE(shell.FolderExists(temp.Path()));
    EXPECT_TRUE(shell.FolderExists(temp.Path() + "\\"));
    shell.CreateFolder(At("Офисные") + "\\");
    EXPECT_TRUE(shell.FolderExists(At("Офисные")));
    shell.CreateFolder(At("Игры"));
    EXPECT_TRUE(shell.FolderExists(At("Игры\\")));
    ASSERT_TRUE(WriteFile(At("file"), "x"));
    EXPECT_FALSE(shell.FolderExists(At("file")));
    EXPECT_FALSE(shell.FolderExists(At("missing")));
}

// What the undo relies on: a line taken out of a desktop.ini leaves every other line, the file goes
// only when asked and nothing is left, a folder goes only when empty, and appends reach the file.
TEST_F(WindowsShellTest, DesktopIniLinesFoldersAndAppendedFilesAreTakenBackExactly) {
    const std::string folder = At("Офисные");
    MakeFolders(folder);
    ASSERT_EQ(shell.WriteDesktopIni(folder, FileNamesSection, "Own.lnk", "Своё"), 0u);
    ASSERT_EQ(shell.WriteDesktopIni(folder, FileNamesSection, "Writer.lnk", "Писатель"), 0u);
    ASSERT_EQ(shell.RemoveDesktopIniLine(folder, FileNamesSection, "writer.lnk", true), 0u);
    EXPECT_EQ(shell.DesktopIniSection(folder, FileNamesSection),
              (std::vector<std::pair<std::string, std::string>>{{"Own.lnk", "Своё"}}));
    ASSERT_EQ(shell.RemoveDesktopIniLine(folder, FileNamesSection, "Own.lnk", false), 0u);
    EXPECT_TRUE(shell.PathExists(folder + "\\desktop.ini"));
    EXPECT_EQ(shell.RemoveFolder(folder), static_cast<unsigned>(ERROR_DIR_NOT_EMPTY));
    ASSERT_EQ(shell.RemoveDesktopIniLine(folder, FileNamesSection, "Gone.lnk", true), 0u);
    EXPECT_FALSE(shell.PathExists(folder + "\\desktop.ini"));
    EXPECT_EQ(shell.RemoveFolder(folder), 0u);
    EXPECT_FALSE(shell.PathExists(folder));

    const std::string journal = At("journal.txt");
    unsigned code = 0;
    {
        const std::unique_ptr<TAppendFile> file = shell.OpenForAppend(journal, true, code);
        ASSERT_TRUE(file) << code;
        EXPECT_EQ(file->Append("a\tб\r\n"), 0u);
        EXPECT_FALSE(shell.OpenForAppend(journal, true, code));
        EXPECT_EQ(code, static_cast<unsigned>(ERROR_FILE_EXISTS));
        EXPECT_EQ(file->Append("в"), 0u);
    }
    EXPECT_EQ(shell.ReadTextFile(journal), std::optional<std::string>("a\tб\r\nв"));
    EXPECT_EQ(shell.ReadTextFile(At("missing.txt")), std::nullopt);
    EXPECT_FALSE(shell.OpenForAppend(At("missing.txt"), false, code));
    // A journal that is a link to another file is not written through.
    if (CreateSymbolicLinkW(Widen(At("link.txt")).c_str(), Widen(journal).c_str(), 0)) {
        EXPECT_FALSE(shell.OpenForAppend(At("link.txt"), false, code));
        EXPECT_EQ(shell.ReadTextFile(journal), std::optional<std::string>("a\tб\r\nв"));
    }
}

int CreateFolderCode(WindowsShell& shell, const std::string& path) {
    try {
        shell.CreateFolder(path);
    } catch (const EInOutError& e) {
        return e.Code();
    }
    return 0;
}

TEST_F(WindowsShellTest, CreateFolderRaisesTheOsCode) {
    EXPECT_EQ(CreateFolderCode(shell, At("no\\such\\parent")), 3);
    ASSERT_TRUE(WriteFile(At("backup"), "a file, not a folder"));
    EXPECT_EQ(CreateFolderCode(shell, At("backup")), 183);
    EXPECT_EQ(CreateFolderCode(shell, At("Разное")), 0);
    EXPECT_EQ(CreateFolderCode(shell, At("Разное")), 183);
}

TEST_F(WindowsShellTest, CopiesAndMovesCyrillicAndJapaneseNames) {
    MakeFolders(At("src\\Мультимедиа"));
    ASSERT_TRUE(WriteFile(At("src\\Мультимедиа\\Плеер.lnk"), "player"));
    ASSERT_TRUE(WriteFile(At("src\\メモ帳.lnk"), "memo"));
    MakeFolders(At("copy"));

    const ShellOpResult copy =
        shell.ShellFileOperation(ShellOp::Copy, At("src") + "\\*.*", At("copy") + "\\");
    EXPECT_TRUE(copy.Succeeded()) << copy.Code;
    EXPECT_EQ(Snapshot(At("copy")), Snapshot(At("src")));

    // The distribution creates each category folder before it moves into it.
    MakeFolders(At("src\\Офисные"));
    MakeFolders(At("src\\Развлечения"));
    const ShellOpResult move = shell.ShellFileOperation(ShellOp::Move, At("src\\メモ帳.lnk"),
                                                        At("src\\Офисные\\メモ帳.lnk"));
    EXPECT_TRUE(move.Succeeded()) << move.Code;
    EXPECT_TRUE(Exists(At("src\\Офисные\\メモ帳.lnk")));
    EXPECT_FALSE(Exists(At("src\\メモ帳.lnk")));

    const ShellOpResult moveFolder = shell.ShellFileOperation(ShellOp::Move, At("src\\Мультимедиа"),
                                                              At("src\\Развлечения\\Мультимедиа"));
    EXPECT_TRUE(moveFolder.Succeeded()) << moveFolder.Code;
    EXPECT_TRUE(Exists(At("src\\Развлечения\\Мультимедиа\\Плеер.lnk")));
    EXPECT_FALSE(Exists(At("src\\Мультимедиа")));
}

TEST_F(WindowsShellTest, ProgramsFoldersHaveNoTrailingBackslash) {
    for (int csidl : {CSIDL_PROGRAMS_ID, CSIDL_COMMON_PROGRAMS_ID}) {
        const std::optional<std::string> folder = shell.GetSpecialFolder(csidl);
        ASSERT_TRUE(folder.has_value()) << csidl;
        EXPECT_FALSE(folder->empty());
        EXPECT_NE(folder->back(), '\\') << *folder;
        EXPECT_NE(folder->find(":\\"), std::string::npos) << *folder;
    }
    EXPECT_NE(shell.GetSpecialFolder(CSIDL_PROGRAMS_ID),
              shell.GetSpecialFolder(CSIDL_COMMON_PROGRAMS_ID));
}

// Icons are images in the shell's small icon list; a shortcut is told by the shell's link
// attribute, not by its type's name, which is "Ярлык" on a Russian system.
TEST_F(WindowsShellTest, IconsComeFromTheShellsSmallIconListAndShortcutsAreToldByTheirAttribute) {
    ASSERT_TRUE(MakeShortcut(At("Блокнот.lnk"), NotepadPath()));
    MakeFolders(At("Group"));
    const auto list = static_cast<HIMAGELIST>(shell.SmallIconList());
    ASSERT_NE(list, nullptr);
    int width = 0, height = 0;
    ImageList_GetIconSize(list, &width, &height);
    EXPECT_EQ(width, GetSystemMetrics(SM_CXSMICON));

    const ItemIconInfo shortcut = shell.ItemIcon(At("Блокнот.lnk"));
    const ItemIconInfo folder = shell.ItemIcon(At("Group"));
    EXPECT_GE(shortcut.Image, 0);
    EXPECT_LT(shortcut.Image, ImageList_GetImageCount(list));
    EXPECT_TRUE(shortcut.IsLink);
    EXPECT_GE(folder.Image, 0);
    EXPECT_FALSE(folder.IsLink);
    EXPECT_EQ(shell.ItemIcon(At("gone.lnk")).Image, -1);
    const int overlay = shell.LinkOverlay();
    EXPECT_TRUE(overlay >= 0 && overlay <= 15) << overlay;
}

// Real shortcuts, an internet shortcut and an executable with version texts (this test's own) are
// read as they are, and lead to the suggestion of what the program says it is.
TEST_F(WindowsShellTest, ShortcutsAndVersionTextsAreReadAndSuggestWhatTheProgramSaysItIs) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::string program = Narrow(self);
    ASSERT_TRUE(MakeShortcut(At("Tune.lnk"), program));
    ASSERT_TRUE(WriteFile(At("Arena.url"), "[InternetShortcut]\r\nURL=steam://rungameid/570\r\n"));
    ASSERT_TRUE(WriteFile(At("notes.txt"), "x"));
    MakeFolders(At("Tune Group"));
    ASSERT_TRUE(MakeShortcut(At("Tune Group\\Tune.lnk"), program));
    ASSERT_TRUE(MakeShortcut(At("Tune Group\\Uninstall Tune.lnk"), NotepadPath()));

    const std::optional<TShortcutInfo> link = shell.ReadShortcut(At("Tune.lnk"));
    ASSERT_TRUE(link);
    EXPECT_EQ(shell.ComparablePath(link->Target), shell.ComparablePath(program));
    EXPECT_EQ(link->Comment, "Orvane test shortcut");
    EXPECT_EQ(link->Url, "");
    const std::optional<TShortcutInfo> url = shell.ReadShortcut(At("Arena.url"));
    ASSERT_TRUE(url);
    EXPECT_EQ(url->Url, "steam://rungameid/570");
    EXPECT_EQ(url->Target, "");
    EXPECT_FALSE(shell.ReadShortcut(At("notes.txt")));
    EXPECT_FALSE(shell.ReadShortcut(At("missing.lnk")));
    const TVersionInfo version = shell.ReadVersionInfo(program);
    EXPECT_EQ(version.FileDescription, "Проигрыватель музыки для проверки");
    EXPECT_EQ(version.ProductName, "Orvane Test");
    EXPECT_EQ(shell.ReadVersionInfo(At("notes.txt")).FileDescription, "");

    const std::pair<const char*, int32_t> expected[] = {
        {"Tune.lnk", 3}, {"Arena.url", 2}, {"Tune Group", 3}, {"notes.txt", NoCategory}};
    for (const auto& [name, category] : expected) {
        const TStartMenu entry{At(name)};
        const TSuggestion suggestion =
            SuggestCategory(shell, entry, ReadEntryFacts(shell, entry.Path), {});
        EXPECT_EQ(suggestion.Category, category) << name;
        EXPECT_EQ(SourceName(suggestion.Source), std::string(category < 0 ? "" : "details"))
            << name;
    }
}

// Real shortcuts: one whose target was removed from C: is without a program; one to a drive that
// is not there, an internet shortcut and a live one are not.
TEST_F(WindowsShellTest, OnlyAShortcutWhoseTargetWasRemovedFromAPresentDriveIsWithoutAProgram) {
    const std::string removed = At("Removed\\program.exe");
    MakeFolders(At("Removed"));
    ASSERT_TRUE(WriteFile(removed, "a program"));
    ASSERT_TRUE(MakeShortcut(At("Removed.lnk"), removed));
    ASSERT_TRUE(DeleteFileW(Widen(removed).c_str()));
    ASSERT_TRUE(MakeShortcut(At("Live.lnk"), NotepadPath()));
    // The first drive letter that is not there.
    std::string absent = "B:\\program.exe";
    for (char letter = 'Q'; letter <= 'Y'; ++letter) {
        if (!(GetLogicalDrives() & (1u << (letter - 'A')))) {
            absent[0] = letter;
            break;
        }
    }
    ASSERT_TRUE(MakeShortcut(At("Absent.lnk"), absent));
    ASSERT_TRUE(WriteFile(At("Site.url"), "[InternetShortcut]\r\nURL=https://example.org/\r\n"));
    EXPECT_TRUE(IsWithoutProgram(shell, At("Removed.lnk")));
    for (const char* name : {"Live.lnk", "Absent.lnk", "Site.url"})
        EXPECT_FALSE(IsWithoutProgram(shell, At(name))) << name;
}

} // namespace
