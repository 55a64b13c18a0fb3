// A program that is careful and does nothing else: it restricts the DLL search first, loads the
// common controls afterwards and shows a list view. Any DLL beside it that it still loads is
// loaded by Wine itself; the planted-DLL test measures that with it.
#include "win32/common_controls.h"
#include "win32/system.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    RestrictDllSearch();
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    CommonControls().InitCommonControlsEx(&controls);
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"Careful", WS_OVERLAPPEDWINDOW | LVS_REPORT, 0, 0,
                                300, 200, nullptr, nullptr, nullptr, nullptr);
    ShowWindow(list, SW_SHOWNOACTIVATE);
    UpdateWindow(list);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
    DestroyWindow(list);
    return 0;
}
