// TMainForm's controls: created from the layout table, placed for the window's size, scaled to
// its DPI, coloured and drawn.
#include "ui/UMainForm.h"

#include "ui/UMainFormInternal.h"
#include "ui/controls.h"

namespace {

// Whether the user chose a high-contrast scheme, whose colours links must keep to.
bool IsHighContrast() {
    HIGHCONTRASTW contrast{sizeof(contrast)};
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

} // namespace

void TMainForm::CreateControls() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    for (size_t i = 0; i < FormLayout.size(); ++i) {
        const TControlLayout& layout = FormLayout[i];
        const bool hidden =
            layout.Kind == TControlKind::TabSheet && layout.Id != PageId(activePage_);
        controls_[i] = CreateControl(layout, Control(layout.Parent), hidden);
        if (layout.Kind == TControlKind::Picture)
            pictures_[layout.Id].reset(
                static_cast<HBITMAP>(LoadImageW(instance, MAKEINTRESOURCEW(layout.Resource),
                                                IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    }
    ApplyDpi();
}

const TControlLayout* TMainForm::LayoutOfWindow(HWND control) const {
    for (size_t i = 0; i < FormLayout.size(); ++i)
        if (controls_[i] == control)
            return &FormLayout[i];
    return nullptr;
}

// The designed size, and larger where the texts need more room at this DPI.
SIZE TMainForm::MinimumSize() const {
    return {Scale(FormDesignSize.cx, dpi_) + fit_.FormGrowth.cx,
            Scale(FormDesignSize.cy, dpi_) + fit_.FormGrowth.cy};
}

// Fonts and other DPI-dependent sizes that are not positions. The old fonts are freed only after
// every control has been given its new one.
void TMainForm::ApplyDpi() {
    TFontCache fonts(dpi_);
    for (size_t i = 0; i < FormLayout.size(); ++i)
        if (FormLayout[i].FontPx)
            SendMessageW(controls_[i], WM_SETFONT,
                         reinterpret_cast<WPARAM>(fonts.Get(
                             FormLayout[i].FontPx, FormLayout[i].Kind == TControlKind::Link)),
                         TRUE);
    fonts_ = std::move(fonts);
    ListView1().SetColumnWidth(0, Scale(ListColumnWidth, dpi_));
    fit_ = FitTexts(controls_, dpi_);
}

void TMainForm::PlaceControls() {
    if (!controls_.back())
        return; // WM_SIZE during creation, before the controls exist
    RECT client;
    GetClientRect(handle_, &client);
    ::PlaceControls(controls_, {client.right, client.bottom}, dpi_, fit_);
}

TMainForm::TAnswer TMainForm::OnSize() {
    PlaceControls();
    return 0;
}

TMainForm::TAnswer TMainForm::OnGetMinMaxInfo(MINMAXINFO& info) {
    const SIZE minimum = MinimumSize();
    info.ptMinTrackSize = {minimum.cx, minimum.cy};
    return 0;
}

TMainForm::TAnswer TMainForm::OnDpiChanged(int dpi, const RECT& suggested) {
    dpi_ = dpi;
    ApplyDpi();
    SetWindowPos(handle_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    PlaceControls();
    return 0;
}

TMainForm::TAnswer TMainForm::OnSysColorChange(WPARAM wParam, LPARAM lParam) {
    // The common controls take new system colours only when told.
    for (ControlId id : {ControlId::ToolBar1, ControlId::ListView1})
        SendMessageW(Control(id), WM_SYSCOLORCHANGE, wParam, lParam);
    InvalidateRect(handle_, nullptr, TRUE);
    return std::nullopt;
}

TMainForm::TAnswer TMainForm::OnCtlColorStatic(HDC dc, HWND control) {
    const TControlLayout* layout = LayoutOfWindow(control);
    const bool link = layout && layout->Kind == TControlKind::Link;
    SetTextColor(dc, !link              ? GetSysColor(COLOR_BTNTEXT)
                     : IsHighContrast() ? GetSysColor(COLOR_HOTLIGHT)
                                        : LinkColor);
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE)); // system brush: not freed
}

TMainForm::TAnswer TMainForm::OnDrawItem(const DRAWITEMSTRUCT& item) {
    const auto picture = pictures_.find(static_cast<ControlId>(item.CtlID));
    if (picture == pictures_.end() || !picture->second)
        return TRUE;
    BITMAP size{};
    GetObjectW(picture->second.get(), sizeof(size), &size);
    TMemoryDc source(CreateCompatibleDC(item.hDC));
    TSelection selected(source.get(), picture->second.get());
    const RECT& target = item.rcItem;
    // The pictures are drawn on the button-face grey of a standard Windows page; that grey is
    // left out, so they blend with the page whatever face colour the system uses.
    FillRect(item.hDC, &target, GetSysColorBrush(COLOR_BTNFACE));
    GdiTransparentBlt(item.hDC, target.left, target.top, target.right - target.left,
                      target.bottom - target.top, source.get(), 0, 0, size.bmWidth, size.bmHeight,
                      PictureBackground);
    return TRUE;
}
