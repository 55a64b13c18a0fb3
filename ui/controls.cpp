#include "ui/controls.h"

#include "ui/pages.h"
#include "win32/handles.h"
#include "win32/text.h"

#include <commctrl.h>

#include <stdexcept>
#include <string>

namespace {

struct TWindowKind {
    const wchar_t* Class;
    DWORD Style;
    DWORD ExStyle;
};

TWindowKind KindOf(TControlKind kind) {
    switch (kind) {
    case TControlKind::PageControl:
        return {PageControlClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
    case TControlKind::TabSheet:
        return {TabSheetClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
    case TControlKind::Button:
        return {WC_BUTTONW, WS_TABSTOP | BS_PUSHBUTTON, 0};
    case TControlKind::Label:
        return {WC_STATICW, SS_LEFT | SS_NOPREFIX, 0};
    case TControlKind::LineLabel:
        return {WC_STATICW, SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0};
    case TControlKind::Link:
        return {WC_STATICW, SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_NOTIFY, 0};
    case TControlKind::Picture:
        return {WC_STATICW, SS_OWNERDRAW, 0};
    case TControlKind::ToolBar:
        // Placed and sized by PlaceControls alone; buttons wrap onto more rows when narrow.
        return {TOOLBARCLASSNAMEW,
                TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_WRAPABLE | CCS_NORESIZE | CCS_NOPARENTALIGN |
                    CCS_NODIVIDER,
                0};
    case TControlKind::ListView:
        // The list's image list belongs to the form, not to the list.
        return {WC_LISTVIEWW,
                WS_TABSTOP | LVS_LIST | LVS_SINGLESEL | LVS_EDITLABELS | LVS_SHAREIMAGELISTS,
                WS_EX_CLIENTEDGE};
    case TControlKind::Edit:
        return {WC_EDITW, WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    }
    throw std::logic_error("unknown control kind");
}

} // namespace

void RegisterWindowClass(const wchar_t* name, WNDPROC proc, HICON icon, HICON smallIcon) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW existing{sizeof(existing)};
    if (GetClassInfoExW(instance, name, &existing))
        return;
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hIcon = icon;
    wc.hIconSm = smallIcon;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    if (!RegisterClassExW(&wc))
        throw std::runtime_error("The window class " + Narrow(name) + " cannot be registered");
}

HWND CreateControl(const TControlLayout& layout, HWND parent, bool hidden) {
    const TWindowKind kind = KindOf(layout.Kind);
    HWND control =
        CreateWindowExW(kind.ExStyle, kind.Class, layout.Text ? Widen(layout.Text).c_str() : L"",
                        WS_CHILD | (hidden ? 0 : WS_VISIBLE) | kind.Style, 0, 0, 0, 0, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.Id)),
                        GetModuleHandleW(nullptr), nullptr);
    if (!control)
        throw std::runtime_error(std::string("The control ") + layout.Name + " cannot be created");
    if (layout.Kind == TControlKind::ToolBar) {
        SendMessageW(control, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    } else if (layout.Kind == TControlKind::ListView) {
        ListView_SetExtendedListViewStyle(control, LVS_EX_CHECKBOXES);
        // The one column, seen only in the report style; its width follows the DPI.
        LVCOLUMNW column{};
        column.mask = LVCF_WIDTH;
        column.cx = ListColumnWidth;
        ListView_InsertColumn(control, 0, &column);
    }
    return control;
}

int WindowDpi(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    if (FARPROC proc = GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")) {
        // Through void(*)(): the one function pointer type any other may be cast from cleanly.
        auto getDpi = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void (*)()>(proc));
        if (UINT dpi = getDpi(window))
            return static_cast<int>(dpi);
    }
    const TWindowDc screen(nullptr);
    return GetDeviceCaps(screen.get(), LOGPIXELSX);
}

void CenterOnMonitor(HWND window, SIZE size) {
    MONITORINFO monitor{sizeof(monitor)};
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& screen = monitor.rcMonitor;
    SetWindowPos(window, nullptr, screen.left + (screen.right - screen.left - size.cx) / 2,
                 screen.top + (screen.bottom - screen.top - size.cy) / 2, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}
