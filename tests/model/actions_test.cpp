#include "actions/backup.h"
#include "actions/distribution.h"
#include "actions/undo.h"
#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "support/model_fixture.h"

namespace {

// --- Backup ---------------------------------------------------------------------------------

TEST_F(ActionsTest, BackupCreatesBothFoldersCopiesUserThenAllUsersAndReportsSuccess) {
    shell.folders.insert("D:\\backup");
    EXPECT_TRUE(MakeBackup(shell, "D:\\backup\\"));
    EXPECT_EQ(shell.calls,
              (std::vector<std::string>{
                  "ListFolder(D:\\backup\\Programs\\*.*,63)",
                  "ListFolder(D:\\backup\\Common_Programs\\*.*,63)",
                  "FolderExists(D:\\backup\\Programs\\)", "CreateFolder(D:\\backup\\Programs\\)",
                  "Copy(" + User + "\\*.* -> D:\\backup\\Programs\\)",
                  "FolderExists(D:\\backup\\Common_Programs\\)",
                  "CreateFolder(D:\\backup\\Common_Programs\\)",
                  "Copy(" + Common + "\\*.* -> D:\\backup\\Common_Programs\\)",
                  "ShowMessage(Резервная копия создана!)"}));
}

TEST_F(ActionsTest, BackupReusesExistingFoldersAndAddsTheMissingBackslash) {
    shell.folders = {"C:\\x\\backup\\Programs", "C:\\x\\backup\\Common_Programs"};
    MakeBackup(shell, "C:\\x\\backup");
    EXPECT_EQ(shell.calls, (std::vector<std::string>{
                               "ListFolder(C:\\x\\backup\\Programs\\*.*,63)",
                               "ListFolder(C:\\x\\backup\\Common_Programs\\*.*,63)",
                               "FolderExists(C:\\x\\backup\\Programs\\)",
                               "Copy(" + User + "\\*.* -> C:\\x\\backup\\Programs\\)",
                               "FolderExists(C:\\x\\backup\\Common_Programs\\)",
                               "Copy(" + Common + "\\*.* -> C:\\x\\backup\\Common_Programs\\)",
                               "ShowMessage(Резервная копия создана!)"}));
}

TEST_F(ActionsTest, AFailedCopyShowsItsCodeGoesOnAndTheBackupIsIncomplete) {
    shell.opResults[User + "\\*.*"] = {1223 + 1, false};
    MakeBackup(shell, "E:\\b\\");
    EXPECT_EQ(shell.messages,
              (std::vector<std::string>{"1224", "Резервная копия создана не полностью!"}));
    EXPECT_EQ(shell.calls[8], "Copy(" + Common + "\\*.* -> E:\\b\\Common_Programs\\)");
}

TEST_F(ActionsTest, ACancelledCopyShowsNoNumberButTheBackupIsIncomplete) {
    shell.opResults[Common + "\\*.*"] = {0, true};
    MakeBackup(shell, "E:\\b\\");
    EXPECT_EQ(shell.messages, (std::vector<std::string>{"Резервная копия создана не полностью!"}));
    shell.messages.clear();
    shell.opResults[Common + "\\*.*"] = {1223, true};
    MakeBackup(shell, "E:\\b\\");
    EXPECT_EQ(shell.messages, (std::vector<std::string>{"Резервная копия создана не полностью!"}));
}

TEST_F(ActionsTest, AFolderThatCannotBeCreatedStopsTheBackupThere) {
    shell.createFailures["Q:\\missing\\b\\Programs"] = 3;
    EXPECT_THROW(
        try { MakeBackup(shell, "Q:\\missing\\b\\"); } catch (const EInOutError& e) {
            EXPECT_EQ(e.Code(), 3);
            EXPECT_EQ(ErrorBoxText(e.what()), "Неверное имя файла.");
            throw;
        },
        EInOutError);
    EXPECT_EQ(shell.calls.back(), "CreateFolder(Q:\\missing\\b\\Programs\\)");
    EXPECT_TRUE(shell.messages.empty());

    // A failure at the second folder keeps the first copy.
    shell.calls.clear();
    shell.createFailures = {{"E:\\b\\Common_Programs", 5}};
    EXPECT_THROW(MakeBackup(shell, "E:\\b\\"), EInOutError);
    EXPECT_EQ(shell.calls[4], "Copy(" + User + "\\*.* -> E:\\b\\Programs\\)");
    EXPECT_EQ(shell.calls.back(), "CreateFolder(E:\\b\\Common_Programs\\)");
}

TEST_F(ActionsTest, AnUnknownProgramsFolderIsNotCopiedAndTheBackupIsIncomplete) {
    UserProgramsDir.reset();
    MakeBackup(shell, "E:\\b\\");
    EXPECT_EQ(
        shell.calls,
        (std::vector<std::string>{
            "ListFolder(E:\\b\\Programs\\*.*,63)", "ListFolder(E:\\b\\Common_Programs\\*.*,63)",
            "FolderExists(E:\\b\\Programs\\)", "CreateFolder(E:\\b\\Programs\\)",
            "FolderExists(E:\\b\\Common_Programs\\)", "CreateFolder(E:\\b\\Common_Programs\\)",
            "Copy(" + Common + "\\*.* -> E:\\b\\Common_Programs\\)",
            "ShowMessage(" + std::string("Резервная копия создана не полностью!") + ")"}));
}

TEST_F(ActionsTest, BackupTextsThatAreNotFullPathsAreRefusedBeforeAnythingHappens) {
    for (const std::string& text : std::vector<std::string>{
             "",         "   ",          " C:\\b",      "backup",   "backup\\",   "C:",
             "C:backup", "C:/backup",    "\\backup",    "\\\\",     "\\\\server", "\\\\server\\",
             "C:\\a<b",  "C:\\a>b",      "C:\\a|b",     "C:\\a\"b", "C:\\a?b",    "C:\\a*b",
             "C:\\a:b",  "C:\\x\\..\\y", "C:\\x\\.\\y", "C:\\x\\.."}) {
        shell.calls.clear();
        MakeBackup(shell, text);
        EXPECT_EQ(shell.calls,
                  (std::vector<std::string>{
                      "ShowMessage(" +
                      std::string("Укажите полный путь к папке для резервной копии.") + ")"}))
            << "text: [" << text << "]";
    }
}

TEST_F(ActionsTest, FullPathsOfBothKindsAreAccepted) {
    for (const std::string& text :
         std::vector<std::string>{"C:\\", "z:\\Резерв копия", "\\\\server\\share",
                                  "\\\\server\\share\\b\\", "C:\\バックアップ"}) {
        shell.messages.clear();
        MakeBackup(shell, text);
        EXPECT_EQ(shell.messages, (std::vector<std::string>{"Резервная копия создана!"})) << text;
    }
}

TEST_F(ActionsTest, ABackupFolderInsideEitherProgramsFolderIsRefused) {
    CommonProgramsDir = "C:\\ProgramData\\Пуск\\Programs";
    for (const std::string& text : std::vector<std::string>{
             User + "\\", User, "c:\\users\\ann\\START MENU\\programs\\Backup\\",
             "C:\\PROGRAMDATA\\ПУСК\\programs", "c:\\programdata\\пуск\\Programs\\Ёлка\\b"}) {
        shell.calls.clear();
        MakeBackup(shell, text);
        EXPECT_EQ(
            shell.calls,
            (std::vector<std::string>{
                "ShowMessage(" +
                std::string("Папка для резервной копии не может находиться внутри меню \"Пуск\".") +
                ")"}))
            << text;
    }
    // A neighbour whose name merely begins like the Programs folder is fine.
    shell.messages.clear();
    MakeBackup(shell, User + " backup\\");
    EXPECT_EQ(shell.messages, (std::vector<std::string>{"Резервная копия создана!"}));
}

TEST_F(ActionsTest, ABackupWhoseCopiesWouldLandInTheStartMenuIsRefused) {
    // The Start Menu folder holds the user's "Programs": the user's copy would land on itself.
    UserProgramsDir = "C:\\Users\\Ann\\Start Menu\\Programs";
    CommonProgramsDir = "C:\\Data\\Menu\\Common_Programs";
    for (const std::string& text : std::vector<std::string>{
             "C:\\Users\\Ann\\Start Menu\\", "c:\\users\\ann\\start menu", "C:\\Data\\Menu\\",
             "C:\\Users\\Ann\\Start Menu\\Programs\\Programs"}) {
        shell.calls.clear();
        MakeBackup(shell, text);
        EXPECT_EQ(
            shell.calls,
            (std::vector<std::string>{
                "ShowMessage(" +
                std::string("Папка для резервной копии не может находиться внутри меню \"Пуск\".") +
                ")"}))
            << text;
    }
    // A Programs folder inside a copy's target would be copied into its own ancestor.
    UserProgramsDir = "D:\\b\\Programs\\Inner";
    shell.calls.clear();
    MakeBackup(shell, "D:\\b\\");
    EXPECT_EQ(shell.messages.back(),
              "Папка для резервной копии не может находиться внутри меню \"Пуск\".");
}

// --- Distribution ---------------------------------------------------------------------------

TEST_F(ActionsTest, DistributionMovesEachAssignedEntryIntoItsOwnProgramsFolder) {
    Add("Games", 2, false);
    Add("Skip.lnk", NoCategory, false);
    Add("Editor.lnk", 0, false);
    Add("Games", 2, true);
    Add("Chat.lnk", 4, true);
    const std::vector<TStartMenu> before = StartMenuItems;

    EXPECT_TRUE(DistributeItems(shell).Complete());
    EXPECT_EQ(FolderCalls(),
              (std::vector<std::string>{
                  "FolderExists(" + Common + "\\Игры)", "CreateFolder(" + Common + "\\Игры)",
                  "Move(" + Common + "\\Games -> " + Common + "\\Игры\\Games)",
                  "FolderExists(" + Common + "\\Офисные)", "CreateFolder(" + Common + "\\Офисные)",
                  "Move(" + Common + "\\Editor.lnk -> " + Common + "\\Офисные\\Editor.lnk)",
                  "FolderExists(" + User + "\\Игры)", "CreateFolder(" + User + "\\Игры)",
                  "Move(" + User + "\\Games -> " + User + "\\Игры\\Games)",
                  "FolderExists(" + User + "\\Интернет)", "CreateFolder(" + User + "\\Интернет)",
                  "Move(" + User + "\\Chat.lnk -> " + User + "\\Интернет\\Chat.lnk)"}));
    EXPECT_TRUE(shell.messages.empty());
    // The catalogue keeps the old paths and assignments.
    ASSERT_EQ(StartMenuItems.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(StartMenuItems[i].Path, before[i].Path);
        EXPECT_EQ(StartMenuItems[i].Category, before[i].Category);
    }
}

TEST_F(ActionsTest, AnExistingCategoryFolderIsReusedAndCreatedOnlyOnce) {
    shell.folders.insert(Common + "\\Разное");
    Add("a.lnk", 8, false);
    Add("b.lnk", 8, false);
    Add("c.lnk", 1, false);
    Add("d.lnk", 1, false);
    EXPECT_TRUE(DistributeItems(shell).Complete());
    EXPECT_EQ(CallsStartingWith(FolderCalls(), "CreateFolder(").size(), 1u);
    EXPECT_EQ(FolderCalls()[1], "Move(" + Common + "\\a.lnk -> " + Common + "\\Разное\\a.lnk)");
}

TEST_F(ActionsTest, FailedMovesShowTheirCodesAndTheLoopGoesOn) {
    Add("a.lnk", 0, false);
    Add("b.lnk", 0, false);
    Add("c.lnk", 0, true);
    Add("d.lnk", 0, true);
    shell.opResults[Common + "\\a.lnk"] = {2, false};
    shell.opResults[User + "\\c.lnk"] = {0x7C, false};
    shell.opResults[User + "\\d.lnk"] = {1223, true}; // cancelled: no number
    EXPECT_FALSE(DistributeItems(shell).Complete());
    EXPECT_EQ(shell.messages, (std::vector<std::string>{"2", "124"}));
    EXPECT_EQ(CallsStartingWith(shell.calls, "Move(").size(), 4u);
}

// A name taken by a file: the loop stops at the first entry sent there.
TEST_F(ActionsTest, AFolderThatCannotBeCreatedStopsTheLoopAndKeepsEarlierMoves) {
    Add("a.lnk", 3, false);
    Add("b.lnk", 6, false);
    Add("c.lnk", 3, false);
    shell.createFailures[Common + "\\Графика"] = 183;
    try {
        DistributeItems(shell);
        FAIL() << "the folder failure must stop the distribution";
    } catch (const EInOutError& e) {
        EXPECT_EQ(ErrorBoxText(e.what()), "Ошибка ввода-вывода 183.");
    }
    EXPECT_EQ(FolderCalls(), (std::vector<std::string>{"FolderExists(" + Common + "\\Развлечения)",
                                                       "CreateFolder(" + Common + "\\Развлечения)",
                                                       "Move(" + Common + "\\a.lnk -> " + Common +
                                                           "\\Развлечения\\a.lnk)",
                                                       "FolderExists(" + Common + "\\Графика)",
                                                       "CreateFolder(" + Common + "\\Графика)"}));
}

// Without administrator rights the all-users folder refuses access: its entries stay, with one
// message, and the user's move; pressed again, only what is left moves, and the report says so.
TEST_F(ActionsTest, AProgramsFolderThatRefusesAccessKeepsItsEntriesAndARetryMovesOnlyTheRest) {
    Add("a.lnk", 0, false);
    Add("b.lnk", 1, false);
    Add("c.lnk", 0, true);
    Add("d.lnk", 4, true);
    const std::string refused =
        "Папку \"" + Common +
        "\" может изменять только администратор, поэтому её программы остались на месте. Чтобы "
        "распределить их, запустите Orvane от имени администратора.";
    shell.createFailures[Common + "\\Офисные"] = 5;
    TDistribution result = DistributeItems(shell);
    EXPECT_FALSE(result.Complete());
    EXPECT_EQ(shell.messages, (std::vector<std::string>{refused}));
    EXPECT_EQ(CallsStartingWith(shell.calls, "Move(").size(), 2u);
    EXPECT_TRUE(shell.PathExists(User + "\\Интернет\\d.lnk"));

    // The shell's own code for a source it may not move refuses the folder just the same.
    shell.createFailures.clear();
    shell.opResults[Common + "\\a.lnk"] = {0x78, false};
    shell.messages.clear();
    shell.calls.clear();
    EXPECT_FALSE(DistributeItems(shell).Complete());
    EXPECT_EQ(shell.messages, (std::vector<std::string>{refused}));
    EXPECT_EQ(CallsStartingWith(shell.calls, "Move(").size(), 1u);
    EXPECT_FALSE(shell.PathExists(Common + "\\Офисные")); // made for nothing, removed again

    shell.opResults.clear();
    shell.calls.clear();
    result = DistributeItems(shell);
    EXPECT_TRUE(result.Complete());
    EXPECT_EQ(CallsStartingWith(shell.calls, "Move("),
              (std::vector<std::string>{
                  "Move(" + Common + "\\a.lnk -> " + Common + "\\Офисные\\a.lnk)",
                  "Move(" + Common + "\\b.lnk -> " + Common + "\\Утилиты\\b.lnk)"}));
    EXPECT_EQ(DistributionReport(result),
              std::string("Программы успешно распределены по категориям!") +
                  "\nПрограммы, перемещённые раньше (2), повторно не "
                  "перемещались.");
}

// A cancel in the shell's dialog stops the distribution there; a move the shell reports as done
// but did not make is not taken for done; no category folder made for them is left empty.
TEST_F(ActionsTest, ACancelStopsAndNoFolderIsLeftEmptyByMovesThatDidNotHappen) {
    Add("a.lnk", 0, false);
    StartMenuItems.push_back({Common + "\\Ghost.lnk", 1, false}); // not there at all
    Add("b.lnk", 2, false);
    Add("c.lnk", 3, true);
    shell.opResults[Common + "\\b.lnk"] = {0, true};
    EXPECT_FALSE(DistributeItems(shell).Complete());
    EXPECT_EQ(shell.messages,
              (std::vector<std::string>{"Не удалось переместить \"" + Common + "\\Ghost.lnk\"."}));
    EXPECT_EQ(CallsStartingWith(shell.calls, "Move(").size(), 3u); // c is not tried
    EXPECT_TRUE(shell.PathExists(Common + "\\Офисные\\a.lnk"));
    for (const char* empty : {"\\Утилиты", "\\Игры"})
        EXPECT_FALSE(shell.PathExists(Common + empty)) << empty;
    EXPECT_EQ(UndoReport(UndoLastDistribution(shell)),
              "Все программы возвращены на прежние места!"); // a, the one move made
    EXPECT_TRUE(shell.PathExists(Common + "\\a.lnk"));
}

TEST_F(ActionsTest, AMovedEntryTakesItsLocalizedNameLineIntoItsCategoryFolderOnlyAfterTheMove) {
    Add("Notepad.lnk", 1, false);
    Add("Plain.lnk", 1, false);
    Add("Failing.lnk", 1, false);
    Add("Notepad.lnk", 1, true); // the user's folder has no such line
    shell.desktopInis[Common][FileNamesSection] = {{"notepad.lnk", "@%SystemRoot%\\n.dll,-7"},
                                                   {"Failing.lnk", "Сбой"}};
    shell.opResults[Common + "\\Failing.lnk"] = {2, false};
    EXPECT_FALSE(DistributeItems(shell).Complete());
    const std::vector<std::string> writes = CallsStartingWith(shell.calls, "WriteDesktopIni(");
    EXPECT_EQ(writes, (std::vector<std::string>{"WriteDesktopIni(" + Common +
                                                "\\Утилиты,LocalizedFileNames,Notepad.lnk=@%"
                                                "SystemRoot%\\n.dll,-7)"}));
    EXPECT_EQ(FolderCalls()[2],
              "Move(" + Common + "\\Notepad.lnk -> " + Common + "\\Утилиты\\Notepad.lnk)");
    EXPECT_EQ(FolderCalls()[3], writes[0]);
    EXPECT_EQ(shell.messages, (std::vector<std::string>{"2"}));

    // A line that cannot be written shows its code, and the distribution is incomplete.
    FakeShell failing;
    failing.specialFolders = shell.specialFolders;
    failing.folders.insert(LocalAppData);
    failing.desktopInis[Common][FileNamesSection] = {{"Notepad.lnk", "Блокнот"}};
    failing.iniWriteFailures[Common + "\\Утилиты"] = 5;
    for (TStartMenu& entry : StartMenuItems) {
        entry.Moved = false;
        failing.files.insert(entry.Path);
    }
    EXPECT_FALSE(DistributeItems(failing).Complete());
    EXPECT_EQ(failing.messages, (std::vector<std::string>{"5"}));
}

TEST_F(ActionsTest, NothingAssignedMovesNothingAndSucceeds) {
    Add("a.lnk", NoCategory, false);
    EXPECT_TRUE(DistributeItems(shell).Complete());
    EXPECT_TRUE(shell.calls.empty());
    ResetCatalogue();
    EXPECT_TRUE(DistributeItems(shell).Complete());
    EXPECT_TRUE(shell.calls.empty());
    EXPECT_TRUE(shell.textFiles.empty()); // no journal without a move
}

TEST_F(ActionsTest, EntriesOfAnUnknownProgramsFolderAreNeverMoved) {
    Add("a.lnk", 0, true);
    UserProgramsDir.reset();
    EXPECT_TRUE(DistributeItems(shell).Complete());
    EXPECT_TRUE(shell.calls.empty());
}

// Elevated, the program opens links through the desktop shell, so that the browser or mail
// program runs with the user's own rights; as the shell opens them when it is not elevated or the
// desktop shell cannot be reached.
TEST_F(ModelTest, LinksOpenWithTheUsersOwnRightsWhenTheProgramIsElevated) {
    const std::string link = "https://lintrowe.example/";
    shell.elevated = true;
    OpenLink(shell, link);
    shell.desktopShell = false;
    OpenLink(shell, link);
    shell.elevated = false;
    shell.desktopShell = true;
    OpenLink(shell, link);
    EXPECT_EQ(shell.calls,
              (std::vector<std::string>{"OpenThroughDesktopShell(" + link + ")",
                                        "OpenThroughDesktopShell(" + link + ")",
                                        "OpenInShell(" + link + ")", "OpenInShell(" + link + ")"}));
    EXPECT_EQ(shell.opened, (std::vector<std::string>{"desktop shell: " + link, link, link}));
}

TEST(ErrorBox, ShowsTheIoErrorWithAFullStopUnlessTheTextEndsInOneOrBelowIt) {
    // A missing parent folder, no write rights, a file where the folder should be.
    EXPECT_EQ(ErrorBoxText(IoErrorText(3)), "Неверное имя файла.");
    EXPECT_EQ(ErrorBoxText(IoErrorText(5)), "Отказано в доступе к файлу.");
    EXPECT_EQ(ErrorBoxText(IoErrorText(183)), "Ошибка ввода-вывода 183.");
    for (const char* kept : {"Stop!", "a, b,", "Done."})
        EXPECT_EQ(ErrorBoxText(kept), kept);
    EXPECT_EQ(ErrorBoxText("path/"), "path/.");
    EXPECT_EQ(ErrorBoxText(""), ".");
}

} // namespace
