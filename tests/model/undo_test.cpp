// The way back: backups that never mix, the journal of each distribution and the undo.
#include "actions/backup.h"
#include "actions/distribution.h"
#include "actions/journal.h"
#include "actions/undo.h"
#include "catalogue/catalogue.h"
#include "support/model_fixture.h"

namespace {

using Names = std::vector<std::string>;

class UndoTest : public ActionsTest {
protected:
    Names Undo() {
        shell.messages.clear();
        shell.ShowMessage(UndoReport(UndoLastDistribution(shell)));
        return shell.messages;
    }
    bool Has(const std::string& path) { return shell.PathExists(path); }
};

TEST_F(UndoTest, ABackupNeverGoesIntoAFolderThatHoldsOneAndTheOfferedFolderHoldsNone) {
    for (const char* copy : {"Programs", "Common_Programs"}) {
        shell.files = {std::string("D:\\b\\") + copy + "\\Old.lnk"};
        ExpectBackupRefused(
            "D:\\b",
            "В папке \"D:\\b\\\" уже есть резервная копия. Укажите, пожалуйста, другую папку.");
    }
    // Empty copy folders hold no backup.
    shell.files.clear();
    shell.folders.insert("D:\\b\\Programs");
    EXPECT_TRUE(MakeBackup(shell, "D:\\b\\"));

    const std::string app = "C:\\Tools\\";
    EXPECT_EQ(DefaultBackupFolder(shell, app), app + "backup");
    shell.files.insert(app + "backup\\Programs\\a.lnk");
    shell.files.insert(app + "backup 2\\Common_Programs\\b.lnk");
    EXPECT_EQ(DefaultBackupFolder(shell, app), app + "backup 3");
}

// Two entries the user changed after the distribution stay where they are and are named; the rest
// go back, and the category folders the distribution created go, with their desktop.ini lines.
TEST_F(UndoTest, UndoMovesBackWhatIsUnchangedAndLeavesWhatTheUserChanged) {
    const std::string writer = Add("Writer.lnk", 0, false);
    Add("Games", 2, false);
    shell.folders.insert(Common + "\\Games");
    shell.files.insert(Common + "\\Games\\Chess.lnk");
    const std::string mail = Add("Mail.lnk", 4, true);
    const std::string notes = Add("Notes.lnk", 0, true);
    const std::string old = Add("Old.lnk", 0, true);
    // The user's office folder was there before, with a name line of its own.
    shell.folders.insert(User + "\\Офисные");
    shell.files.insert(User + "\\Офисные\\Own.lnk");
    shell.desktopInis[User + "\\Офисные"][FileNamesSection] = {{"Own.lnk", "Своё"}};
    shell.desktopInis[Common][FileNamesSection] = {{"Writer.lnk", "Писатель"}};
    ASSERT_TRUE(DistributeItems(shell).Complete());
    EXPECT_TRUE(Has(Common + "\\Игры\\Games\\Chess.lnk"));
    EXPECT_TRUE(shell.desktopInis.count(Common + "\\Офисные"));
    EXPECT_TRUE(CanUndo(shell));
    EXPECT_EQ(shell.notified, Names({Common, Common + "\\Игры", Common + "\\Офисные", User,
                                     User + "\\Интернет", User + "\\Офисные"}));
    // Two journals of one name, the all-users one and the user's, a line a move: old path, new
    // path, folder created, name line, file created.
    ASSERT_EQ(shell.textFiles.size(), 2u);
    const auto& [commonPath, commonJournal] = *shell.textFiles.begin();
    const auto& [userPath, userJournal] = *std::next(shell.textFiles.begin());
    EXPECT_EQ(commonPath, ProgramData + "\\Orvane\\" + FileNameOf(userPath));
    EXPECT_EQ(commonJournal.substr(0, commonJournal.find('\n') + 1),
              writer + "\t" + Common + "\\Офисные\\Writer.lnk\t1\tWriter.lnk=Писатель\t1\r\n");
    EXPECT_NE(userJournal.find(notes + "\t" + User + "\\Офисные\\Notes.lnk\t0\t\t0\r\n"),
              std::string::npos);

    shell.files.erase(User + "\\Офисные\\Notes.lnk"); // renamed in its category folder
    shell.files.insert(User + "\\Офисные\\Notes 2.lnk");
    shell.files.insert(old); // a new file takes the old name
    shell.notified.clear();
    EXPECT_EQ(Undo(), Names({"Возвращено на прежние места: 3 из 5. Остались где были:\n"
                             "Old — прежнее имя уже занято\n"
                             "Notes — перемещён или удалён после распределения"}));
    for (const std::string& back : {writer, mail, Common + "\\Games\\Chess.lnk"})
        EXPECT_TRUE(Has(back)) << back;
    for (const std::string& gone : {Common + "\\Офисные", Common + "\\Игры", User + "\\Интернет"})
        EXPECT_FALSE(Has(gone)) << gone;
    EXPECT_TRUE(Has(User + "\\Офисные\\Old.lnk"));
    EXPECT_EQ(shell.desktopInis[User + "\\Офисные"][FileNamesSection],
              (std::vector<std::pair<std::string, std::string>>{{"Own.lnk", "Своё"}}));
    EXPECT_EQ(shell.desktopInis[Common][FileNamesSection].size(), 1u); // the Programs folder's
    EXPECT_EQ(shell.notified, Names({Common, User}));
    // The entries moved back can be distributed again; the two left stay moved.
    std::vector<bool> moved;
    for (const TStartMenu& entry : StartMenuItems)
        moved.push_back(entry.Moved);
    EXPECT_EQ(moved, (std::vector<bool>{false, false, false, true, true}));

    // What was left is left for good: a second undo has nothing to do.
    EXPECT_FALSE(CanUndo(shell));
    const auto files = shell.files;
    EXPECT_EQ(Undo(), Names({"Нет распределений, которые можно отменить."}));
    EXPECT_EQ(shell.files, files);
}

TEST_F(UndoTest, DistributionsAreUndoneNewestFirstAndAFailedMoveBackIsTriedAgain) {
    const std::string a = Add("A.lnk", 0, false);
    const std::string b = Add("B.lnk", NoCategory, false);
    ASSERT_TRUE(DistributeItems(shell).Complete());
    StartMenuItems[1].Category = 1;
    const TDistribution second = DistributeItems(shell);
    ASSERT_TRUE(second.Complete());
    // A is not moved twice: each journal holds its own move.
    EXPECT_EQ(second.MovedBefore, 1u);
    EXPECT_EQ(JournalLines(), Names({a + "\t" + Common + "\\Офисные\\A.lnk\t1\t\t0",
                                     b + "\t" + Common + "\\Утилиты\\B.lnk\t1\t\t0"}));
    EXPECT_EQ(shell.files,
              (std::set<std::string>{Common + "\\Офисные\\A.lnk", Common + "\\Утилиты\\B.lnk"}));

    shell.opResults[Common + "\\Утилиты\\B.lnk"] = {5, false};
    EXPECT_EQ(Undo(), Names({"Возвращено на прежние места: 0 из 1. Остались где были:\n"
                             "B — не удалось переместить (код 5)"}));
    EXPECT_TRUE(Has(Common + "\\Утилиты\\B.lnk"));
    shell.opResults.clear();
    EXPECT_EQ(Undo(), Names({"Все программы возвращены на прежние места!"}));
    EXPECT_TRUE(Has(b));
    EXPECT_TRUE(Has(Common + "\\Офисные\\A.lnk"));
    EXPECT_EQ(Undo(), Names({"Все программы возвращены на прежние места!"}));
    EXPECT_TRUE(Has(a));
    EXPECT_FALSE(Has(Common + "\\Офисные"));
    EXPECT_EQ(Undo(), Names({"Нет распределений, которые можно отменить."}));
}

// A distribution that stops half-way (a category folder that cannot be made) has recorded each
// move as it was made: the undo moves back exactly those.
TEST_F(UndoTest, ADistributionStoppedHalfWayIsUndoneExactly) {
    const std::string a = Add("A.lnk", 0, true);
    const std::string b = Add("B.lnk", 1, true);
    shell.createFailures[User + "\\Утилиты"] = 183;
    EXPECT_THROW(DistributeItems(shell), EInOutError);
    ASSERT_FALSE(Has(a));
    EXPECT_EQ(Undo(), Names({"Все программы возвращены на прежние места!"}));
    EXPECT_TRUE(Has(a));
    EXPECT_TRUE(Has(b));
    EXPECT_FALSE(Has(User + "\\Офисные"));
}

TEST_F(UndoTest, WithoutAJournalNothingMoves) {
    Add("A.lnk", 0, true);
    shell.appendFailure = 5;
    const TDistribution result = DistributeItems(shell);
    EXPECT_TRUE(result.NotStarted);
    EXPECT_EQ(shell.messages,
              Names({"Не удалось начать журнал перемещений (код 5), а без него "
                     "распределение нельзя было бы отменить. Ничего не перемещено."}));
    EXPECT_EQ(Below(User), std::set<std::string>{"A.lnk"});
}

} // namespace

// --- Journals that did not come from a distribution ----------------------------------------------

class PlantedJournalTest : public UndoTest {
protected:
    const std::string Journals = LocalAppData + "\\Orvane";
    // Puts a journal text into the journal folder, as any program of the user's could.
    void Plant(const std::string& name, const std::string& text) {
        shell.folders.insert(Journals);
        shell.textFiles[Journals + "\\" + name] = text;
    }
    // A move record whose new path holds a file, so that acting on it would move that file.
    std::string Record(const std::string& from, const std::string& to,
                       const std::string& rest = "\t0\t\t0") {
        shell.files.insert(to);
        return from + "\t" + to + rest + "\r\n";
    }
};

TEST_F(PlantedJournalTest, RecordsOutsideTheStartMenuAreNeverActedOnAndTheOthersAreUndone) {
    const std::string temp = LocalAppData + "\\Temp\\evil.dll";
    const std::string office = User + "\\Офисные";
    shell.folders = {LocalAppData, "C:\\Empty", office};
    const std::string good = User + "\\Writer.lnk";
    std::string text = Record(good, office + "\\Writer.lnk", "\t1\tWriter.lnk=Писатель\t0");
    text += Record("C:\\Program Files\\App\\version.dll", temp);     // outside both folders
    text += Record(User + "\\B.lnk", User + "\\Tools\\B.lnk");       // not a category folder
    text += Record(User + "\\C.lnk", Common + "\\Офисные\\C.lnk");   // the other Programs folder
    text += Record(Common + "\\H.lnk", Common + "\\Офисные\\H.lnk"); // only the all-users one
    text += Record(User + "\\D.lnk", office + "\\E.lnk");            // another name
    text += Record(User + "\\F.lnk", office + "\\F.lnk", "\t0\tWriter.lnk=x\t0"); // another line
    text += Record(User + "\\..\\..\\Windows\\x.dll", office + "\\x.dll");        // a way out
    text += Record(office + "\\G.lnk", LocalAppData + "\\Orvane\\replaced\\other\\1\\G.lnk");
    text += "removed\tC:\\Empty\r\n";
    // Lines that are no records at all.
    text += "undone\t99\r\nkept\tx\ty\r\nundone\t1\textra\r\n" + Record("a", "b", "\t2\t\t0") +
            "\x01\xff\xfe\tjunk\r\n" + std::string(140000, 'x') + "\r\n";
    Plant("2026-01-01 00.00.00.000.txt", text);
    shell.desktopInis[office][FileNamesSection] = {{"Writer.lnk", "Писатель"}, {"Own.lnk", "Своё"}};
    const auto before = shell.files;
    ASSERT_TRUE(CanUndo(shell));

    EXPECT_EQ(Undo(), Names({"Возвращено на прежние места: 1 из 10. Остались где были:\n"
                             "Empty — запись журнала не относится к меню «Пуск»\n"
                             "G — запись журнала не относится к меню «Пуск»\n"
                             "x — запись журнала не относится к меню «Пуск»\n"
                             "F — запись журнала не относится к меню «Пуск»\n"
                             "D — запись журнала не относится к меню «Пуск»\n"
                             "H — запись журнала не относится к меню «Пуск»\n"
                             "C — запись журнала не относится к меню «Пуск»\n"
                             "B — запись журнала не относится к меню «Пуск»\n"
                             "version — запись журнала не относится к меню «Пуск»"}));
    // Only the good record's entry is back, and only its name line is gone.
    EXPECT_TRUE(Has(good));
    EXPECT_FALSE(Has(office + "\\Writer.lnk"));
    for (const std::string& refused :
         {std::string("C:\\Program Files\\App\\version.dll"), User + "\\B.lnk", User + "\\C.lnk",
          Common + "\\H.lnk", User + "\\D.lnk", User + "\\F.lnk", User + "\\..\\..\\Windows\\x.dll",
          office + "\\G.lnk"})
        EXPECT_FALSE(Has(refused)) << refused;
    EXPECT_EQ(shell.desktopInis[office][FileNamesSection],
              (std::vector<std::pair<std::string, std::string>>{{"Own.lnk", "Своё"}}));
    EXPECT_TRUE(Has("C:\\Empty"));
    // The refused records are marked, so that they are not tried again.
    EXPECT_FALSE(CanUndo(shell));
    EXPECT_EQ(Undo(), Names({"Нет распределений, которые можно отменить."}));
    for (const std::string& path : before) {
        if (path != office + "\\Writer.lnk")
            EXPECT_TRUE(Has(path)) << path;
    }
}

TEST_F(PlantedJournalTest, OnlyRecordsThatPassTheChecksEnableTheUndo) {
    const std::string outside = Record("C:\\Windows\\System32\\x.dll", User + "\\Игры\\x.dll");
    Plant("2026-01-02 00.00.00.000.txt", outside);
    EXPECT_FALSE(CanUndo(shell));
    // A category folder that is a folder link leads out of the Programs folder: nothing goes
    // through it.
    shell.folders.insert(User + "\\Игры");
    shell.folderLinks.insert(User + "\\Игры");
    Plant("2026-01-03 00.00.00.000.txt", Record(User + "\\x.dll", User + "\\Игры\\x.dll"));
    ASSERT_TRUE(CanUndo(shell));
    auto files = shell.files;
    const auto folders = shell.folders;
    EXPECT_EQ(Undo(), Names({"Возвращено на прежние места: 0 из 1. Остались где были:\n"
                             "x — запись журнала не относится к меню «Пуск»"}));
    EXPECT_EQ(shell.files, files);
    EXPECT_EQ(shell.folders, folders);
    // A journal larger than any distribution writes is not read, and the report says so.
    Plant("2026-01-04 00.00.00.000.txt",
          Record(User + "\\y.lnk", User + "\\Игры\\y.lnk") + std::string(16 << 20, '\n'));
    files = shell.files;
    EXPECT_FALSE(CanUndo(shell));
    // The undo names on its way what the journal that holds nothing else asked for.
    EXPECT_EQ(Undo(), Names({"Возвращено на прежние места: 0 из 1. Остались где были:\n"
                             "x — запись журнала не относится к меню «Пуск»\n"
                             "Журнал «2026-01-04 00.00.00.000.txt» пропущен: он больше 16 МБ, а "
                             "распределение таких не пишет."}));
    EXPECT_EQ(shell.files, files);
    EXPECT_EQ(Undo(), Names({std::string("Нет распределений, которые можно отменить.") +
                             "\nЖурнал «2026-01-04 00.00.00.000.txt» пропущен: он больше 16 МБ, а "
                             "распределение таких не пишет."}));
}

// --- A second run onto names the category folders hold already ----------------------------------

class SecondRunTest : public UndoTest {
protected:
    const std::string Tools = User + "\\Утилиты";
    // A shortcut with its target, and bytes of its own.
    void Link(const std::string& path, const std::string& target, const std::string& bytes) {
        shell.textFiles[path] = bytes;
        shell.shortcuts[path] = {target, "", "", "", ""};
    }
    // The Start menu's files with their content, and its folders.
    std::pair<std::map<std::string, std::string>, std::set<std::string>> Menu() const {
        std::map<std::string, std::string> files;
        for (const auto& [path, text] : shell.textFiles) {
            if (path.rfind(LocalAppData, 0) != 0)
                files[path] = text;
        }
        std::set<std::string> folders;
        for (const std::string& folder : shell.folders) {
            if (folder.rfind(LocalAppData, 0) != 0)
                folders.insert(folder);
        }
        return {files, folders};
    }
    std::string Keeping() const {
        for (const auto& [path, text] : shell.textFiles) {
            if (path.rfind(LocalAppData + "\\Orvane\\", 0) == 0 &&
                path.find("replaced") == std::string::npos)
                return KeepingFolderOf(path);
        }
        return "";
    }
    void Assign(const std::string& name) {
        StartMenuItems.push_back({User + "\\" + name, 1, true});
    }
};

TEST_F(SecondRunTest,
       TheSameProgramIsReplacedIntoKeepingAGroupIsMergedAnythingElseStaysAndAllUndo) {
    shell.folders = {LocalAppData, User, Tools, Tools + "\\Games", User + "\\Games"};
    // What the first distribution put into the category folder.
    Link(Tools + "\\Text Editor.lnk", "C:\\Apps\\edit.exe", "earlier editor link");
    Link(Tools + "\\Player.lnk", "C:\\Apps\\player.exe", "player link");
    shell.textFiles[Tools + "\\Site.url"] = "[InternetShortcut]\r\nURL=https://example.org/\r\n";
    shell.textFiles[Tools + "\\Games\\Chess.lnk"] = "chess";
    // What the updates recreated at the top: the same editor (other bytes, same target), the
    // same internet shortcut byte for byte, another program under the player's name, and the
    // group with one item more.
    Link(User + "\\Text Editor.lnk", "c:\\apps\\EDIT.exe", "recreated editor link");
    Link(User + "\\Player.lnk", "C:\\Other\\player.exe", "another player");
    shell.textFiles[User + "\\Site.url"] = shell.textFiles[Tools + "\\Site.url"];
    shell.textFiles[User + "\\Games\\Chess.lnk"] = "chess";
    shell.textFiles[User + "\\Games\\Cards.lnk"] = "cards";
    for (const char* name : {"Text Editor.lnk", "Player.lnk", "Site.url", "Games"})
        Assign(name);
    // The editor's name line, which the first distribution wrote into the category folder too.
    shell.desktopInis[User][FileNamesSection] = {{"Text Editor.lnk", "Редактор"}};
    shell.desktopInis[Tools] = shell.desktopInis[User];
    const auto before = Menu();
    const auto inis = shell.desktopInis;

    const TDistribution result = DistributeItems(shell);
    EXPECT_FALSE(result.Complete());
    EXPECT_EQ(DistributionReport(result),
              std::string("Не все программы удалось распределить по категориям!") +
                  "\n«Player» осталась на месте: в папке «Утилиты» уже есть программа с таким "
                  "именем.");
    const std::string keeping = Keeping();
    const auto [files, folders] = Menu();
    EXPECT_EQ(files.at(Tools + "\\Text Editor.lnk"), "recreated editor link");
    EXPECT_EQ(shell.textFiles.at(keeping + "\\1\\Text Editor.lnk"), "earlier editor link");
    EXPECT_TRUE(Has(keeping + "\\2\\Site.url"));
    EXPECT_EQ(shell.textFiles.at(keeping + "\\3\\Chess.lnk"), "chess");
    EXPECT_EQ(files.at(Tools + "\\Games\\Cards.lnk"), "cards");
    EXPECT_EQ(files.at(User + "\\Player.lnk"), "another player");
    EXPECT_EQ(files.at(Tools + "\\Player.lnk"), "player link");
    EXPECT_FALSE(Has(User + "\\Games"));
    EXPECT_FALSE(Has(User + "\\Text Editor.lnk"));
    // Nothing is lost: every file is in the menu or in the keeping folder.
    EXPECT_EQ(files.size() + 3, before.first.size());

    EXPECT_EQ(Undo(), Names({"Все программы возвращены на прежние места!"}));
    EXPECT_EQ(Menu(), before);
    EXPECT_EQ(shell.desktopInis, inis);
    EXPECT_FALSE(Has(keeping));
}

TEST_F(SecondRunTest, AnEarlierProgramThatCannotBeKeptLeavesBothWhereTheyAre) {
    shell.folders = {LocalAppData, User, Tools};
    Link(Tools + "\\Text Editor.lnk", "C:\\Apps\\edit.exe", "earlier");
    Link(User + "\\Text Editor.lnk", "C:\\Apps\\edit.exe", "recreated");
    Assign("Text Editor.lnk");
    shell.opResults[Tools + "\\Text Editor.lnk"] = {5, false};
    const auto before = Menu();
    EXPECT_EQ(DistributionReport(DistributeItems(shell)),
              std::string("Не все программы удалось распределить по категориям!") +
                  "\n«Text Editor» осталась на месте: прежнюю программу с таким именем не удалось "
                  "убрать из папки «Утилиты» (код 5).");
    EXPECT_EQ(Menu(), before);
}
