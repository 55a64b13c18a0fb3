#include "shell/windows_shell.h"
#include "support/folders.h"
#include "win32/handles.h"
#include "support/pixels.h"
#include "win32/text.h"

#include <gtest/gtest.h>

#include <shellapi.h>

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

TEST_F(WindowsShellTest, IconsForShortcutsAndFoldersButNotForMissingPaths) {
    ASSERT_TRUE(MakeShortcut(At("Блокнот.lnk"), NotepadPath()));
    MakeFolders(At("Group"));
    for (const std::string& path : {At("Блокнот.lnk"), At("Group")}) {
        HICON icon = static_cast<HICON>(shell.ItemIcon(path));
        EXPECT_NE(icon, nullptr) << path;
        ICONINFO info = {};
        if (icon && GetIconInfo(icon, &info)) {
            BITMAP bitmap = {};
            GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
            EXPECT_EQ(bitmap.bmWidth, GetSystemMetrics(SM_CXSMICON)) << path;
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
        }
        if (icon)
            DestroyIcon(icon);
    }
    EXPECT_EQ(shell.ItemIcon(At("gone.lnk")), nullptr);
}

// A shortcut is told by the shell's link attribute, not by its type's name, which is "Ярлык" on a
// Russian system: its icon carries the link overlay, unlike the shell's plain icon for it.
TEST_F(WindowsShellTest, AShortcutsIconCarriesTheLinkOverlay) {
    ASSERT_TRUE(MakeShortcut(At("Блокнот.lnk"), NotepadPath()));
    HICON withOverlay = static_cast<HICON>(shell.ItemIcon(At("Блокнот.lnk")));
    SHFILEINFOW plain{};
    SHGetFileInfoW(Widen(At("Блокнот.lnk")).c_str(), 0, &plain, sizeof plain,
                   SHGFI_ICON | SHGFI_SMALLICON);
    ASSERT_TRUE(withOverlay && plain.hIcon);
    EXPECT_NE(IconPixels(withOverlay), IconPixels(plain.hIcon));
    DestroyIcon(withOverlay);
    DestroyIcon(plain.hIcon);
}

} // namespace
