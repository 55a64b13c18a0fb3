#include "ui/pages.h"

#include <uxtheme.h>
#include <vssym32.h>

namespace {

// Messages a child sends to its parent that the main window handles.
bool IsForwarded(UINT message) {
    switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
        return true;
    default:
        return false;
    }
}

LRESULT CALLBACK ForwardingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // A child asks its parent about the cursor first; the form gives links the hand.
    const bool childCursor = message == WM_SETCURSOR && reinterpret_cast<HWND>(wParam) != hwnd;
    if (IsForwarded(message) || childCursor)
        return SendMessageW(GetAncestor(hwnd, GA_ROOT), message, wParam, lParam);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// The thin frame around the pages: the theme's tab-pane border colour where a visual style is
// active, the classic raised edge otherwise.
void PaintFrame(HWND hwnd) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    RECT rect;
    GetClientRect(hwnd, &rect);
    HTHEME theme = OpenThemeData(hwnd, L"TAB");
    if (theme) {
        COLORREF border = GetSysColor(COLOR_BTNSHADOW);
        GetThemeColor(theme, TABP_PANE, 0, TMT_BORDERCOLOR, &border);
        CloseThemeData(theme);
        SetDCBrushColor(dc, border);
        FrameRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    } else {
        DrawEdge(dc, &rect, EDGE_RAISED, BF_RECT);
    }
    EndPaint(hwnd, &paint);
}

LRESULT CALLBACK PageControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        PaintFrame(hwnd);
        return 0;
    case WM_SIZE:
        // The frame follows the edges; repaint it whole rather than only the new strip.
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    default:
        return ForwardingProc(hwnd, message, wParam, lParam);
    }
}

void Register(HINSTANCE instance, const wchar_t* name, WNDPROC proc) {
    WNDCLASSEXW existing{sizeof(existing)};
    if (GetClassInfoExW(instance, name, &existing))
        return;
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
}

} // namespace

void RegisterPageClasses(HINSTANCE instance) {
    Register(instance, PageControlClass, PageControlProc);
    Register(instance, TabSheetClass, ForwardingProc);
}
