#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "support/model_fixture.h"

namespace {

class ScanTest : public ModelTest {
protected:
    static std::vector<std::string> Paths() {
        std::vector<std::string> out;
        for (const TStartMenu& e : StartMenuItems)
            out.push_back(e.Path);
        return out;
    }
};

TEST_F(ScanTest, ListsTheAllUsersFolderFirstThenTheUsersWithTheirOrigin) {
    shell.listings[Common + "\\*.*"] = {".", "..", "A.lnk", "Tools", "B.lnk"};
    shell.listings[User + "\\*.*"] = {".", "..", "C.lnk", "A.lnk"};
    ScanStartMenu(shell);
    EXPECT_EQ(Paths(),
              (std::vector<std::string>{Common + "\\A.lnk", Common + "\\Tools", Common + "\\B.lnk",
                                        User + "\\C.lnk", User + "\\A.lnk"}));
    for (size_t i = 0; i < StartMenuItems.size(); ++i) {
        EXPECT_EQ(StartMenuItems[i].IsUser, i >= 3) << i;
        EXPECT_EQ(StartMenuItems[i].Category, NoCategory) << i;
    }
    EXPECT_EQ(CommonProgramsDir, Common);
    EXPECT_EQ(UserProgramsDir, User);
}

TEST_F(ScanTest, SkipsIniFilesAndCategoryFoldersInAnyLetterCase) {
    shell.listings[Common + "\\*.*"] = {"desktop.ini", "Desktop.INI",   "setup.Ini", "Игры",
                                        "игры",        "ИГРЫ",          "Игры.lnk",  "разНОЕ",
                                        "ini",         "notes.ini.lnk", "Офисные "};
    ScanStartMenu(shell);
    EXPECT_EQ(Paths(),
              (std::vector<std::string>{Common + "\\Игры.lnk", Common + "\\ini",
                                        Common + "\\notes.ini.lnk", Common + "\\Офисные "}));
}

TEST_F(ScanTest, TheShellsOwnFoldersAreLeftOutHoweverSpelledAndOnlyWhereLocated) {
    shell.specialFolders[7] = User + "\\StartUp";    // the user's startup
    shell.specialFolders[24] = Common + "\\STARTUP"; // all users' startup
    shell.specialFolders[47] = "c:\\programdata\\start menu\\programs\\administrative tools";
    shell.specialFolders[48] = std::nullopt; // the user's administrative tools: not located
    shell.listings[Common + "\\*.*"] = {"StartUp", "Administrative Tools", "Maintenance"};
    shell.listings[User + "\\*.*"] = {"StartUp", "Administrative Tools", "StartUp.lnk"};
    ScanStartMenu(shell);
    EXPECT_EQ(Paths(),
              (std::vector<std::string>{Common + "\\Maintenance", User + "\\Administrative Tools",
                                        User + "\\StartUp.lnk"}));
}

TEST_F(ScanTest, CaptionsAreTheLocalizedNamesFromDesktopIniWhereTheyResolve) {
    shell.listings[Common + "\\*.*"] = {"Notepad.lnk", "Remote.lnk", "Gone.lnk",
                                        "Accessories", "Tools",      "Maintenance.v2"};
    shell.desktopInis[Common][FileNamesSection] = {{"notepad.LNK", "@%SystemRoot%\\names.dll,-1"},
                                                   {"Remote.lnk", "Удалённый доступ"},
                                                   {"Gone.lnk", "@missing.dll,-5"}};
    shell.desktopInis[Common + "\\Accessories"][FolderInfoSection] = {
        {"IconResource", "x"}, {"LocalizedResourceName", "@%SystemRoot%\\names.dll,-2"}};
    shell.indirectStrings = {{"@%SystemRoot%\\names.dll,-1", "Блокнот"},
                             {"@%SystemRoot%\\names.dll,-2", "Стандартные"}};
    ScanStartMenu(shell);
    std::vector<std::string> captions;
    for (const TStartMenu& entry : StartMenuItems)
        captions.push_back(Caption(entry));
    EXPECT_EQ(captions, (std::vector<std::string>{"Блокнот", "Удалённый доступ", "Gone",
                                                  "Стандартные", "Tools", "Maintenance"}));
    EXPECT_EQ(StartMenuItems[2].LocalizedName, "");
}

TEST_F(ScanTest, AFolderThatCannotBeLocatedIsNeitherScannedNorRecorded) {
    shell.specialFolders[CSIDL_COMMON_PROGRAMS_ID] = std::nullopt;
    shell.specialFolders[CSIDL_PROGRAMS_ID] = std::string();
    shell.listings["\\*.*"] = {"Windows", "Users"}; // the drive's root, never to be listed
    ScanStartMenu(shell);
    EXPECT_TRUE(StartMenuItems.empty());
    EXPECT_FALSE(CommonProgramsDir.has_value());
    EXPECT_FALSE(UserProgramsDir.has_value());
    EXPECT_EQ(CallsStartingWith(shell.calls, "ListFolder("), std::vector<std::string>{});
}

TEST_F(ScanTest, OneMissingFolderDoesNotStopTheOther) {
    shell.specialFolders[CSIDL_COMMON_PROGRAMS_ID] = std::nullopt;
    shell.listings[User + "\\*.*"] = {"C.lnk"};
    ScanStartMenu(shell);
    EXPECT_EQ(Paths(), (std::vector<std::string>{User + "\\C.lnk"}));
    EXPECT_TRUE(StartMenuItems[0].IsUser);
}

TEST_F(ScanTest, AFolderThatCannotBeListedAddsNothing) {
    ScanStartMenu(shell);
    EXPECT_TRUE(StartMenuItems.empty());
    EXPECT_EQ(CommonProgramsDir, Common);
}

TEST_F(ScanTest, ALongFolderPathIsCutToItsFirst255CharactersWhenJoined) {
    std::string longFolder = "C:\\";
    while (Utf8Length(longFolder) < 300)
        longFolder += "Пуск\\";
    ScanProgramsFolder(shell, longFolder, true);
    EXPECT_TRUE(StartMenuItems.empty()); // nothing listed there yet

    shell.listings[longFolder + "\\*.*"] = {"x.lnk"};
    ScanProgramsFolder(shell, longFolder, true);
    ASSERT_EQ(StartMenuItems.size(), 1u);
    EXPECT_EQ(StartMenuItems[0].Path, Utf8Prefix(longFolder, 255) + "\\x.lnk");
    EXPECT_EQ(Utf8Length(StartMenuItems[0].Path), 255u + 6u);
}

} // namespace
