// TMainForm's pages and the buttons under them: which page shows, Next, Back and Done, and the
// keyboard focus kept on a control that can take it.
#include "ui/UMainForm.h"

#include "ui/UMainFormInternal.h"

#include <commctrl.h>

void TMainForm::SetActivePage(int page) {
    if (page == activePage_)
        return;
    suggestionWaiting_ = false; // a suggestion the user left the page before is not made
    HWND previous = Control(PageId(activePage_));
    ShowWindow(Control(PageId(page)), SW_SHOW);
    ShowWindow(previous, SW_HIDE);
    activePage_ = page;
    MoveFocusAwayFrom(previous);
    switch (page) {
    case 0:
        return TabSheet1Show();
    case 1:
        return TabSheet2Show();
    default:
        return TabSheet3Show();
    }
}

void TMainForm::SetEnabled(ControlId id, bool enabled) {
    HWND control = Control(id);
    EnableWindow(control, enabled);
    if (!enabled)
        MoveFocusAwayFrom(control);
}

void TMainForm::SetShield(ControlId id, bool shown) {
    SendMessageW(Control(id), BCM_SETSHIELD, 0, shown);
}

void TMainForm::SetVisible(ControlId id, bool visible) {
    HWND control = Control(id);
    ShowWindow(control, visible ? SW_SHOW : SW_HIDE);
    if (!visible)
        MoveFocusAwayFrom(control);
}

// Keeps the keyboard usable when the focused control (or its page) is disabled or hidden.
void TMainForm::MoveFocusAwayFrom(HWND control) {
    HWND focus = GetFocus();
    if (focus && (focus == control || IsChild(control, focus)))
        SetFocus(GetNextDlgTabItem(handle_, control, FALSE));
}

// ---------------------------------------------------------------------------------------------
// Handlers

void TMainForm::TabSheet1Show() {
    SetEnabled(ControlId::Button5, false);
}

void TMainForm::TabSheet2Show() {
    SetVisible(ControlId::Button6, true);
    SetEnabled(ControlId::Button5, true);
    SetEnabled(ControlId::Button4, true);
}

// Next: from the welcome page to the categories, through them one by one, then to the final page.
void TMainForm::Button4Click() {
    if (activePage_ == 0)
        SetActivePage(1);
    else if (CurrentCategory == CategoryCount - 1)
        SetActivePage(2);
    else
        ToolButtonClick(CategoryButton(CurrentCategory + 1));
}

// Back: the same way in reverse.
void TMainForm::Button5Click() {
    if (activePage_ == 2)
        SetActivePage(1);
    else if (CurrentCategory == 0)
        SetActivePage(0);
    else
        ToolButtonClick(CategoryButton(CurrentCategory - 1));
}

// Done: straight to the final page.
void TMainForm::Button6Click() {
    SetActivePage(2);
}
