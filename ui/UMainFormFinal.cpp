// TMainForm's final page: the backup of both Programs folders, the distribution into category
// folders, its undo, the scheduled task that keeps the order after updates, and the links to the
// support address and the product page.
#include "ui/UMainForm.h"

#include "actions/backup.h"
#include "actions/distribution.h"
#include "actions/reapply_task.h"
#include "actions/undo.h"
#include "texts/texts.h"
#include "ui/UMainFormInternal.h"
#include "win32/text.h"

void TMainForm::UpdateFinalPage() {
    const TPlannedMoves plan = PlannedMoves();
    SetWindowTextW(Control(ControlId::Label14), Widen(PlannedMovesText(plan)).c_str());
    const TUndoPlan undo = NextUndo(shell_);
    SetEnabled(ControlId::Button9, undo.Any());
    // The shield on a button that will ask for administrator rights.
    SetShield(ControlId::Button8, AsksForAdministrator(shell_, plan));
    SetShield(ControlId::Button9, AsksForAdministrator(shell_, undo));
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
            result = DistributeItems(shell_);
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
