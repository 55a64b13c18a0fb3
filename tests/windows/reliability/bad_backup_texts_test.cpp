// Backup-folder texts that cannot be used are refused before anything is created or copied.
#include "windows/reliability/reliability.h"

namespace {

// --- 3. Backup-folder texts that cannot be used ---------------------------------------------

class BadBackupTexts : public ReliabilityTest {
protected:
    std::string Common() const { return At("Κοινά\\Programs"); }
    std::string User() const { return At("Профиль Ёжика\\Programs"); }
    void SetUp() override {
        ReliabilityTest::SetUp();
        for (const std::string& root : {Common(), User()}) {
            MakeFolders(root + "\\Группа");
            ASSERT_TRUE(WriteFile(root + "\\Группа\\a.lnk", "a " + root));
            ASSERT_TRUE(WriteFile(root + "\\b.lnk", "b " + root));
        }
        ASSERT_TRUE(WriteFile(At("file.txt"), "a file, not a folder"));
        MakeFolders(At("cwd"));
        shell.common = Common();
        shell.user = User();
        ScanStartMenu(shell);
        ASSERT_EQ(StartMenuItems.size(), 4u);
    }

    // Runs the backup with `text` and returns what the user is told: the message shown, or the
    // standard error box's text. Nothing may have been created or copied, here or in the current
    // directory.
    std::string Outcome(const std::string& text) {
        CurrentDirectoryScope cwd(At("cwd"));
        const Tree before = Snapshot(temp.Path());
        shell.messages.clear();
        shell.operations.clear();
        const auto [code, error] = IoFailure([&] { MakeBackup(shell, text); });
        EXPECT_EQ(Snapshot(temp.Path()), before) << "text: [" << text << "]";
        EXPECT_EQ(shell.operations, std::vector<std::string>{}) << "text: [" << text << "]";
        if (code != 0) {
            EXPECT_EQ(shell.messages, std::vector<std::string>{}) << "text: [" << text << "]";
            return error;
        }
        EXPECT_EQ(shell.messages.size(), 1u) << "text: [" << text << "]";
        return shell.messages.empty() ? "" : shell.messages.front();
    }
};

TEST_F(BadBackupTexts, TextsThatAreNotFullPathsAreRefused) {
    std::vector<std::string> texts = {"",           "   ", "backup", "backup\\", ".\\backup",
                                      "..\\backup", "C:",  "C:b",    "Копия"};
    for (const char ch : std::string("<>|\"?*"))
        texts.push_back(At(std::string("a") + ch + "b\\"));
    for (const std::string& text : texts)
        EXPECT_EQ(Outcome(text), "Укажите полный путь к папке для резервной копии.")
            << "text: [" << text << "]";
}

TEST_F(BadBackupTexts, FoldersInsideEitherProgramsFolderAreRefusedInAnyLetterCase) {
    auto upper = [](const std::string& text) {
        std::wstring wide = Widen(text);
        CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
        return Narrow(wide);
    };
    auto lower = [](const std::string& text) {
        std::wstring wide = Widen(text);
        CharLowerBuffW(wide.data(), static_cast<DWORD>(wide.size()));
        return Narrow(wide);
    };
    // "Κοινά" differs from its upper case in an accented letter as well; only its plain letters
    // change case here.
    const std::string commonMixed = temp.Path() + "\\κοινά\\PROGRAMS";
    for (const std::string& text :
         {User(), User() + "\\", upper(User()) + "\\Копия\\", lower(User()) + "\\Группа\\Копия",
          Common() + "\\Копия\\", commonMixed, commonMixed + "\\группа\\"})
        EXPECT_EQ(Outcome(text),
                  "Папка для резервной копии не может находиться внутри меню \"Пуск\".")
            << "text: [" << text << "]";
}

TEST_F(BadBackupTexts, FoldersThatCannotBeMadeGiveTheErrorBoxText) {
    // A path through an existing file, and a share on a server that does not exist.
    EXPECT_EQ(Outcome(At("file.txt")), "Неверное имя файла.");
    EXPECT_EQ(Outcome(At("file.txt\\")), "Неверное имя файла.");
    const std::string unc = Outcome("\\\\orvane-no-such-server\\share\\Копия\\");
    EXPECT_TRUE(unc == "Неверное имя файла." || unc == "Ошибка ввода-вывода 53." ||
                unc == "Ошибка ввода-вывода 67.")
        << unc;
    std::printf("a missing share gives: %s\n", unc.c_str());
}

// Other spellings that the system resolves to a Programs folder: a trailing dot on a component,
// doubled separators, the 8.3 short form, and letters whose upper and lower case lie outside the
// plain Latin, Greek and Cyrillic alphabets. Each must be refused like the plain spelling; the
// copies are only recorded here, since a copy into its own source folder would not end.
TEST_F(BadBackupTexts, OtherSpellingsOfAProgramsFolderAreRefused) {
    shell.performShellOperations = false;
    std::vector<std::string> texts = {User() + ".", Common() + ".\\",
                                      At("Профиль Ёжика\\\\Programs")};
    wchar_t shortForm[MAX_PATH] = {};
    if (GetShortPathNameW(Widen(User()).c_str(), shortForm, MAX_PATH) > 0 &&
        Narrow(shortForm) != User())
        texts.push_back(Narrow(shortForm));
    texts.push_back(temp.Path() + "\\ΚΟΙΝΆ\\Programs"); // accented capital: U+0386
    for (const std::string& text : texts) {
        EXPECT_EQ(Outcome(text),
                  "Папка для резервной копии не может находиться внутри меню \"Пуск\".")
            << "text: [" << text << "]";
        // Clean up whatever a missed refusal made inside the Start menu.
        for (const std::string& root : {Common(), User()}) {
            for (const char* made : {"\\Programs", "\\Common_Programs"})
                RemoveDirectoryW(Widen(root + made).c_str());
        }
    }
}

TEST_F(BadBackupTexts, ALetterOutsideTheFoldedAlphabetsDoesNotHideAProgramsFolder) {
    // A user profile named with a Polish letter, as "C:\Users\Łukasz\...".
    const std::string user = At("Łukasz\\Programs");
    MakeFolders(user);
    ASSERT_TRUE(WriteFile(user + "\\c.lnk", "c"));
    shell.user = user;
    ResetCatalogue();
    ScanStartMenu(shell);
    shell.performShellOperations = false;
    const std::string text = At("łukasz\\Programs");
    EXPECT_EQ(Outcome(text), "Папка для резервной копии не может находиться внутри меню \"Пуск\".")
        << "text: [" << text << "]";
    RemoveDirectoryW(Widen(user + "\\Programs").c_str());
    RemoveDirectoryW(Widen(user + "\\Common_Programs").c_str());
}

// A backup folder that holds a Programs folder under the name the backup gives its own copy, as
// the Start Menu folder holds "Programs": the copy of the user's folder would land on that Programs
// folder itself (the all-users one, or the user's own), and "Common_Programs" would be made in the
// Start menu. Both must be refused like a folder inside the Start menu.
TEST_F(BadBackupTexts, AFolderWhoseCopyWouldLandOnAProgramsFolderIsRefused) {
    shell.performShellOperations = false;
    for (const std::string& text : {At("Профиль Ёжика\\"), At("Κοινά")})
        EXPECT_EQ(Outcome(text),
                  "Папка для резервной копии не может находиться внутри меню \"Пуск\".")
            << "text: [" << text << "]";
    for (const std::string& made :
         {At("Профиль Ёжика\\Common_Programs"), At("Κοινά\\Common_Programs")})
        RemoveDirectoryW(Widen(made).c_str());
}

} // namespace
