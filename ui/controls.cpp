#include "ui/controls.h"

#include "texts/texts.h"
#include "ui/pages.h"
#include "win32/handles.h"
#include "win32/text.h"

#include <commctrl.h>

#include <algorithm>
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
                WS_TABSTOP | TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_WRAPABLE | CCS_NORESIZE |
                    CCS_NOPARENTALIGN | CCS_NODIVIDER,
                0};
    case TControlKind::ListView:
        // The list's image list belongs to the form, not to the list; so do its rows, which it
        // asks the form for as it draws them.
        return {WC_LISTVIEWW,
                WS_TABSTOP | LVS_LIST | LVS_SINGLESEL | LVS_EDITLABELS | LVS_SHAREIMAGELISTS |
                    LVS_OWNERDATA,
                WS_EX_CLIENTEDGE};
    case TControlKind::Edit:
        return {WC_EDITW, WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case TControlKind::CheckBox:
        // Not ticked by a click itself: the program ticks it to show what is so.
        return {WC_BUTTONW, WS_TABSTOP | BS_CHECKBOX, 0};
    case TControlKind::Option:
        return {WC_BUTTONW, WS_TABSTOP | BS_AUTOCHECKBOX | BS_MULTILINE | BS_TOP, 0};
    }
    throw std::logic_error("unknown control kind");
}

// The index of a tool bar's button that is pressed in (not greyed), or 0.
int CurrentButton(HWND toolbar, int count) {
    for (int index = 0; index < count; ++index) {
        TBBUTTON button{};
        SendMessageW(toolbar, TB_GETBUTTON, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(&button));
        if (!(button.fsState & TBSTATE_INDETERMINATE))
            return index;
    }
    return 0;
}

// The tool bar from the keyboard, the same with every version of the common controls: the arrows
// move the highlight between its buttons, Space and Enter press the highlighted one (its command
// goes to the parent, as a click's does). The highlight starts on the button pressed in.
LRESULT CALLBACK ToolBarKeysProc(HWND toolbar, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(toolbar, GWLP_USERDATA));
    const auto count = [&] {
        return static_cast<int>(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0));
    };
    // The highlighted button; the one pressed in when none is (the mouse took it away).
    const auto hot = [&] {
        const auto index = static_cast<int>(SendMessageW(toolbar, TB_GETHOTITEM, 0, 0));
        return index >= 0 && index < count() ? index : CurrentButton(toolbar, count());
    };
    switch (message) {
    case WM_GETDLGCODE: {
        // Enter too, which the dialog keyboard would otherwise take for the default button.
        const auto* key = reinterpret_cast<const MSG*>(lParam);
        const bool enter = key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN;
        return DLGC_WANTARROWS | (enter ? DLGC_WANTMESSAGE : 0);
    }
    case WM_SETFOCUS: {
        // After the tool bar's own handling, which may highlight the first button.
        const LRESULT result = CallWindowProcW(original, toolbar, message, wParam, lParam);
        SendMessageW(toolbar, TB_SETHOTITEM, static_cast<WPARAM>(CurrentButton(toolbar, count())),
                     0);
        return result;
    }
    case WM_KILLFOCUS:
        SendMessageW(toolbar, TB_SETHOTITEM, static_cast<WPARAM>(-1), 0);
        break;
    case WM_KEYDOWN:
        switch (wParam) {
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN: {
            const int step = wParam == VK_LEFT || wParam == VK_UP ? -1 : 1;
            const int next = std::min(std::max(hot() + step, 0), count() - 1);
            SendMessageW(toolbar, TB_SETHOTITEM, static_cast<WPARAM>(next), 0);
            return 0;
        }
        case VK_SPACE:
        case VK_RETURN: {
            TBBUTTON button{};
            if (SendMessageW(toolbar, TB_GETBUTTON, static_cast<WPARAM>(hot()),
                             reinterpret_cast<LPARAM>(&button)))
                SendMessageW(GetParent(toolbar), WM_COMMAND,
                             MAKEWPARAM(button.idCommand, BN_CLICKED),
                             reinterpret_cast<LPARAM>(toolbar));
            return 0;
        }
        default:
            break;
        }
        break;
    case WM_CHAR:
        if (wParam == L' ' || wParam == L'\r')
            return 0; // handled as keys: no beep
        break;
    case WM_NCDESTROY:
        SetWindowLongPtrW(toolbar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        break;
    default:
        break;
    }
    return CallWindowProcW(original, toolbar, message, wParam, lParam);
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
        throw std::runtime_error(Text(TText::WindowClassNotRegistered, {Narrow(name)}));
}

HWND CreateControl(const TControlLayout& layout, HWND parent, bool hidden) {
    const TWindowKind kind = KindOf(layout.Kind);
    HWND control =
        CreateWindowExW(kind.ExStyle, kind.Class, layout.Text ? Widen(layout.Text).c_str() : L"",
                        WS_CHILD | (hidden ? 0 : WS_VISIBLE) | kind.Style, 0, 0, 0, 0, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.Id)),
                        GetModuleHandleW(nullptr), nullptr);
    if (!control)
        throw std::runtime_error(Text(TText::ControlNotCreated, {layout.Name}));
    if (layout.Kind == TControlKind::ToolBar) {
        SendMessageW(control, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
        SetWindowLongPtrW(
            control, GWLP_USERDATA,
            SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ToolBarKeysProc)));
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
