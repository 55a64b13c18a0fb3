#include "ui/pages.h"

#include "ui/controls.h"
#include "win32/handles.h"
#include "win32/system.h"

#include <uxtheme.h>
#include <vssym32.h>

#include <optional>

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

// The theme's tab-pane border colour where a visual style is active. The theme library is taken
// from System32 only (it is no KnownDLL, and a program folder may hold a planted one); without it
// there is no colour.
std::optional<COLORREF> ThemeBorderColor(HWND hwnd) {
    using OpenThemeDataFn = HTHEME(WINAPI*)(HWND, LPCWSTR);
    using GetThemeColorFn = HRESULT(WINAPI*)(HTHEME, int, int, int, COLORREF*);
    const TModule uxtheme = LoadSystemLibrary(L"uxtheme.dll");
    const auto open = ProcedureOf<OpenThemeDataFn>(uxtheme.get(), "OpenThemeData");
    const auto getColor = ProcedureOf<GetThemeColorFn>(uxtheme.get(), "GetThemeColor");
    // The theme is closed through the same library (TTheme), before the library is let go.
    if (!open || !getColor || !GetProcAddress(uxtheme.get(), "CloseThemeData"))
        return std::nullopt;
    const TTheme theme(open(hwnd, L"TAB"));
    if (!theme)
        return std::nullopt;
    COLORREF border = GetSysColor(COLOR_BTNSHADOW);
    getColor(theme.get(), TABP_PANE, 0, TMT_BORDERCOLOR, &border);
    return border;
}

// The thin frame around the pages: the theme's border colour where a visual style is active, the
// classic raised edge otherwise.
void PaintFrame(HWND hwnd) {
    const TPaint paint(hwnd);
    RECT rect;
    GetClientRect(hwnd, &rect);
    if (const std::optional<COLORREF> border = ThemeBorderColor(hwnd)) {
        SetDCBrushColor(paint.get(), *border);
        FrameRect(paint.get(), &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    } else {
        DrawEdge(paint.get(), &rect, EDGE_RAISED, BF_RECT);
    }
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

} // namespace

void RegisterPageClasses() {
    RegisterWindowClass(PageControlClass, PageControlProc);
    RegisterWindowClass(TabSheetClass, ForwardingProc);
}
