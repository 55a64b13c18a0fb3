// Orvane's entry: the main window over the real Windows shell, and the message loop.
#include "shell/wide_text.h"
#include "shell/windows_shell.h"
#include "ui/UMainForm.h"

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <exception>

namespace {

// COM for the shell's copy, move and open operations, on this one UI thread.
class TComApartment {
public:
    TComApartment()
        : initialised_(SUCCEEDED(
              CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    TComApartment(const TComApartment&) = delete;
    TComApartment& operator=(const TComApartment&) = delete;
    ~TComApartment() {
        if (initialised_)
            CoUninitialize();
    }

private:
    bool initialised_;
};

int RunMessageLoop(const TMainForm& form) {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Tab and the arrow keys move between controls as in a dialog.
        if (form.Handle() && IsDialogMessageW(form.Handle(), &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    INITCOMMONCONTROLSEX controls{sizeof(controls),
                                  ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    TComApartment com;
    try {
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
