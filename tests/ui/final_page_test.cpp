// The final page: the backup copy, the distribution, the box that keeps the order after updates
// and the two links.
#include "form_fixture.h"

#include "actions/reapply_task.h"

#include <algorithm>

namespace {

class FinalPage : public FormTest {
protected:
    void SetUp() override {
        SetStartMenu({"Writer.lnk"}, {"Mail.lnk"});
        Start();
    }
    void GoToFinalPage() { Click(ControlId::Button6); }
    bool Called(const std::string& call) const {
        return std::find(shell.calls.begin(), shell.calls.end(), call) != shell.calls.end();
    }
    void ClickLink(ControlId link) {
        SendMessageW(Control(link), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        SendMessageW(Control(link), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        PumpMessages();
    }
};

TEST_F(FinalPage, TheBackupGetsTheFieldTextAsTyped) {
    GoToFinalPage();
    SetWindowTextW(Control(ControlId::Edit1), L"D:\\Копии");
    Click(ControlId::Button7);
    EXPECT_TRUE(Called("Copy(" + std::string(UserDir) + "\\*.* -> D:\\Копии\\Programs\\)"));
    EXPECT_EQ(shell.messages, Names({"Резервная копия создана!"}));

    SetWindowTextW(Control(ControlId::Edit1), L" D:\\Копии\\"); // not trimmed: refused
    Click(ControlId::Button7);
    EXPECT_EQ(shell.messages.back(), "Укажите полный путь к папке для резервной копии.");
    EXPECT_TRUE(IsEnabled(ControlId::Button7));
}

TEST_F(FinalPage, DistributingNothingReportsSuccessAndDisablesTheButton) {
    GoToFinalPage();
    Click(ControlId::Button8);
    EXPECT_EQ(shell.messages, Names({"Программы успешно распределены по категориям!"}));
    EXPECT_FALSE(IsEnabled(ControlId::Button8));
    EXPECT_FALSE(Called("CreateFolder(" + std::string(CommonDir) + "\\Офисные)"));
}

// What is left after an incomplete distribution can be distributed again; nothing moves twice.
TEST_F(FinalPage, AnIncompleteDistributionCanBePressedAgainForWhatIsLeft) {
    Click(ControlId::Button4);
    SetCheck(0, true);
    SetCheck(1, true);
    shell.opResults[std::string(CommonDir) + "\\Writer.lnk"] = ShellOpResult{1223, false};
    GoToFinalPage();
    Click(ControlId::Button8);
    EXPECT_TRUE(Called("Move(" + std::string(UserDir) + "\\Mail.lnk -> " + UserDir +
                       "\\Офисные\\Mail.lnk)"));
    EXPECT_EQ(shell.messages,
              Names({"1223", "Не все программы удалось распределить по категориям!"}));
    EXPECT_TRUE(IsEnabled(ControlId::Button8));

    shell.opResults.clear();
    shell.calls.clear();
    Click(ControlId::Button8);
    EXPECT_EQ(CallsStartingWith(shell.calls, "Move("),
              Names({"Move(" + std::string(CommonDir) + "\\Writer.lnk -> " + CommonDir +
                     "\\Офисные\\Writer.lnk)"}));
    EXPECT_EQ(shell.messages.back(),
              std::string("Программы успешно распределены по категориям!") +
                  "\nПрограммы, перемещённые раньше (1), повторно не перемещались.");
    EXPECT_FALSE(IsEnabled(ControlId::Button8));
}

// A journal that cannot take the next line of a second run's replacement (the earlier shortcut's
// move into keeping) or merge (the emptied group's removal): the run stops there, claims no
// success, and what is left can be distributed again.
struct StoppedStep {
    const char* Step;
    const char* Entry;
    int LinesWritten; // the journal's lines before the one that fails
};
class SecondRunStop : public FormTest, public ::testing::WithParamInterface<StoppedStep> {};

TEST_P(SecondRunStop, AJournalThatStopsAReplacementOrAMergeClaimsNoSuccess) {
    const std::string entry = GetParam().Entry;
    const std::string top = std::string(UserDir) + "\\" + entry;
    const std::string tools = std::string(UserDir) + "\\Утилиты";
    SetStartMenu({}, {entry});
    shell.folders.insert(tools);
    if (entry == "Games") {
        shell.files.erase(top);
        shell.folders.insert({top, tools + "\\Games"});
        shell.files.insert(top + "\\Chess.lnk");
    } else {
        shell.files.insert(tools + "\\" + entry);
        for (const std::string& link : {top, tools + "\\" + entry})
            shell.shortcuts[link] = {"C:\\Apps\\edit.exe", "", "", "", ""};
    }
    Start();
    Click(ControlId::Button4);
    ClickCategoryButton(1);
    SetCheck(0, true);
    shell.appendFailure = 5;
    shell.appendsBeforeFailure = 1 + GetParam().LinesWritten; // the journal's creation first
    Click(ControlId::Button6);
    Click(ControlId::Button8);
    ASSERT_FALSE(shell.messages.empty());
    EXPECT_EQ(shell.messages.back(), "Не все программы удалось распределить по категориям!");
    EXPECT_TRUE(IsEnabled(ControlId::Button8));
}
INSTANTIATE_TEST_SUITE_P(Steps, SecondRunStop,
                         ::testing::Values(StoppedStep{"Replacement", "Editor.lnk", 0},
                                           StoppedStep{"Merge", "Games", 1}),
                         [](const auto& info) { return std::string(info.param.Step); });

// The shell's dialogs let the window's messages through while it copies or moves: no button or
// link starts anything then, and the window is not closed from under the action.
TEST_F(FinalPage, NothingElseStartsWhileACopyOrMoveRuns) {
    Click(ControlId::Button4);
    SetCheck(0, true);
    GoToFinalPage();
    int inside = 0;
    shell.onOperation = [&] {
        ++inside;
        for (ControlId id : {ControlId::Button7, ControlId::Button8, ControlId::Button5})
            SendMessageW(Control(id), BM_CLICK, 0, 0);
        ClickLink(ControlId::Label10);
        SendMessageW(form->Handle(), WM_CLOSE, 0, 0);
    };
    Click(ControlId::Button7);
    Click(ControlId::Button8);
    EXPECT_EQ(inside, 3); // two copies, one move
    EXPECT_EQ(CallsStartingWith(shell.calls, "Copy(").size() +
                  CallsStartingWith(shell.calls, "Move(").size(),
              3u);
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_EQ(form->ActivePage(), 2);
    EXPECT_TRUE(IsWindow(form->Handle()));
}

TEST_F(FinalPage, AFolderThatCannotBeCreatedLeavesTheButtonEnabled) {
    Click(ControlId::Button4);
    SetCheck(0, true);
    shell.createFailures[std::string(CommonDir) + "\\Офисные"] = 183;
    GoToFinalPage();
    Click(ControlId::Button8);
    EXPECT_EQ(errors, Names({"Ошибка ввода-вывода 183."}));
    EXPECT_TRUE(shell.messages.empty());
    EXPECT_TRUE(IsEnabled(ControlId::Button8));
}

// "Вернуть как было" is offered while a journal holds moves not undone; after it, the ticks are
// still there and the same choice can be distributed again.
TEST_F(FinalPage, UndoIsOfferedAfterADistributionAndLetsTheChoiceBeDistributedAgain) {
    const std::string writer = std::string(CommonDir) + "\\Writer.lnk";
    GoToFinalPage();
    EXPECT_EQ(Text(ControlId::Label14), "Нет отмеченных программ.");
    Click(ControlId::Button5);
    Click(ControlId::Button4); // the utilities
    SetCheck(1, true);
    Click(ControlId::Button5);
    SetCheck(0, true);
    GoToFinalPage();
    EXPECT_EQ(Text(ControlId::Label14), "Программ к перемещению: 2, категорий: 2.");
    EXPECT_FALSE(IsEnabled(ControlId::Button9));
    Click(ControlId::Button8);
    EXPECT_FALSE(shell.PathExists(writer));
    EXPECT_FALSE(IsEnabled(ControlId::Button8));
    EXPECT_TRUE(IsEnabled(ControlId::Button9));
    EXPECT_EQ(Text(ControlId::Label14), "Нет отмеченных программ.");

    Click(ControlId::Button9);
    EXPECT_EQ(shell.messages.back(), "Все программы возвращены на прежние места!");
    EXPECT_TRUE(shell.PathExists(writer));
    EXPECT_FALSE(IsEnabled(ControlId::Button9));
    EXPECT_TRUE(IsEnabled(ControlId::Button8));
    EXPECT_EQ(Text(ControlId::Label14), "Программ к перемещению: 2, категорий: 2.");
    EXPECT_EQ(Assignments(), Categories({0, 1}));
    Click(ControlId::Button8);
    EXPECT_FALSE(shell.PathExists(writer));
}

// The offered backup folder holds no backup: a second copy never goes over the first.
TEST_F(FinalPage, TheOfferedBackupFolderHoldsNoBackupYet) {
    shell.files.insert(form->AppDir + "backup\\Programs\\Writer.lnk");
    GoToFinalPage();
    EXPECT_EQ(Text(ControlId::Edit1), form->AppDir + "backup 2\\");
    EXPECT_TRUE(shell.FolderExists(form->AppDir + "backup 2"));
}

// The box shows whether this user's scheduled task runs this copy, on every entry to the page;
// ticking it registers the task, unticking removes it.
class OrderBox : public FinalPage {
protected:
    static constexpr const char* TaskName = "Orvane - порядок в меню Пуск (Olga)";
    bool Ticked() const {
        return SendMessageW(Control(ControlId::CheckBox1), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    std::string ThisCopy() const { return form->AppDir + "Orvane.exe"; }
    // The program the registered task runs, without the quotes a path with spaces gets.
    std::string TaskCommand() const {
        std::string command = XmlText(shell.tasks.at(TaskName), "Command").value_or("");
        if (command.size() > 1 && command.front() == '"')
            command = command.substr(1, command.size() - 2);
        return command;
    }
};

TEST_F(OrderBox, TickingRegistersThisCopysTaskWhichEveryEntryShowsAndUntickingRemovesIt) {
    GoToFinalPage();
    EXPECT_FALSE(Ticked());
    Click(ControlId::CheckBox1);
    ASSERT_EQ(shell.tasks.count(TaskName), 1u);
    EXPECT_EQ(TaskCommand(), ThisCopy());
    EXPECT_EQ(XmlText(shell.tasks.at(TaskName), "Arguments"), "--reapply");
    EXPECT_TRUE(Ticked());

    Click(ControlId::Button5);
    GoToFinalPage();
    EXPECT_TRUE(Ticked());
    Click(ControlId::CheckBox1);
    EXPECT_TRUE(shell.tasks.empty());
    EXPECT_FALSE(Ticked());
    EXPECT_TRUE(shell.messages.empty());
}

TEST_F(OrderBox, ATaskOfAnotherCopyShowsUntickedAndTickingReplacesIt) {
    shell.tasks[TaskName] = ReapplyTaskXml("D:\\Old Orvane\\Orvane.exe", "PC\\Olga");
    GoToFinalPage();
    EXPECT_FALSE(Ticked());
    Click(ControlId::CheckBox1);
    EXPECT_EQ(shell.tasks.size(), 1u);
    EXPECT_EQ(TaskCommand(), ThisCopy());
    EXPECT_TRUE(Ticked());
}

TEST_F(OrderBox, AFailureSaysSoWithTheSystemsCodeAndTheBoxShowsWhatIsSo) {
    GoToFinalPage();
    shell.taskFailure = 0x80041315; // the scheduler's service does not run
    Click(ControlId::CheckBox1);
    EXPECT_FALSE(Ticked());
    EXPECT_EQ(shell.messages,
              Names({"Не удалось создать задание в планировщике заданий Windows (код 0x80041315), "
                     "поэтому порядок после обновлений программ поддерживаться не будет."}));

    shell.taskFailure = 0;
    Click(ControlId::CheckBox1);
    shell.taskFailure = 0x80070005;
    Click(ControlId::CheckBox1);
    EXPECT_TRUE(Ticked());
    EXPECT_EQ(shell.messages.back(),
              "Не удалось удалить задание из планировщика заданий Windows (код 0x80070005), "
              "поэтому оно по-прежнему будет запускаться.");
    EXPECT_EQ(shell.messages.size(), 2u);
}

TEST_F(FinalPage, TheLinksOpenTheMailProgramAndTheWebPage) {
    GoToFinalPage();
    ClickLink(ControlId::Label10);
    ClickLink(ControlId::Label13);
    EXPECT_EQ(shell.opened,
              Names({"mailto:support@orvane.example?subject=Orvane", "https://lintrowe.example/"}));
}

// Shortcuts of removed programs, at the top and in a category folder, are counted on the final
// page once their targets are read; the box is ticked then, and "Начать обработку" sets them aside
// (a ticked entry among them too) and says how many; the links box follows the Start menu's kind.
class FinalPageOptions : public FormTest {};

TEST_F(FinalPageOptions, ShortcutsOfRemovedProgramsAreCountedAndSetAside) {
    const std::string user = UserDir, tools = user + "\\Утилиты";
    SetStartMenu({}, {"Gone.lnk", "Live.lnk"});
    shell.folders.insert({user, tools});
    shell.files.insert(tools + "\\Old.lnk");
    for (const char* name : {"\\Gone.lnk", "\\Live.lnk", "\\Утилиты\\Old.lnk"}) {
        const std::string target = std::string("C:\\Apps") + name;
        shell.shortcuts[user + name] = {target, "", "", "", ""};
        shell.targets[target] = name[1] == 'L' ? TTargetState::Present : TTargetState::Missing;
    }
    shell.oneLevel = false;
    Start();
    Click(ControlId::Button6);
    // The count is shown once the targets are read, in the background.
    for (const ULONGLONG until = GetTickCount64() + 30000;
         Text(ControlId::Label15) != "Ярлыков удалённых программ: 2.";) {
        ASSERT_LT(GetTickCount64(), until) << Text(ControlId::Label15);
        Sleep(10);
        PumpMessages();
    }
    const auto ticked = [&](ControlId id) {
        return SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    };
    EXPECT_TRUE(ticked(ControlId::CheckBox2));
    EXPECT_FALSE(ticked(ControlId::CheckBox3)); // Windows 7 and 8 show groups as folders
    Click(ControlId::Button8);
    EXPECT_EQ(shell.messages.back(), "Программы успешно распределены по категориям!\n"
                                     "Ярлыков удалённых программ убрано в сохранённые: 2.");
    EXPECT_TRUE(shell.PathExists(user + "\\Live.lnk"));
    EXPECT_FALSE(shell.PathExists(user + "\\Gone.lnk"));
    EXPECT_FALSE(shell.PathExists(tools + "\\Old.lnk"));
}

} // namespace
