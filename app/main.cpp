// Orvane's entry: the main window over the real Windows shell, and the message loop.
#include "actions/reapply.h"
#include "app/all_users_step_main.h"
#include "shell/windows_shell.h"
#include "ui/UMainForm.h"
#include "ui/single_instance.h"
#include "win32/common_controls.h"
#include "win32/console.h"
#include "win32/handles.h"
#include "win32/system.h"
#include "win32/text.h"

#include <windows.h>

#include <exception>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    // The program often runs from a downloads folder, and as the all-users step with administrator
    // rights: no DLL may come from there. The common controls are loaded only after this, and the
    // DLLs that system DLLs load by name are loaded from System32 first.
    RestrictDllSearch();
    PreloadSystemLibraries();
    EnforceRedirectionTrust();
    // Started with administrator rights for the all-users step: that, and no window.
    const std::vector<std::string> args = CommandLineArguments();
    if (const std::optional<int> served = ServeAllUsersStepIfAsked(args))
        return *served;
    // Started by the scheduled task: the re-apply, with no window, no dialog and no question.
    if (args == std::vector<std::string>{"--reapply"}) {
        TComScope com;
        WindowsShell shell;
        shell.SetQuiet(true);
        return Reapply(shell).Complete() ? 0 : 1;
    }
    // One Orvane at a time: a second one brings the first one's window to the front instead.
    if (BroughtRunningOrvaneForward())
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
