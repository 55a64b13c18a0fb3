#include "ui/single_instance.h"

#include "shell/shell_services.h"
#include "ui/UMainForm.h"
#include "win32/handles.h"
#include "win32/text.h"

#include <windows.h>

#include <string>
#include <utility>

namespace {

constexpr DWORD WindowWaitMs = 3000; // for the window of an Orvane still starting

// The name of the mark one running Orvane leaves for this user in this logon session.
std::wstring InstanceMarkName() {
    wchar_t user[256] = {};
    DWORD length = 256;
    if (!GetUserNameW(user, &length))
        user[0] = L'\0';
    return std::wstring(L"Local\\Orvane.") + user;
}

// Brings the main window of the Orvane already running to the front, restored if it was
// minimised; waits up to `waitMs` for one still starting. False when there is none.
bool ActivateRunningForm(DWORD waitMs) {
    const std::wstring title = Widen(ApplicationTitle);
    for (DWORD waited = 0;; waited += 100) {
        if (HWND running = FindWindowW(FormClass, title.c_str())) {
            if (IsIconic(running))
                ShowWindow(running, SW_RESTORE);
            // A modal message of the window's comes to the front with it.
            SetForegroundWindow(GetLastActivePopup(running));
            return true;
        }
        if (waited >= waitMs)
            return false;
        Sleep(100);
    }
}

} // namespace

bool BroughtRunningOrvaneForward() {
    TKernelHandle mark(CreateMutexW(nullptr, FALSE, InstanceMarkName().c_str()));
    const bool markedBefore = GetLastError() == ERROR_ALREADY_EXISTS;
    // This Orvane's mark, for as long as it runs.
    static const TKernelHandle kept = std::move(mark);
    return markedBefore && ActivateRunningForm(WindowWaitMs);
}
