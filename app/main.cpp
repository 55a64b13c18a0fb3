// Orvane's entry: the main window over the real Windows shell, and the message loop.
#include "shell/windows_shell.h"
#include "ui/UMainForm.h"
#include "win32/common_controls.h"
#include "win32/handles.h"
#include "win32/system.h"
#include "win32/text.h"

#include <windows.h>

#include <exception>
#include <string>

namespace {

// The name of the mark one running Orvane leaves for this user in this logon session.
std::wstring InstanceMarkName() {
    wchar_t user[256] = {};
    DWORD length = 256;
    if (!GetUserNameW(user, &length))
        user[0] = L'\0';
    return std::wstring(L"Local\\Orvane.") + user;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    // The program runs with the highest rights the user has, often from a downloads folder: no
    // DLL may come from there. The common controls are loaded only after this, and the DLLs that
    // system DLLs load by name are loaded from System32 first.
    RestrictDllSearch();
    PreloadSystemLibraries();
    // One Orvane at a time: a second one's catalogue would go stale as soon as either distributes.
    // It brings the first one's window to the front instead. (A mark with no window behind it,
    // however it came about, does not keep Orvane from starting.)
    const TKernelHandle mark(CreateMutexW(nullptr, FALSE, InstanceMarkName().c_str()));
    if (GetLastError() == ERROR_ALREADY_EXISTS && ActivateRunningForm(3000))
        return 0;
    // COM for the shell's copy, move and open operations, on this one UI thread.
    TComScope com;
    try {
        INITCOMMONCONTROLSEX controls{sizeof(controls), 0};
        controls.dwICC = ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES;
        CommonControls().InitCommonControlsEx(&controls);
        WindowsShell shell;
        TMainForm form(shell);
        shell.SetOwnerWindow(form.Handle());
        form.Show(showCommand);
        return RunMessageLoop(form);
    } catch (const std::exception& e) {
        MessageBoxW(nullptr, Widen(ErrorBoxText(e.what())).c_str(), Widen(ApplicationTitle).c_str(),
                    MB_OK | MB_ICONERROR);
        return 1;
    }
}
