#include "actions/backup.h"
#include "actions/distribution.h"
#include "actions/undo.h"
#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "support/model_fixture.h"

namespace {

using Names = std::vector<std::string>;
using Paths = std::set<std::string>;

// --- Backup ---------------------------------------------------------------------------------

class BackupTest : public ActionsTest {
protected:
    // Both Programs folders with a shortcut each, and the user's with a program group.
    void SetUp() override {
        ActionsTest::SetUp();
        shell.folders = {LocalAppData, User, User + "\\Games", Common};
        shell.files = {User + "\\Writer.lnk", User + "\\Games\\Chess.lnk", Common + "\\Mail.lnk"};
    }
    const Paths userCopy{"Games", "Games\\Chess.lnk", "Writer.lnk"};
    const Paths commonCopy{"Mail.lnk"};
};

TEST_F(BackupTest, BackupCreatesBothFoldersCopiesUserThenAllUsersAndReportsSuccess) {
    shell.folders.insert("D:\\backup");
    EXPECT_TRUE(MakeBackup(shell, "D:\\backup\\"));
    EXPECT_EQ(shell.messages, Names{"Резервная копия создана!"});
    EXPECT_EQ(Below("D:\\backup"),
              (Paths{"Common_Programs", "Common_Programs\\Mail.lnk", "Programs", "Programs\\Games",
                     "Programs\\Games\\Chess.lnk", "Programs\\Writer.lnk"}));
    EXPECT_EQ(Below(User), userCopy);
    // The user's folder is copied first.
    EXPECT_EQ(CallsStartingWith(shell.calls, "Copy("),
              (Names{"Copy(" + User + "\\*.* -> D:\\backup\\Programs\\)",
                     "Copy(" + Common + "\\*.* -> D:\\backup\\Common_Programs\\)"}));
}

// The copy folders there already (empty) are used as they are: creating them again would fail.
TEST_F(BackupTest, BackupReusesExistingFoldersAndAddsTheMissingBackslash) {
    shell.folders.insert({"C:\\x\\backup\\Programs", "C:\\x\\backup\\Common_Programs"});
    EXPECT_TRUE(MakeBackup(shell, "C:\\x\\backup"));
    EXPECT_EQ(shell.messages, Names{"Резервная копия создана!"});
    EXPECT_EQ(Below("C:\\x\\backup\\Programs"), userCopy);
    EXPECT_EQ(Below("C:\\x\\backup\\Common_Programs"), commonCopy);
}

TEST_F(BackupTest, AFailedCopyShowsItsCodeGoesOnAndTheBackupIsIncomplete) {
    shell.opResults[User + "\\*.*"] = {1223 + 1, false};
    EXPECT_FALSE(MakeBackup(shell, "E:\\b\\"));
    EXPECT_EQ(shell.messages, (Names{"1224", "Резервная копия создана не полностью!"}));
    EXPECT_EQ(Below("E:\\b\\Programs"), Paths{});
    EXPECT_EQ(Below("E:\\b\\Common_Programs"), commonCopy);
}

TEST_F(BackupTest, ACancelledCopyShowsNoNumberButTheBackupIsIncomplete) {
    shell.opResults[Common + "\\*.*"] = {0, true};
    EXPECT_FALSE(MakeBackup(shell, "E:\\b\\"));
    EXPECT_EQ(shell.messages, Names{"Резервная копия создана не полностью!"});
    shell.messages.clear();
    shell.opResults[Common + "\\*.*"] = {1223, true};
    EXPECT_FALSE(MakeBackup(shell, "E:\\c\\"));
    EXPECT_EQ(shell.messages, Names{"Резервная копия создана не полностью!"});
}

TEST_F(BackupTest, AFolderThatCannotBeCreatedStopsTheBackupThere) {
    shell.createFailures["Q:\\missing\\b\\Programs"] = 3;
    const Disk before = OnDisk();
    EXPECT_THROW(
        try { MakeBackup(shell, "Q:\\missing\\b\\"); } catch (const EInOutError& e) {
            EXPECT_EQ(e.Code(), 3);
            EXPECT_EQ(ErrorBoxText(e.what()), "Неверное имя файла.");
            throw;
        },
        EInOutError);
    EXPECT_EQ(OnDisk(), before);
    EXPECT_TRUE(shell.messages.empty());

    // A failure at the second folder keeps the first copy.
    shell.createFailures = {{"E:\\b\\Common_Programs", 5}};
    EXPECT_THROW(MakeBackup(shell, "E:\\b\\"), EInOutError);
    EXPECT_EQ(Below("E:\\b"), (Paths{"Programs", "Programs\\Games", "Programs\\Games\\Chess.lnk",
                                     "Programs\\Writer.lnk"}));
    EXPECT_TRUE(shell.messages.empty());
}

TEST_F(BackupTest, AnUnknownProgramsFolderIsNotCopiedAndTheBackupIsIncomplete) {
    UserProgramsDir.reset();
    EXPECT_FALSE(MakeBackup(shell, "E:\\b\\"));
    EXPECT_EQ(shell.messages, Names{"Резервная копия создана не полностью!"});
    EXPECT_EQ(Below("E:\\b\\Programs"), Paths{});
    EXPECT_EQ(Below("E:\\b\\Common_Programs"), commonCopy);
}

TEST_F(BackupTest, BackupTextsThatAreNotFullPathsAreRefusedBeforeAnythingHappens) {
    for (const std::string& text : std::vector<std::string>{
             "",         "   ",          " C:\\b",      "backup",   "backup\\",   "C:",
             "C:backup", "C:/backup",    "\\backup",    "\\\\",     "\\\\server", "\\\\server\\",
             "C:\\a<b",  "C:\\a>b",      "C:\\a|b",     "C:\\a\"b", "C:\\a?b",    "C:\\a*b",
             "C:\\a:b",  "C:\\x\\..\\y", "C:\\x\\.\\y", "C:\\x\\.."})
        ExpectBackupRefused(text, "Укажите полный путь к папке для резервной копии.");
}

TEST_F(BackupTest, FullPathsOfBothKindsAreAccepted) {
    for (const std::string& text :
         std::vector<std::string>{"C:\\", "z:\\Резерв копия", "\\\\server\\share",
                                  "\\\\server\\share\\b\\", "C:\\バックアップ"}) {
        shell.messages.clear();
        MakeBackup(shell, text);
        EXPECT_EQ(shell.messages, Names{"Резервная копия создана!"}) << text;
    }
}

TEST_F(BackupTest, ABackupFolderInsideEitherProgramsFolderIsRefused) {
    CommonProgramsDir = "C:\\ProgramData\\Пуск\\Programs";
    for (const std::string& text : std::vector<std::string>{
             User + "\\", User, "c:\\users\\ann\\START MENU\\programs\\Backup\\",
             "C:\\PROGRAMDATA\\ПУСК\\programs", "c:\\programdata\\пуск\\Programs\\Ёлка\\b"})
        ExpectBackupRefused(text,
                            "Папка для резервной копии не может находиться внутри меню \"Пуск\".");
    // A neighbour whose name merely begins like the Programs folder is fine.
    shell.messages.clear();
    MakeBackup(shell, User + " backup\\");
    EXPECT_EQ(shell.messages, Names{"Резервная копия создана!"});
}

TEST_F(BackupTest, ABackupWhoseCopiesWouldLandInTheStartMenuIsRefused) {
    // The Start Menu folder holds the user's "Programs": the user's copy would land on itself.
    UserProgramsDir = "C:\\Users\\Ann\\Start Menu\\Programs";
    CommonProgramsDir = "C:\\Data\\Menu\\Common_Programs";
    for (const std::string& text : std::vector<std::string>{
             "C:\\Users\\Ann\\Start Menu\\", "c:\\users\\ann\\start menu", "C:\\Data\\Menu\\",
             "C:\\Users\\Ann\\Start Menu\\Programs\\Programs"})
        ExpectBackupRefused(text,
                            "Папка для резервной копии не может находиться внутри меню \"Пуск\".");
    // A Programs folder inside a copy's target would be copied into its own ancestor.
    UserProgramsDir = "D:\\b\\Programs\\Inner";
    ExpectBackupRefused("D:\\b\\",
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
    EXPECT_EQ(shell.files, (Paths{Common + "\\Игры\\Games", Common + "\\Skip.lnk",
                                  Common + "\\Офисные\\Editor.lnk", User + "\\Игры\\Games",
                                  User + "\\Интернет\\Chat.lnk"}));
    EXPECT_EQ(Below(Common),
              (Paths{"Skip.lnk", "Игры", "Игры\\Games", "Офисные", "Офисные\\Editor.lnk"}));
    EXPECT_TRUE(shell.messages.empty());
    // One journal line a move: old path, new path, whether the category folder was made for it.
    EXPECT_EQ(JournalLines(),
              (Names{Common + "\\Games\t" + Common + "\\Игры\\Games\t1\t\t0",
                     Common + "\\Editor.lnk\t" + Common + "\\Офисные\\Editor.lnk\t1\t\t0",
                     User + "\\Games\t" + User + "\\Игры\\Games\t1\t\t0",
                     User + "\\Chat.lnk\t" + User + "\\Интернет\\Chat.lnk\t1\t\t0"}));
    // The catalogue keeps the old paths and assignments.
    ASSERT_EQ(StartMenuItems.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(StartMenuItems[i].Path, before[i].Path);
        EXPECT_EQ(StartMenuItems[i].Category, before[i].Category);
    }
}

// A category folder there before is used as it is, one made for the first entry is used for the
// next (making either again would fail), and the journal says which this distribution made.
TEST_F(ActionsTest, AnExistingCategoryFolderIsReusedAndCreatedOnlyOnce) {
    shell.folders.insert(Common + "\\Разное");
    Add("a.lnk", 8, false);
    Add("b.lnk", 8, false);
    Add("c.lnk", 1, false);
    Add("d.lnk", 1, false);
    EXPECT_TRUE(DistributeItems(shell).Complete());
    EXPECT_EQ(Below(Common), (Paths{"Разное", "Разное\\a.lnk", "Разное\\b.lnk", "Утилиты",
                                    "Утилиты\\c.lnk", "Утилиты\\d.lnk"}));
    EXPECT_EQ(JournalLines(), (Names{Common + "\\a.lnk\t" + Common + "\\Разное\\a.lnk\t0\t\t0",
                                     Common + "\\b.lnk\t" + Common + "\\Разное\\b.lnk\t0\t\t0",
                                     Common + "\\c.lnk\t" + Common + "\\Утилиты\\c.lnk\t1\t\t0",
                                     Common + "\\d.lnk\t" + Common + "\\Утилиты\\d.lnk\t1\t\t0"}));
}

// Each entry is handed to the shell once; a failure shows its code, a cancel none, and the entries
// between them still move.
TEST_F(ActionsTest, FailedMovesShowTheirCodesAndTheLoopGoesOn) {
    Add("a.lnk", 0, false);
    Add("b.lnk", 0, false);
    Add("c.lnk", 0, true);
    Add("e.lnk", 0, true);
    Add("d.lnk", 0, true);
    shell.opResults[Common + "\\a.lnk"] = {2, false};
    shell.opResults[User + "\\c.lnk"] = {0x7C, false};
    shell.opResults[User + "\\d.lnk"] = {1223, true}; // cancelled: no number
    EXPECT_FALSE(DistributeItems(shell).Complete());
    EXPECT_EQ(shell.messages, (Names{"2", "124"}));
    EXPECT_EQ(shell.files, (Paths{Common + "\\a.lnk", Common + "\\Офисные\\b.lnk", User + "\\c.lnk",
                                  User + "\\Офисные\\e.lnk", User + "\\d.lnk"}));
    EXPECT_EQ(CallsStartingWith(shell.calls, "Move(").size(), 5u);
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
    EXPECT_EQ(Below(Common), (Paths{"b.lnk", "c.lnk", "Развлечения", "Развлечения\\a.lnk"}));
    EXPECT_EQ(JournalLines(),
              Names{Common + "\\a.lnk\t" + Common + "\\Развлечения\\a.lnk\t1\t\t0"});
    EXPECT_TRUE(shell.messages.empty());
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
    const Paths userMoved{User + "\\Офисные\\c.lnk", User + "\\Интернет\\d.lnk"};
    const auto expectFiles = [&](const Paths& common) {
        Paths all = userMoved;
        for (const std::string& name : common)
            all.insert(Common + "\\" + name);
        EXPECT_EQ(shell.files, all);
    };
    shell.createFailures[Common + "\\Офисные"] = 5;
    TDistribution result = DistributeItems(shell);
    EXPECT_FALSE(result.Complete());
    EXPECT_EQ(shell.messages, Names{refused});
    expectFiles({"a.lnk", "b.lnk"});
    EXPECT_EQ(Below(Common), (Paths{"a.lnk", "b.lnk"}));

    // The shell's own code for a source it may not move refuses the folder just the same.
    shell.createFailures.clear();
    shell.opResults[Common + "\\a.lnk"] = {0x78, false};
    shell.messages.clear();
    EXPECT_FALSE(DistributeItems(shell).Complete());
    EXPECT_EQ(shell.messages, Names{refused});
    expectFiles({"a.lnk", "b.lnk"});
    EXPECT_EQ(Below(Common), (Paths{"a.lnk", "b.lnk"})); // the folder made for nothing is gone

    shell.opResults.clear();
    result = DistributeItems(shell);
    EXPECT_TRUE(result.Complete());
    expectFiles({"Офисные\\a.lnk", "Утилиты\\b.lnk"});
    EXPECT_EQ(DistributionReport(result),
              std::string("Программы успешно распределены по категориям!") +
                  "\nПрограммы, перемещённые раньше (2), повторно не "
                  "перемещались.");
}

// A cancel in the shell's dialog stops the distribution there; a move the shell reports as done
// but did not make is not taken for done; no category folder made for them is left empty.
TEST_F(ActionsTest, ACancelStopsAndNoFolderIsLeftEmptyByMovesThatDidNotHappen) {
    Add("a.lnk", 0, false);
    StartMenuItems.push_back({User + "\\Ghost.lnk", 1, true}); // not there at all
    Add("b.lnk", 2, true);
    Add("c.lnk", 3, true);
    shell.opResults[User + "\\b.lnk"] = {0, true};
    EXPECT_FALSE(DistributeItems(shell).Complete());
    EXPECT_EQ(shell.messages, (Names{"Не удалось переместить \"" + User + "\\Ghost.lnk\"."}));
    EXPECT_EQ(Below(Common), (Paths{"Офисные", "Офисные\\a.lnk"}));
    EXPECT_EQ(Below(User), (Paths{"b.lnk", "c.lnk"})); // c not tried after the cancel
    EXPECT_EQ(UndoReport(UndoLastDistribution(shell)),
              "Все программы возвращены на прежние места!"); // a, the one move made
    EXPECT_TRUE(shell.PathExists(Common + "\\a.lnk"));
}

// The line goes into the category folder's desktop.ini under the entry's own file name, only for
// a move that was made, and only where the Programs folder's desktop.ini has one.
TEST_F(ActionsTest, AMovedEntryTakesItsLocalizedNameLineIntoItsCategoryFolderOnlyAfterTheMove) {
    Add("Notepad.lnk", 1, false);
    Add("Plain.lnk", 1, false);
    Add("Failing.lnk", 1, false);
    Add("Notepad.lnk", 1, true); // the user's folder has no such line
    shell.desktopInis[Common][FileNamesSection] = {{"notepad.lnk", "@%SystemRoot%\\n.dll,-7"},
                                                   {"Failing.lnk", "Сбой"}};
    shell.opResults[Common + "\\Failing.lnk"] = {2, false};
    const auto inis = shell.desktopInis;
    EXPECT_FALSE(DistributeItems(shell).Complete());
    auto expected = inis;
    expected[Common + "\\Утилиты"][FileNamesSection] = {{"Notepad.lnk", "@%SystemRoot%\\n.dll,-7"}};
    EXPECT_EQ(shell.desktopInis, expected);
    EXPECT_EQ(shell.messages, Names{"2"});
    EXPECT_EQ(JournalLines()[0],
              Common + "\\Notepad.lnk\t" + Common +
                  "\\Утилиты\\Notepad.lnk\t1\tNotepad.lnk=@%SystemRoot%\\n.dll,-7\t1");

    // A line that cannot be written shows its code, and the distribution is incomplete.
    FakeShell failing;
    Prepare(failing);
    failing.desktopInis[Common][FileNamesSection] = {{"Notepad.lnk", "Блокнот"}};
    failing.iniWriteFailures[Common + "\\Утилиты"] = 5;
    for (TStartMenu& entry : StartMenuItems) {
        entry.Moved = false;
        failing.files.insert(entry.Path);
    }
    EXPECT_FALSE(DistributeItems(failing).Complete());
    EXPECT_EQ(failing.messages, Names{"5"});
}

TEST_F(ActionsTest, NothingAssignedMovesNothingAndSucceeds) {
    Add("a.lnk", NoCategory, false);
    const Disk before = OnDisk();
    EXPECT_TRUE(DistributeItems(shell).Complete());
    EXPECT_EQ(OnDisk(), before); // no journal either, without a move
    ResetCatalogue();
    EXPECT_TRUE(DistributeItems(shell).Complete());
    EXPECT_EQ(OnDisk(), before);
    EXPECT_TRUE(shell.messages.empty());
}

TEST_F(ActionsTest, EntriesOfAnUnknownProgramsFolderAreNeverMoved) {
    Add("a.lnk", 0, true);
    UserProgramsDir.reset();
    const Disk before = OnDisk();
    EXPECT_TRUE(DistributeItems(shell).Complete());
    EXPECT_EQ(OnDisk(), before);
    EXPECT_TRUE(shell.messages.empty());
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
    EXPECT_EQ(shell.opened, (Names{"desktop shell: " + link, link, link}));
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
