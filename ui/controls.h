// The main window's plumbing that is not the wizard: its controls created by kind from the layout
// table, the DPI of a window, and centring.
#pragma once

#include "ui/layout.h"

#include <windows.h>

// Registers a window class of this program with the button-face background and the arrow
// cursor, unless it is registered already. Throws when the system refuses.
void RegisterWindowClass(const wchar_t* name, WNDPROC proc, HICON icon = nullptr,
                         HICON smallIcon = nullptr);

// Creates the child window of a control of the layout table, by its kind, with its text but not
// yet placed or given a font; shown unless `hidden`. Throws when the system refuses.
HWND CreateControl(const TControlLayout& layout, HWND parent, bool hidden);

// The DPI of the monitor a window is on. GetDpiForWindow exists from Windows 10 1607 on; older
// systems have one DPI for everything.
int WindowDpi(HWND window);

// Sizes a top-level window to `size` and puts it in the middle of its monitor.
void CenterOnMonitor(HWND window, SIZE size);
