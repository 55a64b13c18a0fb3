// Faults on the way: each stops or skips with a clear message, and nothing is lost.
#include "windows/reliability/reliability.h"

#include "actions/all_users_step.h"
#include "actions/backup.h"
#include "actions/distribution.h"
#include "actions/reapply.h"
#include "actions/undo.h"
#include "support/dialog_watcher.h"

#include <cstdio>

namespace {

// --- 2. Faults ------------------------------------------------------------------------------

class Faults : public ReliabilityTest {
protected:
    std::string Common() const { return At("All\\Programs"); }
    std::string User() const { return At("Мой\\Programs"); }
    void UseBothFolders() {
        shell.common = Common();
        shell.user = User();
        MakeFolders(Common());
        MakeFolders(User());
    }
    // Lists the Start menu and ticks every entry into one category.
    void ScanAllInto(int32_t category) {
        ScanStartMenu(shell);
        for (TStartMenu& entry : StartMenuItems)
            entry.Category = category;
    }
    // Distributes with the shell's questions answered `answer`; says whether every move was made
    // and which questions were asked.
    bool DistributeAnswering(int answer, std::vector<std::string>& dialogs) {
        DialogWatcher watcher(answer);
        const bool allMoved = DistributeItems(shell).Complete();
        dialogs = watcher.Seen();
        return allMoved;
    }
};

// A file bears the name of a category: its folder cannot be made, and the loop stops at the first
// entry sent there. The entries moved before stay moved, the rest stay where they are.
TEST_F(Faults, ACategoryNameTakenByAFileStopsTheDistributionThere) {
    UseBothFolders();
    ASSERT_TRUE(WriteFile(Common() + "\\Office.lnk", "office"));
    ASSERT_TRUE(WriteFile(User() + "\\Игры", "a file, not a folder"));
    for (const char* name : {"First.lnk", "Second.lnk", "Third.lnk"})
        ASSERT_TRUE(WriteFile(User() + "\\" + name, name));
    ScanStartMenu(shell);
    ASSERT_EQ(StartMenuItems.size(), 4u); // the file "Игры" is not listed
    Entry("Office.lnk", false).Category = 0;
    // In catalogue order, the user's first entry goes to category 0, the second to the category
    // whose name the file took, the third to category 1.
    std::vector<std::string> userOrder;
    for (const TStartMenu& entry : StartMenuItems) {
        if (entry.IsUser)
            userOrder.push_back(FileNameOf(entry.Path));
    }
    ASSERT_EQ(userOrder.size(), 3u);
    Entry(userOrder[0], true).Category = 0;
    Entry(userOrder[1], true).Category = 2;
    Entry(userOrder[2], true).Category = 1;
    const Tree commonBefore = Snapshot(Common());
    const Tree userBefore = Snapshot(User());

    DialogWatcher watcher(IDCANCEL);
    const auto [code, text] = IoFailure([&] { DistributeItems(shell); });
    EXPECT_EQ(code, 183);
    EXPECT_EQ(text, "Ошибка ввода-вывода 183.");
    EXPECT_EQ(shell.messages, std::vector<std::string>{});
    EXPECT_EQ(Snapshot(Common()), Relocated(commonBefore, {{"Office.lnk", 0}}));
    EXPECT_EQ(Snapshot(User()), Relocated(userBefore, {{userOrder[0], 0}}));
    EXPECT_FALSE(Exists(User() + "\\Утилиты"));
    EXPECT_EQ(watcher.Seen(), std::vector<std::string>{});
}

// The second run over real shortcuts: after a first distribution, an update recreates one shortcut
// as it was, one under the same name with another target, and a program group with one item more.
// The second distribution asks nothing (a question would be answered "Cancel" and counted), keeps
// the earlier shortcut, merges the group, leaves the other one at the top, and the undo brings the
// menu back byte for byte.
TEST_F(Faults, ASecondRunReplacesTheSameShortcutMergesTheGroupAndKeepsTheOtherAtTheTop) {
    UseBothFolders();
    const std::string notepad = NotepadPath();
    const auto recreate = [&] {
        ASSERT_TRUE(MakeShortcut(User() + "\\Editor.lnk", notepad));
        ASSERT_TRUE(MakeShortcut(User() + "\\Tool.lnk", notepad));
        MakeFolders(User() + "\\Cards");
        ASSERT_TRUE(WriteFile(User() + "\\Cards\\rules.txt", "rules"));
    };
    recreate();
    ScanAllInto(1);
    ASSERT_TRUE(DistributeItems(shell).Complete());

    recreate();
    ASSERT_TRUE(MakeShortcut(User() + "\\Tool.lnk", At("Other\\tool.exe")));
    ASSERT_TRUE(WriteFile(User() + "\\Cards\\new.txt", "one item more"));
    const Tree before = Snapshot(User());
    ResetCatalogue();
    UseBothFolders();
    ScanAllInto(1);
    std::vector<std::string> dialogs;
    EXPECT_FALSE(DistributeAnswering(IDCANCEL, dialogs));
    EXPECT_EQ(dialogs, std::vector<std::string>{});
    EXPECT_EQ(shell.messages, std::vector<std::string>{});
    const Tree after = Snapshot(User());
    EXPECT_EQ(after.files.count("Утилиты\\Editor.lnk"), 1u) << after;
    EXPECT_EQ(after.files.count("Утилиты\\Cards\\new.txt"), 1u) << after;
    EXPECT_EQ(after.files.count("Tool.lnk"), 1u) << after;
    EXPECT_EQ(after.folders.count("Cards"), 0u) << after;
    EXPECT_EQ(Snapshot(At("AppData\\Orvane\\replaced")).files.size(), 2u); // Editor, rules

    ASSERT_EQ(UndoReport(UndoLastDistribution(shell)),
              "Все программы возвращены на прежние места!");
    EXPECT_EQ(Snapshot(User()), before);
}

// The re-apply on real shortcuts, quietly: an update recreates two distributed shortcuts and a
// distributed group at the top, and a new program appears; the three go back without a dialog,
// the new one stays, and the undo brings the menu back byte for byte.
TEST_F(Faults, TheReapplyPutsRecreatedEntriesBackQuietlyAndTheUndoRestoresThem) {
    UseBothFolders();
    const std::string notepad = NotepadPath();
    const auto update = [&] {
        for (const char* name : {"Editor.lnk", "Tool.lnk", "Cards\\Cards.lnk"}) {
            MakeFolders(User() + "\\Cards");
            ASSERT_TRUE(MakeShortcut(User() + "\\" + name, notepad));
        }
    };
    update();
    ScanAllInto(1);
    ASSERT_TRUE(DistributeItems(shell).Complete());
    update();
    ASSERT_TRUE(MakeShortcut(User() + "\\New.lnk", notepad));
    const Tree before = Snapshot(User());

    shell.SetQuiet(true);
    DialogWatcher watcher(IDCANCEL);
    const TReapplyResult result = Reapply(shell);
    EXPECT_EQ(watcher.Seen(), std::vector<std::string>{});
    EXPECT_TRUE(result.Complete()) << ReapplyReport(result);
    EXPECT_EQ(result.Moved, 3u);
    const Tree after = Snapshot(User());
    EXPECT_EQ(after.files.count("New.lnk"), 1u) << after;
    EXPECT_EQ(after.files.count("Утилиты\\Cards\\Cards.lnk"), 1u) << after;
    EXPECT_EQ(after.folders.count("Cards"), 0u) << after;

    ASSERT_EQ(UndoReport(UndoLastDistribution(shell)),
              "Все программы возвращены на прежние места!");
    EXPECT_EQ(Snapshot(User()), before);
}

// A Programs folder that cannot be located (no path, or an empty one) is never scanned, copied or
// written to: the backup says it is incomplete but copies the other folder, and the distribution
// works on the other folder only, without touching the current directory or its drive's root.
TEST_F(Faults, AProgramsFolderThatCannotBeLocatedIsNeitherScannedNorCopiedNorWritten) {
    MakeFolders(At("cwd"));
    CurrentDirectoryScope cwd(At("cwd"));
    ASSERT_TRUE(WriteFile(At("cwd\\here.lnk"), "in the current directory"));
    wchar_t drive[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, drive);
    const std::string driveRoot = Narrow(std::wstring(drive, 3));
    for (const std::optional<std::string>& missing :
         {std::optional<std::string>{}, std::optional<std::string>{""}}) {
        SCOPED_TRACE(missing ? "empty path" : "no path");
        ResetCatalogue();
        const std::string user = At(missing ? "u1\\Programs" : "u2\\Programs");
        const std::string backup = At(missing ? "b1\\" : "b2\\");
        MakeFolders(user);
        MakeFolders(user + "\\Группа");
        ASSERT_TRUE(WriteFile(user + "\\Группа\\a.lnk", "a"));
        ASSERT_TRUE(WriteFile(user + "\\Почта.lnk", "mail"));
        shell.common = missing;
        shell.user = user;
        shell.messages.clear();
        const Tree cwdBefore = Snapshot(At("cwd"));
        const Tree userBefore = Snapshot(user);

        ScanStartMenu(shell);
        EXPECT_FALSE(CommonProgramsDir.has_value());
        ASSERT_EQ(StartMenuItems.size(), 2u);
        for (const TStartMenu& entry : StartMenuItems)
            EXPECT_TRUE(entry.IsUser) << entry.Path;

        MakeFolders(backup);
        MakeBackup(shell, backup);
        EXPECT_EQ(shell.messages,
                  std::vector<std::string>{"Резервная копия создана не полностью!"});
        EXPECT_EQ(Snapshot(backup + "Programs"), userBefore);
        EXPECT_EQ(Snapshot(backup + "Common_Programs"), Tree{});

        Entry("Группа", true).Category = 4;
        Entry("Почта.lnk", true).Category = 4;
        shell.messages.clear();
        EXPECT_TRUE(DistributeItems(shell).Complete());
        EXPECT_EQ(shell.messages, std::vector<std::string>{});
        EXPECT_EQ(Snapshot(user), Relocated(userBefore, {{"Группа", 4}, {"Почта.lnk", 4}}));
        EXPECT_EQ(Snapshot(At("cwd")), cwdBefore);
        for (const std::string& category : CategoryNames)
            EXPECT_FALSE(Exists(driveRoot + category)) << driveRoot + category;
    }
}

// A Programs folder renamed away between the scan and the distribution: the user's category folder
// cannot be made (the path is gone) and the loop stops there; the all-users step finds none of the
// entries it is given; the renamed folder is intact either way.
TEST_F(Faults, AProgramsFolderThatDisappearsAfterTheScanLosesNothing) {
    for (const bool userVanishes : {true, false}) {
        SCOPED_TRACE(userVanishes ? "the user's folder vanishes" : "the all-users folder vanishes");
        ResetCatalogue();
        const std::string base = At(userVanishes ? "v1" : "v2");
        const std::string common = base + "\\All\\Programs";
        const std::string user = base + "\\Мой\\Programs";
        for (const std::string& root : {common, user}) {
            MakeFolders(root + "\\Группа");
            ASSERT_TRUE(WriteFile(root + "\\Группа\\a.lnk", root));
            ASSERT_TRUE(WriteFile(root + "\\Текст.lnk", "text " + root));
        }
        shell.common = common;
        shell.user = user;
        shell.messages.clear();
        ScanStartMenu(shell);
        ASSERT_EQ(StartMenuItems.size(), 4u);
        for (TStartMenu& entry : StartMenuItems)
            entry.Category = 8;
        const Tree commonBefore = Snapshot(common);
        const Tree userBefore = Snapshot(user);
        const std::string vanishing = userVanishes ? user : common;
        const std::string renamed = vanishing + " (moved away)";
        ASSERT_TRUE(MoveFileW(Widen(vanishing).c_str(), Widen(renamed).c_str()));

        DialogWatcher watcher(IDCANCEL);
        if (userVanishes) {
            const auto [code, text] = IoFailure([&] { DistributeItems(shell); });
            EXPECT_EQ(code, 3);
            EXPECT_EQ(text, "Неверное имя файла.");
            // The all-users entries come first and were moved before the stop.
            EXPECT_EQ(Snapshot(common), Relocated(commonBefore, {{"Группа", 8}, {"Текст.lnk", 8}}));
            EXPECT_EQ(Snapshot(renamed), userBefore);
        } else {
            // The all-users step takes only entries at the top of the all-users folder now: it
            // names both, and the user's entries still move.
            const TDistribution result = DistributeItems(shell);
            EXPECT_EQ(
                std::set<std::string>(result.Stayed.begin(), result.Stayed.end()),
                (std::set<std::string>{
                    "«Группа» осталась на месте: в общей папке меню «Пуск» нет такой программы.",
                    "«Текст.lnk» осталась на месте: в общей папке меню «Пуск» нет такой "
                    "программы."}));
            EXPECT_EQ(Snapshot(renamed), commonBefore);
            EXPECT_EQ(Snapshot(user), Relocated(userBefore, {{"Группа", 8}, {"Текст.lnk", 8}}));
        }
        EXPECT_EQ(shell.messages, std::vector<std::string>{});
        EXPECT_FALSE(Exists(vanishing)) << "the vanished folder was made again";
        EXPECT_EQ(watcher.Seen(), std::vector<std::string>{});
    }
}

// Entries whose place in the category folder would be longer than MAX_PATH: the shell either
// moves them or fails with a number; either way nothing is lost, and the loop goes on.
TEST_F(Faults, AnEntryWhoseTargetPathExceedsMaxPathIsMovedOrKeptButNeverLost) {
    UseBothFolders();
    const size_t root = Widen(User()).size() + 1;
    // A file that fits where it is (259 characters) but not in "Программирование" (276). Latin
    // letters: under Wine a name is a Linux file name, at most 255 UTF-8 bytes.
    const std::string fileName = std::string(MAX_PATH - 1 - root - 4, 'd') + ".lnk";
    // A folder that fits where it is, with its content, but not in the category folder.
    const std::string groupName = Narrow(std::wstring(247 - root, L'g'));
    ASSERT_TRUE(WriteFile(User() + "\\" + fileName, "a long shortcut"));
    MakeFolders(User() + "\\" + groupName);
    ASSERT_TRUE(WriteFile(User() + "\\" + groupName + "\\a", "in a long group"));
    ASSERT_TRUE(WriteFile(User() + "\\Short.lnk", "short"));
    ASSERT_EQ(Widen(User() + "\\" + fileName).size(), size_t(MAX_PATH - 1));
    ScanStartMenu(shell);
    ASSERT_EQ(StartMenuItems.size(), 3u);
    for (TStartMenu& entry : StartMenuItems)
        entry.Category = 5;
    const Tree before = Snapshot(User());

    std::vector<std::string> dialogs;
    const bool allMoved = DistributeAnswering(IDCANCEL, dialogs);
    const Tree after = Snapshot(User());
    EXPECT_EQ(Contents(after), Contents(before)) << "before: " << before << "\nafter: " << after;
    const std::string target = User() + "\\" + CategoryNames[5] + "\\";
    size_t moved = 0, kept = 0;
    for (const std::string& name : {fileName, groupName}) {
        const bool there = Exists(target + name);
        const bool here = Exists(User() + "\\" + name);
        EXPECT_NE(there, here) << name;
        moved += there;
        kept += here;
    }
    std::printf("beyond MAX_PATH: %zu moved, %zu kept, messages:", moved, kept);
    for (const std::string& message : shell.messages)
        std::printf(" %s", message.c_str());
    std::printf(", dialogs %zu\n", dialogs.size());
    EXPECT_EQ(allMoved, kept == 0);
    EXPECT_LE(shell.messages.size(), kept);
    for (const std::string& message : shell.messages)
        EXPECT_TRUE(IsDecimal(message)) << message;
    EXPECT_EQ(after.files.count(CategoryNames[5] + "\\Short.lnk"), 1u) << after;
}

// A backup folder on a drive that does not exist: the first folder cannot be made, the standard
// error box says so, and nothing is copied or created anywhere.
TEST_F(Faults, ABackupOnAMissingDriveIsAnInvalidFilenameAndCopiesNothing) {
    UseBothFolders();
    ASSERT_TRUE(WriteFile(User() + "\\a.lnk", "a"));
    ASSERT_TRUE(WriteFile(Common() + "\\b.lnk", "b"));
    MakeFolders(At("cwd"));
    CurrentDirectoryScope cwd(At("cwd"));
    ScanStartMenu(shell);
    ASSERT_EQ(GetLogicalDrives() & (1u << ('Q' - 'A')), 0u) << "drive Q: exists here";
    const Tree before = Snapshot(temp.Path());

    const auto [code, text] = IoFailure([&] { MakeBackup(shell, "Q:\\backup\\"); });
    EXPECT_EQ(code, 3);
    EXPECT_EQ(text, "Неверное имя файла.");
    EXPECT_EQ(shell.messages, std::vector<std::string>{});
    EXPECT_EQ(shell.operations, std::vector<std::string>{});
    EXPECT_EQ(Snapshot(temp.Path()), before);
}

// An all-users folder this user may not change (no administrator rights): its entries stay, with
// one message naming it, the user's move; once it may be changed, a second distribution moves
// what is left and nothing twice.
TEST_F(Faults, AnAllUsersFolderThatRefusesChangesKeepsItsEntriesAndTheUsersStillMove) {
    UseBothFolders();
    for (const char* name : {"Офис.lnk", "Таблицы.lnk"})
        ASSERT_TRUE(WriteFile(Common() + "\\" + name, name));
    ASSERT_TRUE(WriteFile(User() + "\\Мой.lnk", "mine"));
    ScanStartMenu(shell);
    ASSERT_EQ(StartMenuItems.size(), 3u);
    for (TStartMenu& entry : StartMenuItems)
        entry.Category = FileNameOf(entry.Path) == "Таблицы.lnk" ? 1 : 0;
    const Tree commonBefore = Snapshot(Common());
    const Tree userBefore = Snapshot(User());
    UnwritableFolder unwritable(Common());
    ASSERT_TRUE(unwritable.Active()) << unwritable.Problem();

    EXPECT_FALSE(DistributeItems(shell).Complete());
    EXPECT_EQ(shell.messages,
              std::vector<std::string>{"Папку \"" + Common() +
                                       "\" может изменять только администратор, поэтому её "
                                       "программы остались на месте. Чтобы распределить их, "
                                       "запустите Orvane от имени администратора."});
    EXPECT_EQ(Snapshot(Common()), commonBefore);
    EXPECT_EQ(Snapshot(User()), Relocated(userBefore, {{"Мой.lnk", 0}}));

    ASSERT_TRUE(unwritable.Clear()) << unwritable.Problem();
    shell.operations.clear();
    const TDistribution again = DistributeItems(shell);
    EXPECT_TRUE(again.Complete());
    EXPECT_EQ(again.MovedBefore, 1u);
    EXPECT_EQ(shell.operations.size(), 2u);
    EXPECT_EQ(Snapshot(Common()), Relocated(commonBefore, {{"Офис.lnk", 0}, {"Таблицы.lnk", 1}}));
}

// A read-only attribute on the all-users folder (as close to a folder without rights as a test
// run as root can come): Windows keeps the attribute on folders only as a display hint and still
// lets files in, so the backup and the distribution both work and nothing is lost.
TEST_F(Faults, AReadOnlyProgramsFolderIsStillBackedUpAndDistributed) {
    UseBothFolders();
    ASSERT_TRUE(WriteFile(Common() + "\\Офис.lnk", "office"));
    MakeFolders(Common() + "\\Игры старые");
    ASSERT_TRUE(WriteFile(Common() + "\\Игры старые\\old.lnk", "old"));
    ASSERT_TRUE(WriteFile(User() + "\\Мой.lnk", "mine"));
    ASSERT_TRUE(AddAttributes(Common(), FILE_ATTRIBUTE_READONLY));
    const DWORD attributes = GetFileAttributesW(Widen(Common()).c_str());
    std::printf("read-only folder: attributes read back 0x%lx (read-only %s)\n", attributes,
                (attributes & FILE_ATTRIBUTE_READONLY) ? "kept" : "dropped");
    ScanStartMenu(shell);
    ASSERT_EQ(StartMenuItems.size(), 3u);
    const Tree commonBefore = Snapshot(Common());
    const Tree userBefore = Snapshot(User());

    MakeFolders(At("backup"));
    MakeBackup(shell, At("backup\\"));
    EXPECT_EQ(shell.messages, std::vector<std::string>{"Резервная копия создана!"});
    EXPECT_EQ(Snapshot(At("backup\\Common_Programs")), commonBefore);
    EXPECT_EQ(Snapshot(At("backup\\Programs")), userBefore);

    for (TStartMenu& entry : StartMenuItems)
        entry.Category = entry.IsUser ? 1 : 0;
    shell.messages.clear();
    EXPECT_TRUE(DistributeItems(shell).Complete());
    EXPECT_EQ(shell.messages, std::vector<std::string>{});
    EXPECT_EQ(Snapshot(Common()), Relocated(commonBefore, {{"Офис.lnk", 0}, {"Игры старые", 0}}));
    EXPECT_EQ(Snapshot(User()), Relocated(userBefore, {{"Мой.lnk", 1}}));
    SetFileAttributesW(Widen(Common()).c_str(), FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

namespace {

// A journal planted in the journal folder by a program of the user's: records pointing into
// Program Files, System32 and an empty folder outside the menu, junk lines, a very long line and
// random bytes. The undo moves and removes nothing outside the Start menu and names the records;
// the real distribution's journal is still undone exactly.
// The all-users step trusts nothing of the user's: with the user's Programs folder pointed (in
// the user's registry) at a system folder and a journal planted among the user's, whose records
// would move a file of the planter's into that folder and one from the user's keeping folder into
// the all-users folder, its undo takes back the all-users distribution and moves nothing else.
TEST_F(Faults, TheAllUsersStepMovesNothingOutsideTheAllUsersFolderWhateverTheUserPlanted) {
    UseBothFolders();
    ASSERT_TRUE(WriteFile(Common() + "\\Writer.lnk", "writer"));
    ScanStartMenu(shell);
    Entry("Writer.lnk", false).Category = 0;
    const Tree before = Snapshot(Common());
    ASSERT_TRUE(DistributeItems(shell).Complete());

    const std::string system = At("Windows\\System32");
    MakeFolders(system);
    ASSERT_TRUE(WriteFile(system + "\\version.dll", "the system's"));
    shell.user = system;
    const std::string journal = "2099-01-01 00.00.00.000";
    const std::string keeping = At("AppData\\Orvane\\replaced\\") + journal + "\\1";
    MakeFolders(keeping);
    ASSERT_TRUE(WriteFile(keeping + "\\version.dll", "planted"));
    ASSERT_TRUE(WriteFile(keeping + "\\evil.lnk", "planted"));
    std::string text = system + "\\version.dll\t" + system + "\\Офисные\\version.dll\t0\t\t0\r\n";
    text += system + "\\Офисные\\version.dll\t" + keeping + "\\version.dll\t0\t\t0\r\n";
    text += Common() + "\\Офисные\\evil.lnk\t" + keeping + "\\evil.lnk\t0\t\t0\r\n";
    ASSERT_TRUE(WriteFile(At("AppData\\Orvane\\") + journal + ".txt", text));
    const Tree systemBefore = Snapshot(system);
    const Tree keepingBefore = Snapshot(keeping);

    TAllUsersWork undo;
    undo.Undo = true;
    const TAllUsersOutcome outcome = RunAllUsersWork(shell, undo);
    EXPECT_EQ(UndoReport(outcome.Undo), "Все программы возвращены на прежние места!");
    EXPECT_EQ(Snapshot(Common()), before);
    EXPECT_EQ(Snapshot(system), systemBefore);
    EXPECT_EQ(Snapshot(keeping), keepingBefore);
}

} // namespace
