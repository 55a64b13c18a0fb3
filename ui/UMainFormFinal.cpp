// TMainForm's final page: the backup of both Programs folders, the distribution into category
// folders, its undo, the scheduled task that keeps the order after updates, and the links to the
// support address and the product page.
#include "ui/UMainForm.h"

#include "actions/backup.h"
#include "actions/distribution.h"
#include "actions/reapply_task.h"
#include "actions/undo.h"
#include "catalogue/scan.h"
#include "texts/texts.h"
#include "ui/UMainFormInternal.h"
#include "win32/text.h"

void TMainForm::UpdateFinalPage() {
    const TPlannedMoves plan = PlannedMoves();
    SetWindowTextW(Control(ControlId::Label14), Widen(PlannedMovesText(plan)).c_str());
    const TUndoPlan undo = NextUndo(shell_);
    SetEnabled(ControlId::Button9, undo.Any());
    ShowMissingShortcuts();
    // The shield on a button that will ask for administrator rights.
    const bool setAside = FinalPageOptions().SetAside != TDistributionOptions::TSetAside::None;
    SetShield(ControlId::Button8, AsksForAdministrator(shell_, plan) ||
                                      (setAside && !shell_.IsElevated() && MissingShortcuts(true)));
    SetShield(ControlId::Button9, AsksForAdministrator(shell_, undo));
}

size_t TMainForm::MissingShortcuts(bool allUsers) const {
    size_t count = 0;
    for (const TStartMenu& entry : StartMenuItems)
        count += entry.WithoutProgram && !entry.Moved && !(allUsers && entry.IsUser);
    const std::string common = CommonProgramsDir.value_or("") + "\\";
    for (size_t i = 0; i < census_.size(); ++i) {
        if (details_ && details_->WithoutProgram(StartMenuItems.size() + i) &&
            (!allUsers || census_[i].compare(0, common.size(), common) == 0))
            ++count;
    }
    return count;
}

void TMainForm::ShowMissingShortcuts() {
    const size_t count = MissingShortcuts(false);
    SetWindowTextW(Control(ControlId::Label15),
                   Widen(count ? Text(TText::MissingCount, {std::to_string(count)}) : "").c_str());
    if (count && !setAsideChosen_)
        SendMessageW(Control(ControlId::CheckBox2), BM_SETCHECK, BST_CHECKED, 0);
}

TDistributionOptions TMainForm::FinalPageOptions() const {
    const auto ticked = [this](ControlId id) {
        return SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    };
    TDistributionOptions options;
    if (ticked(ControlId::CheckBox2))
        options.SetAside = TDistributionOptions::TSetAside::Everywhere;
    options.LeaveOutGroupLinks = ticked(ControlId::CheckBox3);
    return options;
}

void TMainForm::ShowReapplyTask() {
    const bool inPlace = ReapplyTaskInPlace(shell_, AppDir + ReapplyProgramName);
    SendMessageW(Control(ControlId::CheckBox1), BM_SETCHECK, inPlace ? BST_CHECKED : BST_UNCHECKED,
                 0);
}

// ---------------------------------------------------------------------------------------------
// Handlers

void TMainForm::TabSheet3Show() {
    SetEnabled(ControlId::Button4, false);
    SetVisible(ControlId::Button6, false);
    UpdateFinalPage();
    // Not while the window prepares this page before it first shows (on the welcome page):
    // connecting to the Task Scheduler may start its service, which takes a moment.
    if (IsWindowVisible(handle_))
        ShowReapplyTask();
    // A folder that holds no backup yet, so that the offered copy never mixes with an older one.
    const std::string backup = DefaultBackupFolder(shell_, AppDir);
    if (!shell_.FolderExists(backup))
        shell_.CreateFolder(backup);
    SetWindowTextW(Control(ControlId::Edit1), Widen(backup + "\\").c_str());
}

void TMainForm::Button7Click() {
    TFlagScope busy(busy_);
    MakeBackup(shell_, WindowText(Control(ControlId::Edit1)));
}

void TMainForm::Button8Click() {
    TDistribution result;
    {
        TFlagScope busy(busy_);
        try {
            result = DistributeItems(shell_, FinalPageOptions());
        } catch (...) {
            UpdateFinalPage();
            throw;
        }
    }
    UpdateFinalPage();
    if (result.NotStarted)
        return;
    // What is left after an incomplete distribution can be distributed again.
    if (result.Complete())
        SetEnabled(ControlId::Button8, false);
    shell_.ShowMessage(DistributionReport(result));
}

void TMainForm::Button9Click() {
    TUndoResult result;
    {
        TFlagScope busy(busy_);
        result = UndoLastDistribution(shell_);
    }
    UpdateFinalPage();
    // The entries moved back are where the catalogue says again: they can be distributed anew.
    if (result.Found)
        SetEnabled(ControlId::Button8, true);
    shell_.ShowMessage(UndoReport(result));
}

// Ticked, this user's task is registered for this copy (replacing one for another copy); unticked,
// it is removed. The box then shows what is so.
void TMainForm::CheckBox2Click() {
    setAsideChosen_ = true;
    UpdateFinalPage();
}

void TMainForm::CheckBox1Click() {
    const bool wanted =
        SendMessageW(Control(ControlId::CheckBox1), BM_GETCHECK, 0, 0) != BST_CHECKED;
    const unsigned code = wanted ? RegisterReapplyTask(shell_, AppDir + ReapplyProgramName)
                                 : RemoveReapplyTask(shell_);
    ShowReapplyTask();
    if (code)
        shell_.ShowMessage(
            Text(wanted ? TText::ReapplyTaskNotRegistered : TText::ReapplyTaskNotRemoved,
                 {HexCode(code)}));
}

void TMainForm::Label10Click() {
    OpenLink(shell_, std::string("mailto:") + SupportAddress + "?subject=" + ApplicationTitle);
}

void TMainForm::Label13Click() {
    OpenLink(shell_, ProductPageUrl);
}
