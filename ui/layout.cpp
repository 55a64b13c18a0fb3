#include "ui/layout.h"

#include "texts/texts.h"
#include "ui/resources/resource.h"
#include "win32/handles.h"
#include "win32/text.h"

#include <commctrl.h>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>

using K = TControlKind;
using C = ControlId;

// clang-format off
const std::array<TControlLayout, ControlCount> FormLayout = {{
    {C::PageControl1, "PageControl1", C::Form, K::PageControl, 3, 2, 736, 486, akAll, 0, nullptr, 0},
    {C::TabSheet1, "TabSheet1", C::PageControl1, K::TabSheet, 4, 4, 728, 478, akAll, 0, nullptr, 0},
    {C::TabSheet2, "TabSheet2", C::PageControl1, K::TabSheet, 4, 4, 728, 478, akAll, 0, nullptr, 0},
    {C::TabSheet3, "TabSheet3", C::PageControl1, K::TabSheet, 4, 4, 728, 478, akAll, 0, nullptr, 0},
    {C::Button4, "Button4", C::Form, K::Button, 536, 496, 75, 25, akRight | akBottom, 13, Text(TText::Button4), 0},
    {C::Button5, "Button5", C::Form, K::Button, 448, 496, 75, 25, akRight | akBottom, 13, Text(TText::Button5), 0},
    {C::Button6, "Button6", C::Form, K::Button, 648, 496, 75, 25, akRight | akBottom, 13, Text(TText::Button6), 0},

    // The welcome page.
    {C::Label2, "Label2", C::TabSheet1, K::Label, 7, 8, 711, 95, akLeft | akTop | akRight, 16,
     Text(TText::Label2), 0},
    {C::Label5, "Label5", C::TabSheet1, K::Label, 8, 112, 711, 57, akLeft | akTop | akRight, 16,
     Text(TText::Label5), 0},
    {C::Label6, "Label6", C::TabSheet1, K::LineLabel, 7, 184, 636, 19, akLeft | akTop | akRight, 16,
     Text(TText::Label6), 0},
    {C::Image2, "Image2", C::TabSheet1, K::Picture, 15, 212, 276, 250, akLeft | akBottom, 0, nullptr,
     IDB_WELCOME_BEFORE},
    {C::Image1, "Image1", C::TabSheet1, K::Picture, 393, 212, 321, 250, akRight | akBottom, 0, nullptr,
     IDB_WELCOME_AFTER},

    // The category page.
    {C::Label1, "Label1", C::TabSheet2, K::LineLabel, 0, 0, 728, 23, akLeft | akTop | akRight, 19,
     Text(TText::Label1), 0},
    {C::ToolBar1, "ToolBar1", C::TabSheet2, K::ToolBar, 0, 23, 728, 60, akLeft | akTop | akRight, 16,
     nullptr, 0},
    {C::Label7, "Label7", C::TabSheet2, K::Label, 8, 85, 671, 38, akLeft | akTop | akRight, 16,
     Text(TText::Label7), 0},
    {C::ListView1, "ListView1", C::TabSheet2, K::ListView, 8, 136, 711, 293, akAll, 13, nullptr, 0},
    {C::Button2, "Button2", C::TabSheet2, K::Button, 8, 440, 120, 25, akLeft | akBottom, 13,
     Text(TText::Button2), 0},
    {C::Button3, "Button3", C::TabSheet2, K::Button, 136, 440, 120, 25, akLeft | akBottom, 13,
     Text(TText::Button3), 0},
    {C::Button10, "Button10", C::TabSheet2, K::Button, 264, 440, 160, 25, akLeft | akBottom, 13,
     Text(TText::Button10), 0},

    // The final page.
    {C::Label3, "Label3", C::TabSheet3, K::Label, 8, 8, 705, 38, akLeft | akTop | akRight, 16,
     Text(TText::Label3), 0},
    {C::Label4, "Label4", C::TabSheet3, K::LineLabel, 9, 64, 260, 19, akLeft | akTop, 16,
     Text(TText::Label4), 0},
    {C::Edit1, "Edit1", C::TabSheet3, K::Edit, 9, 88, 711, 21, akLeft | akTop | akRight, 11, nullptr, 0},
    {C::Button7, "Button7", C::TabSheet3, K::Button, 8, 120, 169, 25, akLeft | akTop, 16,
     Text(TText::Button7), 0},
    {C::Label8, "Label8", C::TabSheet3, K::Label, 9, 168, 681, 38, akLeft | akTop, 16,
     Text(TText::Label8), 0},
    {C::Button8, "Button8", C::TabSheet3, K::Button, 8, 216, 169, 25, akLeft | akTop, 16,
     Text(TText::Button8), 0},
    {C::Button9, "Button9", C::TabSheet3, K::Button, 8, 248, 169, 25, akLeft | akTop, 16,
     Text(TText::Button9), 0},
    // Whether this user's scheduled task keeps the order after updates; set on every entry to the
    // page. To the right of the buttons; the rows under it in this column stay free for more boxes.
    {C::CheckBox1, "CheckBox1", C::TabSheet3, K::CheckBox, 192, 216, 440, 25, akLeft | akTop, 16,
     Text(TText::CheckBox1), 0},
    // What "Начать обработку" does beside: shortcuts of removed programs set aside (with their
    // number, set when they are known), a group's links left out.
    {C::CheckBox2, "CheckBox2", C::TabSheet3, K::Option, 192, 248, 528, 25, akLeft | akTop, 16,
     Text(TText::CheckBox2), 0},
    {C::Label15, "Label15", C::TabSheet3, K::LineLabel, 448, 280, 272, 19, akLeft | akTop, 13,
     nullptr, 0},
    {C::CheckBox3, "CheckBox3", C::TabSheet3, K::Option, 448, 302, 272, 36, akLeft | akTop, 13,
     Text(TText::CheckBox3), 0},
    // What "Начать обработку" will move; set on every entry to the page.
    {C::Label14, "Label14", C::TabSheet3, K::LineLabel, 9, 280, 408, 19, akLeft | akTop, 16,
     nullptr, 0},
    {C::Label9, "Label9", C::TabSheet3, K::LineLabel, 9, 312, 408, 19, akLeft | akTop, 16,
     Text(TText::Label9), 0},
    {C::Label10, "Label10", C::TabSheet3, K::Link, 8, 336, 165, 19, akLeft | akTop, 16,
     SupportAddress, 0},
    {C::Label11, "Label11", C::TabSheet3, K::Label, 9, 368, 663, 57, akLeft | akTop | akRight, 16,
     Text(TText::Label11), 0},
    {C::Label12, "Label12", C::TabSheet3, K::LineLabel, 9, 432, 156, 19, akLeft | akTop, 16,
     Text(TText::Label12), 0},
    {C::Label13, "Label13", C::TabSheet3, K::Link, 9, 456, 197, 19, akLeft | akTop, 16,
     ProductPageUrl, 0},
}};
// clang-format on

size_t LayoutIndex(ControlId id) {
    for (size_t i = 0; i < FormLayout.size(); ++i)
        if (FormLayout[i].Id == id)
            return i;
    throw std::logic_error("no layout for control " + std::to_string(static_cast<int>(id)));
}

const TControlLayout& LayoutOf(ControlId id) {
    return FormLayout[LayoutIndex(id)];
}

SIZE DesignClientSize(ControlId parent) {
    if (parent == ControlId::Form)
        return FormDesignClient;
    const TControlLayout& container = LayoutOf(parent);
    return {container.Width, container.Height};
}

int Scale(int value, int dpi) {
    return MulDiv(value, dpi, DesignDpi);
}

namespace {

// The least room, at 96 DPI, that texts which grow leave between a page's content and its edges.
constexpr int PageMargin = 8;

bool HasText(TControlKind kind) {
    return kind == K::Label || kind == K::LineLabel || kind == K::Link || kind == K::Button ||
           kind == K::CheckBox || kind == K::Option;
}

bool IsContainer(ControlId id) {
    return id == C::Form || id == C::PageControl1 || id == C::TabSheet1 || id == C::TabSheet2 ||
           id == C::TabSheet3;
}

// How much a container's client area is larger than designed once the texts fit.
SIZE ContainerGrowth(ControlId parent, const TTextFit& fit) {
    return parent == C::Form ? fit.FormGrowth : fit.Growth[LayoutIndex(parent)];
}

// How much more room than it has a parent needs so that its grown and moved children keep inside
// it: a child anchored to the far edge keeps its designed distance to it, any other stays clear of
// it by PageMargin unless its design already came closer.
SIZE RoomNeeded(ControlId parent, const TTextFit& fit, int dpi) {
    const SIZE design = DesignClientSize(parent);
    SIZE need{0, 0};
    for (size_t i = 0; i < FormLayout.size(); ++i) {
        const TControlLayout& c = FormLayout[i];
        if (c.Parent != parent)
            continue;
        const int right = Scale(c.Left, dpi) + Scale(c.Width, dpi);
        const int rightLimit = std::max(right, Scale(design.cx - PageMargin, dpi));
        need.cx = std::max<LONG>(need.cx, right + fit.Growth[i].cx - rightLimit);
        if (c.Anchors & akBottom) {
            need.cy = std::max<LONG>(need.cy, fit.Shift[i]);
        } else {
            const int bottom = Scale(c.Top, dpi) + Scale(c.Height, dpi);
            const int bottomLimit = std::max(bottom, Scale(design.cy - PageMargin, dpi));
            need.cy =
                std::max<LONG>(need.cy, bottom + fit.Shift[i] + fit.Growth[i].cy - bottomLimit);
        }
    }
    return need;
}

// One axis of AnchoredRect: the start and end of a control along it. `shift` moves a control that
// keeps to the near edge, `grow` lengthens it, `parentGrowth` is what its parent grew to fit its
// texts and `resize` how much the parent's actual size differs from that.
std::pair<int, int> AnchoredSpan(int start, int length, int shift, int grow, int parentGrowth,
                                 int resize, bool nearEdge, bool farEdge) {
    const int farEnd = start + length + parentGrowth + resize;
    // A stretched control has what its parent grew, and more if its own text needs more.
    if (nearEdge && farEdge)
        return {start + shift, farEnd + std::max(0, grow - parentGrowth)};
    if (farEdge)
        return {farEnd - length - grow, farEnd};
    return {start + shift, start + shift + length + grow};
}

// Gives the toolbar its place, lets it wrap its buttons to that width and returns how much higher
// than that place its rows of buttons need it to be.
int FitToolBar(HWND toolbar, const RECT& place) {
    const int height = place.bottom - place.top;
    SetWindowPos(toolbar, nullptr, place.left, place.top, place.right - place.left, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(toolbar, TB_AUTOSIZE, 0, 0);
    const auto count = static_cast<int>(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0));
    RECT last{};
    if (count == 0 ||
        !SendMessageW(toolbar, TB_GETITEMRECT, count - 1, reinterpret_cast<LPARAM>(&last)))
        return 0;
    return std::max(0, static_cast<int>(last.bottom) - height);
}

} // namespace

SIZE TextExtent(HWND control, TControlKind kind, int width) {
    if (kind == K::Button || kind == K::CheckBox) {
        // The button's own measure of its text with its margins, and a check box's with its box
        // (common controls 6).
        SIZE ideal{};
        if (SendMessageW(control, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)))
            return ideal;
    }
    const std::wstring text = Widen(WindowText(control));
    const TWindowDc dc(control);
    const TSelection font(dc.get(),
                          reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT rect{0, 0, width, 0};
    // An option's text wraps beside its box and the gap after it.
    const int box = kind == K::Option ? GetSystemMetrics(SM_CXMENUCHECK) + 4 : 0;
    rect.right -= box;
    // The flags a static control draws with: it breaks lines where this measure says.
    const UINT lines = kind == K::Label || kind == K::Option ? DT_WORDBREAK : DT_SINGLELINE;
    DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &rect,
              DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | lines);
    return {rect.right - rect.left + box, rect.bottom - rect.top};
}

TTextFit FitTexts(const std::array<HWND, ControlCount>& controls, int dpi) {
    TTextFit fit;
    for (size_t i = 0; i < FormLayout.size(); ++i) {
        const TControlLayout& c = FormLayout[i];
        if (!HasText(c.Kind) || !controls[i])
            continue;
        const SIZE designed{Scale(c.Width, dpi), Scale(c.Height, dpi)};
        const SIZE need = TextExtent(controls[i], c.Kind, designed.cx);
        // A word-wrapped label or option keeps its width and takes the lines it needs.
        if (c.Kind != K::Label && c.Kind != K::Option)
            fit.Growth[i].cx = std::max<LONG>(0, need.cx - designed.cx);
        fit.Growth[i].cy = std::max<LONG>(0, need.cy - designed.cy);
    }
    // Each control moves down by what the controls above it on its parent grew and moved; a
    // control's designed top is below those of all the controls above it, so they come first.
    std::array<size_t, ControlCount> order{};
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [](size_t a, size_t b) { return FormLayout[a].Top < FormLayout[b].Top; });
    for (size_t i : order) {
        const TControlLayout& c = FormLayout[i];
        for (size_t above : order) {
            const TControlLayout& a = FormLayout[above];
            if (a.Parent == c.Parent && a.Top + a.Height <= c.Top)
                fit.Shift[i] = std::max<int>(fit.Shift[i], fit.Shift[above] + fit.Growth[above].cy);
        }
    }
    // The pages and their container stretch with the window, so what any of them needs the window
    // gives them all.
    for (const TControlLayout& c : FormLayout) {
        if (!IsContainer(c.Id))
            continue;
        const SIZE need = RoomNeeded(c.Id, fit, dpi);
        fit.FormGrowth.cx = std::max(fit.FormGrowth.cx, need.cx);
        fit.FormGrowth.cy = std::max(fit.FormGrowth.cy, need.cy);
    }
    const SIZE form = RoomNeeded(C::Form, fit, dpi);
    fit.FormGrowth.cx = std::max(fit.FormGrowth.cx, form.cx);
    fit.FormGrowth.cy = std::max(fit.FormGrowth.cy, form.cy);
    for (size_t i = 0; i < FormLayout.size(); ++i)
        if (IsContainer(FormLayout[i].Id))
            fit.Growth[i] = fit.FormGrowth;
    return fit;
}

RECT AnchoredRect(size_t index, SIZE parentSize, int dpi, const TTextFit& fit) {
    const TControlLayout& control = FormLayout[index];
    const SIZE design = DesignClientSize(control.Parent);
    const SIZE parentGrowth = ContainerGrowth(control.Parent, fit);
    const SIZE grow = fit.Growth[index];
    const auto [x0, x1] =
        AnchoredSpan(Scale(control.Left, dpi), Scale(control.Width, dpi), 0, grow.cx,
                     parentGrowth.cx, parentSize.cx - Scale(design.cx, dpi) - parentGrowth.cx,
                     control.Anchors & akLeft, control.Anchors & akRight);
    const auto [y0, y1] =
        AnchoredSpan(Scale(control.Top, dpi), Scale(control.Height, dpi), fit.Shift[index], grow.cy,
                     parentGrowth.cy, parentSize.cy - Scale(design.cy, dpi) - parentGrowth.cy,
                     control.Anchors & akTop, control.Anchors & akBottom);
    return {x0, y0, x1, y1};
}

void PlaceControls(const std::array<HWND, ControlCount>& controls, SIZE client, int dpi,
                   const TTextFit& fit) {
    std::map<ControlId, SIZE> parentSizes{{C::Form, client}};
    const TControlLayout* toolbar = nullptr;
    int toolbarGrowth = 0;
    for (size_t i = 0; i < FormLayout.size(); ++i) {
        const TControlLayout& layout = FormLayout[i];
        RECT rect = AnchoredRect(i, parentSizes.at(layout.Parent), dpi, fit);
        if (layout.Kind == K::ToolBar) {
            toolbar = &layout;
            toolbarGrowth = FitToolBar(controls[i], rect);
            rect.bottom += toolbarGrowth;
        } else if (toolbar && layout.Parent == toolbar->Parent && (layout.Anchors & akTop) &&
                   layout.Top >= toolbar->Top + toolbar->Height) {
            rect.top += toolbarGrowth;
            if (!(layout.Anchors & akBottom))
                rect.bottom += toolbarGrowth;
        }
        SetWindowPos(controls[i], nullptr, rect.left, rect.top, rect.right - rect.left,
                     rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
        parentSizes[layout.Id] = {rect.right - rect.left, rect.bottom - rect.top};
    }
}
