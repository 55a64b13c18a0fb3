// Moving between the wizard's pages with Next, Back and Done, and what entering a page does.
#include "form_fixture.h"

#include "actions/backup.h"

#include <algorithm>
#include <map>

namespace {

class Navigation : public FormTest {
protected:
    void SetUp() override { SetStartMenu({"Writer.lnk", "Tools"}, {"Mail.lnk"}); }

    // The page with the state of Next, Back and Done.
    void ExpectState(int page, bool next, bool back, bool done) {
        EXPECT_EQ(form->ActivePage(), page);
        EXPECT_EQ(IsEnabled(ControlId::Button4), next) << "Next";
        EXPECT_EQ(IsEnabled(ControlId::Button5), back) << "Back";
        EXPECT_EQ(IsShown(ControlId::Button6), done) << "Done";
        for (int p = 0; p < 3; ++p)
            EXPECT_EQ(IsShown(static_cast<ControlId>(static_cast<int>(ControlId::TabSheet1) + p)),
                      p == page);
    }
    size_t CallIndex(const std::string& call) const {
        return static_cast<size_t>(std::find(shell.calls.begin(), shell.calls.end(), call) -
                                   shell.calls.begin());
    }
    std::string Backup() const { return ExecutableFolder() + DefaultBackupFolderName; }
};

TEST_F(Navigation, StartUpScansPreparesTheFinalPageThenOpensOnTheWelcomePage) {
    Start();
    EXPECT_EQ(form->AppDir, ExecutableFolder());
    const size_t exists = CallIndex("FolderExists(" + Backup() + ")");
    const size_t created = CallIndex("CreateFolder(" + Backup() + ")");
    EXPECT_LT(CallIndex("ListFolder(" + std::string(UserDir) + "\\*.*,63)"), exists);
    EXPECT_LT(exists, created);
    EXPECT_LT(created, shell.calls.size());
    EXPECT_EQ(Text(ControlId::Edit1), Backup() + "\\");
    EXPECT_TRUE(errors.empty());
    ExpectState(0, true, false, true);
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
}

TEST_F(Navigation, AnExistingBackupFolderIsNotCreatedAgain) {
    shell.folders.insert(Backup());
    Start();
    EXPECT_EQ(CallIndex("CreateFolder(" + Backup() + ")"), shell.calls.size());
    EXPECT_EQ(Text(ControlId::Edit1), Backup() + "\\");
}

TEST_F(Navigation, NextAndBackStepThroughEveryCategory) {
    Start();
    Click(ControlId::Button4);
    ExpectState(1, true, true, true);
    EXPECT_EQ(CurrentCategory, 0);
    for (int c = 1; c <= 8; ++c) {
        Click(ControlId::Button4);
        ExpectState(1, true, true, true);
        EXPECT_EQ(CurrentCategory, c);
        EXPECT_FALSE(IsIndeterminate(c));
    }
    SetCheck(0, true); // "Writer" into category 8
    Click(ControlId::Button4);
    ExpectState(2, false, true, false);

    Click(ControlId::Button5); // back to the list as last built
    ExpectState(1, true, true, true);
    EXPECT_EQ(CurrentCategory, 8);
    EXPECT_EQ(Checks(), Marks({true, false, false}));
    for (int c = 7; c >= 0; --c) {
        Click(ControlId::Button5);
        ExpectState(1, true, true, true);
        EXPECT_EQ(CurrentCategory, c);
    }
    EXPECT_EQ(Listed(), Names({"Tools", "Mail"}));
    Click(ControlId::Button5);
    ExpectState(0, true, false, true);
    Click(ControlId::Button4);
    ExpectState(1, true, true, true);
    EXPECT_EQ(Listed(), Names({"Tools", "Mail"}));
}

TEST_F(Navigation, DoneJumpsToTheFinalPageFromEitherPage) {
    Start();
    Click(ControlId::Button4);
    SetCheck(1, true);
    Click(ControlId::Button5);
    Click(ControlId::Button6); // from the welcome page: Back stays disabled
    ExpectState(2, false, false, false);
    EXPECT_EQ(Assignments(), Categories({-1, 0, -1}));

    form.reset();
    ResetCatalogue();
    Start();
    Click(ControlId::Button4);
    Click(ControlId::Button6); // from the category page
    ExpectState(2, false, true, false);
}

TEST_F(Navigation, ACategoryButtonKeepsTheCategoryPageWithAllButtons) {
    Start();
    Click(ControlId::Button4);
    ClickCategoryButton(5);
    ExpectState(1, true, true, true);
    EXPECT_EQ(CurrentCategory, 5);
}

TEST_F(Navigation, EnteringTheFinalPageAgainResetsTheBackupField) {
    Start();
    Click(ControlId::Button4);
    Click(ControlId::Button6);
    SetWindowTextW(Control(ControlId::Edit1), L"D:\\elsewhere\\");
    Click(ControlId::Button5);
    Click(ControlId::Button6);
    EXPECT_EQ(Text(ControlId::Edit1), Backup() + "\\");
}

TEST_F(Navigation, EnterAndEscapePressNothing) {
    Start();
    Click(ControlId::Button4);
    SendMessageW(form->Handle(), WM_COMMAND, IDOK, 0);
    SendMessageW(form->Handle(), WM_COMMAND, IDCANCEL, 0);
    ExpectState(1, true, true, true);
    EXPECT_EQ(CurrentCategory, 0);
}

// A "backup" file beside the program: the folder cannot be created at start-up nor on any
// entry to the final page, and the error box says why each time.
class BackupFolderFailure : public Navigation, public ::testing::WithParamInterface<int> {
protected:
    std::string ExpectedText() const {
        return std::map<int, std::string>{{3, "Неверное имя файла."},
                                          {5, "Отказано в доступе к файлу."},
                                          {183, "Ошибка ввода-вывода 183."}}
            .at(GetParam());
    }
};

TEST_P(BackupFolderFailure, ShowsTheErrorBoxAndKeepsTheFieldText) {
    const std::string text = ExpectedText();
    shell.createFailures[Backup()] = GetParam();
    Start();
    EXPECT_EQ(errors, Names({text}));
    ExpectState(0, true, false, true);
    EXPECT_EQ(Text(ControlId::Edit1), "");

    Click(ControlId::Button4);
    Click(ControlId::Button6);
    EXPECT_EQ(errors, Names({text, text}));
    ExpectState(2, false, true, false);
    SetWindowTextW(Control(ControlId::Edit1), L"D:\\typed");
    Click(ControlId::Button5);
    Click(ControlId::Button6);
    EXPECT_EQ(errors.size(), 3u);
    EXPECT_EQ(Text(ControlId::Edit1), "D:\\typed");
}

INSTANTIATE_TEST_SUITE_P(Code, BackupFolderFailure, ::testing::Values(3, 5, 183),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::to_string(info.param);
                         });

} // namespace
