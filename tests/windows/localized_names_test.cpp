// Names that a Russian Windows gives entries through desktop.ini, on real folders through the
// real shell: shown in the list and kept when the entries move.
#include "actions/distribution.h"
#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "support/folders.h"
#include "support/sandboxed_shell.h"
#include "win32/handles.h"
#include "win32/system.h"
#include "win32/text.h"

#include <gtest/gtest.h>

#include <shlwapi.h>

#include <filesystem>
#include <fstream>
#include <map>

namespace {

// The names DLL of the sandbox, copied beside this program: "@<it>,-<id>" resolves to Russian
// names.
std::string NamesModule() {
    return "@" + ExecutableFolder() + "orvane-sandbox-names.dll,-";
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
TEST(LocalizedNames, AreShownAndKeptWhenEntriesMove) {
    TComScope com;
    TempFolder temp;
    SandboxedShell shell;
    const std::string common = temp.At("All\\Programs");
    shell.common = common;
    shell.user = temp.At("Мой\\Programs");
    shell.localAppData = temp.Path();
    shell.programData = temp.At("ProgramData");
    MakeFolders(*shell.programData);
    MakeFolders(common + "\\Accessories");
    MakeFolders(*shell.user);
    ASSERT_TRUE(MakeShortcut(common + "\\Notepad.lnk", NotepadPath()));
    ASSERT_TRUE(MakeShortcut(common + "\\Accessories\\Paint.lnk", NotepadPath()));
    const std::string value = NamesModule() + std::to_string(111);
    ASSERT_EQ(shell.WriteDesktopIni(common, FileNamesSection, "Notepad.lnk", value), 0u);
    ASSERT_EQ(shell.WriteDesktopIni(common + "\\Accessories", FolderInfoSection, FolderNameKey,
                                    NamesModule() + std::to_string(101)),
              0u);
    const std::string groupIni = common + "\\Accessories\\desktop.ini";
    const DWORD groupAttributes = Attributes(common + "\\Accessories");
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
    EXPECT_TRUE(DistributeItems(shell).Complete());
    EXPECT_TRUE(shell.messages.empty());

    const std::string category = common + "\\" + CategoryNames[1];
    EXPECT_EQ(ReadIni(category, FileNamesSection, "Notepad.lnk"), value);
    EXPECT_EQ(shell.ResolveLocalizedName(ReadIni(category, FileNamesSection, "Notepad.lnk")),
              "Блокнот");
    EXPECT_EQ(ReadIni(common, FileNamesSection, "Notepad.lnk"), value); // still there
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
