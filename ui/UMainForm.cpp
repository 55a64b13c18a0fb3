#include "ui/UMainForm.h"

#include "actions/actions.h"
#include "actions/journal.h"
#include "catalogue/scan.h"
#include "catalogue/suggest.h"
#include "texts/texts.h"
#include "ui/controls.h"
#include "ui/pages.h"
#include "ui/resources/resource.h"
#include "win32/common_controls.h"
#include "win32/system.h"
#include "win32/text.h"

#include <algorithm>
#include <stdexcept>

namespace {

// Posted by the icon loader: wParam the catalogue index, lParam PackIcon's value.
constexpr UINT WM_ICONARRIVED = WM_APP + 1;

LPARAM PackIcon(const ItemIconInfo& icon) {
    return (static_cast<LPARAM>(icon.Image + 1) << 1) | (icon.IsLink ? 1 : 0);
}

ItemIconInfo UnpackIcon(LPARAM packed) {
    return {static_cast<int>(packed >> 1) - 1, (packed & 1) != 0};
}

// The tab sheet of a page: 0 welcome, 1 categories, 2 final.
ControlId PageId(int page) {
    return static_cast<ControlId>(static_cast<int>(ControlId::TabSheet1) + page);
}

// Sets a flag for the lifetime of this object.
class TFlagScope {
public:
    explicit TFlagScope(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;
    ~TFlagScope() { flag_ = old_; }

private:
    bool& flag_;
    bool old_;
};

// Whether the user chose a high-contrast scheme, whose colours links must keep to.
bool IsHighContrast() {
    HIGHCONTRASTW contrast{sizeof(contrast)};
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

constexpr int ImageSize = 16; // category and program icons

// The hourglass cursor while this object lives; the previous cursor comes back even when the work
// in between throws.
class TWaitCursor {
public:
    TWaitCursor() : old_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
    ~TWaitCursor() { SetCursor(old_); }

private:
    HCURSOR old_; // shared system cursor: never destroyed
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Window life and messages

void ProcessMessage(const TMainForm& form, MSG& message) {
    if (form.Handle() && IsDialogMessageW(form.Handle(), &message))
        return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

int RunMessageLoop(const TMainForm& form) {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        ProcessMessage(form, message);
    return static_cast<int>(message.wParam);
}

TMainForm::TMainForm(ShellServices& shell, TErrorReporter reporter)
    : shell_(shell), reporter_(std::move(reporter)) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    // Shared icons: the system frees them with the process.
    const auto icon = [&](int size) {
        return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_ORVANE), IMAGE_ICON,
                                             size, size, (size ? 0 : LR_DEFAULTSIZE) | LR_SHARED));
    };
    RegisterWindowClass(FormClass, WindowProc, icon(0), icon(GetSystemMetrics(SM_CXSMICON)));
    RegisterPageClasses();
    CreateWindowExW(0, FormClass, Widen(ApplicationTitle).c_str(),
                    WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                    FormDesignSize.cx, FormDesignSize.cy, nullptr, nullptr, instance, this);
    // A window whose controls could not all be created is not made at all.
    if (!handle_)
        throw std::runtime_error(creationFailure_.empty() ? Text(TText::WindowNotCreated)
                                                          : creationFailure_);
    CenterOnMonitor(handle_, MinimumSize());
    PlaceControls();
}

TMainForm::~TMainForm() {
    if (handle_)
        DestroyWindow(handle_);
}

void TMainForm::Show(int showCommand) {
    if (!shown_) {
        shown_ = true;
        Guarded([&] { TabSheet3Show(); });
        Guarded([&] { FormShow(); });
    }
    ShowWindow(handle_, showCommand);
    UpdateWindow(handle_);
}

HWND TMainForm::Control(ControlId id) const {
    return id == ControlId::Form ? handle_ : controls_[LayoutIndex(id)];
}

LRESULT CALLBACK TMainForm::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* form =
            static_cast<TMainForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
        form->handle_ = hwnd;
        form->dpi_ = WindowDpi(hwnd);
    }
    auto* form = reinterpret_cast<TMainForm*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!form)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    // A failure has been shown in the error box: the message counts as handled.
    TAnswer answer = 0;
    form->Guarded([&] { answer = form->HandleMessage(message, wParam, lParam); });
    return answer ? *answer : DefWindowProcW(hwnd, message, wParam, lParam);
}

TMainForm::TAnswer TMainForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return OnCreate();
    case WM_SIZE:
        return OnSize();
    case WM_DPICHANGED:
        return OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
    case WM_GETMINMAXINFO:
        return OnGetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam));
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_CTLCOLORSTATIC:
        return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DRAWITEM:
        return OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_SETCURSOR:
        return OnSetCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam));
    case WM_ICONARRIVED:
        return OnIconArrived(static_cast<size_t>(wParam), UnpackIcon(lParam));
    case WM_ACTIVATE:
        return OnActivate(LOWORD(wParam));
    case WM_SETFOCUS:
        return OnSetFocus();
    case WM_CLOSE:
        return OnClose();
    case WM_SYSCOLORCHANGE:
        return OnSysColorChange(wParam, lParam);
    case WM_DESTROY:
        return OnDestroy();
    case WM_NCDESTROY:
        return OnNcDestroy();
    default:
        return std::nullopt;
    }
}

template <class Action> void TMainForm::Guarded(Action&& action) {
    try {
        action();
    } catch (const std::exception& e) {
        ReportFailure(e.what());
    } catch (...) {
        ReportFailure(Text(TText::UnknownError));
    }
}

void TMainForm::ReportFailure(const std::string& what) {
    const std::string text = ErrorBoxText(what);
    if (reporter_)
        reporter_(text);
    else
        MessageBoxW(handle_, Widen(text).c_str(), Widen(ApplicationTitle).c_str(),
                    MB_OK | MB_ICONERROR);
}

TMainForm::TAnswer TMainForm::OnCreate() {
    try {
        CreateControls();
    } catch (const std::exception& e) {
        creationFailure_ = e.what();
        return -1;
    }
    created_ = true;
    FormCreate();
    return 0;
}

// The hand over links. While a suggestion waits for the details, the hourglass, though the window
// answers; while the icons and details are read in the background, the arrow with the hourglass,
// over the whole window. Otherwise a child sets its own cursor, and the window the class's arrow.
TMainForm::TAnswer TMainForm::OnSetCursor(HWND over, UINT hitTest) {
    if (hitTest == HTCLIENT) {
        const TControlLayout* control = LayoutOfWindow(over);
        const wchar_t* cursor = control && control->Kind == TControlKind::Link ? IDC_HAND
                                : suggestionWaiting_                           ? IDC_WAIT
                                : IconsOutstanding() > 0                       ? IDC_APPSTARTING
                                                                               : nullptr;
        if (cursor) {
            SetCursor(LoadCursorW(nullptr, cursor));
            return TRUE;
        }
    }
    if (over != handle_)
        return FALSE;
    return std::nullopt;
}

TMainForm::TAnswer TMainForm::OnCommand(int id, int code) {
    // While the shell copies or moves, its dialogs let this window's messages through: nothing
    // may start inside that action.
    if (!busy_)
        RunCommand(id, code);
    return 0;
}

// Runs the handler of a category button, a button or a link.
void TMainForm::RunCommand(int id, int code) {
    for (const TToolButton& button : CategoryButtons)
        if (button.Command() == id)
            return ToolButtonClick(button);
    // Buttons send BN_CLICKED, links STN_CLICKED (both 0). IDOK and IDCANCEL, which Enter and
    // Escape produce, are deliberately not handled: the window has no default or cancel button.
    if (code != BN_CLICKED)
        return;
    switch (static_cast<ControlId>(id)) {
    case ControlId::Button2:
        return Button2Click();
    case ControlId::Button3:
        return Button3Click();
    case ControlId::Button4:
        return Button4Click();
    case ControlId::Button5:
        return Button5Click();
    case ControlId::Button6:
        return Button6Click();
    case ControlId::Button7:
        return Button7Click();
    case ControlId::Button8:
        return Button8Click();
    case ControlId::Button9:
        return Button9Click();
    case ControlId::Button10:
        return Button10Click();
    case ControlId::Label10:
        return Label10Click();
    case ControlId::Label13:
        return Label13Click();
    default:
        return;
    }
}

// The focus is remembered when the window is left, and given back when it is activated again.
TMainForm::TAnswer TMainForm::OnActivate(int state) {
    if (state == WA_INACTIVE)
        lastFocus_ = GetFocus();
    return std::nullopt;
}

TMainForm::TAnswer TMainForm::OnSetFocus() {
    HWND target = lastFocus_;
    if (!target || !IsChild(handle_, target) || !IsWindowVisible(target) ||
        !IsWindowEnabled(target))
        target = GetNextDlgTabItem(handle_, nullptr, FALSE);
    if (target)
        SetFocus(target);
    return 0;
}

TMainForm::TAnswer TMainForm::OnClose() {
    // Closing would pull the window from under the running action.
    if (busy_)
        return 0;
    return std::nullopt;
}

TMainForm::TAnswer TMainForm::OnDestroy() {
    if (iconLoader_)
        iconLoader_->Close();
    // A window that failed to be created ends no message loop.
    if (created_)
        PostQuitMessage(0);
    return 0;
}

TMainForm::TAnswer TMainForm::OnNcDestroy() {
    SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
    handle_ = nullptr;
    return std::nullopt;
}

// ---------------------------------------------------------------------------------------------
// Handlers

void TMainForm::FormCreate() {
    AppDir = ExecutableFolder();
    PrepareProgramIcons();
    CreateCategoryButtons();
    ScanProgramsFolders();
    ToolButtonClick(CategoryButton(0));
}

void TMainForm::FormShow() {
    SetActivePage(0);
    SetEnabled(ControlId::Button4, true);
    SetEnabled(ControlId::Button5, false);
    SetVisible(ControlId::Button6, true);
}

// ---------------------------------------------------------------------------------------------
// Controls and layout

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

// ---------------------------------------------------------------------------------------------
// Pages and buttons

void TMainForm::SetActivePage(int page) {
    if (page == activePage_)
        return;
    suggestionWaiting_ = false; // a suggestion the user left the page before is not made
    HWND previous = Control(PageId(activePage_));
    ShowWindow(Control(PageId(page)), SW_SHOW);
    ShowWindow(previous, SW_HIDE);
    activePage_ = page;
    MoveFocusAwayFrom(previous);
    switch (page) {
    case 0:
        return TabSheet1Show();
    case 1:
        return TabSheet2Show();
    default:
        return TabSheet3Show();
    }
}

void TMainForm::SetEnabled(ControlId id, bool enabled) {
    HWND control = Control(id);
    EnableWindow(control, enabled);
    if (!enabled)
        MoveFocusAwayFrom(control);
}

void TMainForm::SetVisible(ControlId id, bool visible) {
    HWND control = Control(id);
    ShowWindow(control, visible ? SW_SHOW : SW_HIDE);
    if (!visible)
        MoveFocusAwayFrom(control);
}

// Keeps the keyboard usable when the focused control (or its page) is disabled or hidden.
void TMainForm::MoveFocusAwayFrom(HWND control) {
    HWND focus = GetFocus();
    if (focus && (focus == control || IsChild(control, focus)))
        SetFocus(GetNextDlgTabItem(handle_, control, FALSE));
}

// ---------------------------------------------------------------------------------------------
// Handlers

void TMainForm::TabSheet1Show() {
    SetEnabled(ControlId::Button5, false);
}

void TMainForm::TabSheet2Show() {
    SetVisible(ControlId::Button6, true);
    SetEnabled(ControlId::Button5, true);
    SetEnabled(ControlId::Button4, true);
}

// Next: from the welcome page to the categories, through them one by one, then to the final page.
void TMainForm::Button4Click() {
    if (activePage_ == 0)
        SetActivePage(1);
    else if (CurrentCategory == CategoryCount - 1)
        SetActivePage(2);
    else
        ToolButtonClick(CategoryButton(CurrentCategory + 1));
}

// Back: the same way in reverse.
void TMainForm::Button5Click() {
    if (activePage_ == 2)
        SetActivePage(1);
    else if (CurrentCategory == 0)
        SetActivePage(0);
    else
        ToolButtonClick(CategoryButton(CurrentCategory - 1));
}

// Done: straight to the final page.
void TMainForm::Button6Click() {
    SetActivePage(2);
}

// ---------------------------------------------------------------------------------------------
// The category page

// The program icons come from the shell's own small icon list, which the list shares; none has
// arrived yet.
void TMainForm::PrepareProgramIcons() {
    ListView1().SetSmallImages(static_cast<HIMAGELIST>(shell_.SmallIconList()));
    linkOverlay_ = shell_.LinkOverlay();
}

// The nine category buttons, each with its category's icon, all greyed.
void TMainForm::CreateCategoryButtons() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    ImageList2.reset(CommonControls().ImageList_Create(ImageSize, ImageSize, ILC_COLOR32 | ILC_MASK,
                                                       CategoryCount, 0));
    for (int k = 0; k < CategoryCount; ++k) {
        TIcon icon(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_CATEGORY_0 + k),
                                                 IMAGE_ICON, ImageSize, ImageSize, 0)));
        CommonControls().ImageList_ReplaceIcon(ImageList2.get(), -1, icon.get());
    }
    TToolBar toolbar = ToolBar1();
    toolbar.SetImageList(ImageList2.get());
    // Each button goes in front of the previous ones, so the bar reads 0 to 8 from the left.
    for (int k = CategoryCount - 1; k >= 0; --k) {
        const TToolButton button{k};
        toolbar.InsertButton(0, {button.Command(), k, "  " + CategoryNames[k] + "  ", true,
                                 static_cast<DWORD_PTR>(k)});
        CategoryButtons.push_back(button);
    }
    toolbar.AutoSize();
}

// Both Programs folders into the catalogue. The list shows the entries' names at once; their
// icons are fetched in the background, once each, and what the entries say of themselves is read
// beside them, for the suggestions.
void TMainForm::ScanProgramsFolders() {
    ScanStartMenu(shell_);
    std::vector<std::string> paths;
    for (const TStartMenu& entry : StartMenuItems)
        paths.push_back(entry.Path);
    icons_.Expect(paths.size());
    rowOf_.assign(paths.size(), -1);
    HWND window = handle_;
    details_ = std::make_shared<TEntryDetails>(paths.size());
    iconLoader_ = std::make_unique<TIconLoader>(
        shell_, std::move(paths),
        [window](size_t index, ItemIconInfo icon) {
            PostMessageW(window, WM_ICONARRIVED, static_cast<WPARAM>(index), PackIcon(icon));
        },
        LookupStallLimit,
        [details = details_, shell = &shell_](size_t index, const std::string& path) {
            details->Read(*shell, index, path);
        });
}

// Shows this category button pressed in, and greys the others.
void TMainForm::PressCategoryButton(const TToolButton& pressed) {
    TToolBar toolbar = ToolBar1();
    for (const TToolButton& button : CategoryButtons)
        toolbar.SetIndeterminate(button.Command(), true);
    toolbar.SetIndeterminate(pressed.Command(), false);
}

// Lists the entries the current category may take, ticked where it has them. The entries whose
// icons are still to come are looked up before the others.
void TMainForm::FillProgramList() {
    TListView list = ListView1();
    std::vector<size_t> iconless;
    {
        TFlagScope suspended(checkWritesSuspended_);
        list.SetRedraw(false);
        list.Clear();
        std::fill(rowOf_.begin(), rowOf_.end(), -1);
        for (const TCheckedItem& entry : VisibleItems(CurrentCategory)) {
            const int row =
                list.Append(Caption(StartMenuItems[entry.Index]), static_cast<LPARAM>(entry.Index),
                            RowImage(icons_[entry.Index]));
            list.SetChecked(row, entry.Checked);
            rowOf_[entry.Index] = row;
            if (!icons_[entry.Index])
                iconless.push_back(entry.Index);
        }
        list.SetRedraw(true);
    }
    if (iconLoader_ && !iconless.empty())
        iconLoader_->Prioritise(iconless);
    // The list lays its items out anew from the first one and repaints once. (Switching the view
    // to report and back does the same, but relays every item twice: ten times the fill.)
    if (list.Count() > 0)
        list.EnsureVisible(0);
    InvalidateRect(list.Handle(), nullptr, TRUE);
}

TCheckedItem TMainForm::ShownItem(int row) const {
    const TListView list = ListView1();
    return {static_cast<size_t>(list.Data(row)), list.Checked(row)};
}

std::vector<TCheckedItem> TMainForm::ShownItems() const {
    std::vector<TCheckedItem> items;
    const int count = ListView1().Count();
    for (int row = 0; row < count; ++row)
        items.push_back(ShownItem(row));
    return items;
}

void TMainForm::SetAllChecks(bool checked) {
    TFlagScope suspended(checkWritesSuspended_);
    ListView1().SetAllChecked(checked);
}

// An entry's picture in the list: none until its icon has arrived, and the link overlay on a
// shortcut.
TListImage TMainForm::RowImage(const std::optional<ItemIconInfo>& icon) const {
    return {icon && icon->Image >= 0 ? icon->Image : I_IMAGENONE,
            icon && icon->IsLink ? linkOverlay_ : 0};
}

TMainForm::TAnswer TMainForm::OnNotify(const NMHDR& header) {
    if (header.hwndFrom != Control(ControlId::ListView1))
        return 0;
    switch (header.code) {
    case NM_CLICK:
        ListView1Click();
        return 0;
    case LVN_ITEMCHANGED:
        OnListItemChanged(reinterpret_cast<const NMLISTVIEW&>(header));
        return 0;
    case LVN_ENDLABELEDITW:
        // Accept the edit; the caption is never read back and the next rebuild replaces it.
        return reinterpret_cast<const NMLVDISPINFOW&>(header).item.pszText != nullptr;
    default:
        return 0;
    }
}

void TMainForm::OnListItemChanged(const NMLISTVIEW& change) {
    // Only check marks matter (the state image), whatever changed them: the mouse, the space
    // bar or a select button. Marks the program sets itself are written by their handler.
    if (checkWritesSuspended_ || !(change.uChanged & LVIF_STATE) ||
        !((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK))
        return;
    if (change.iItem < 0)
        ApplyChecks(CurrentCategory, ShownItems());
    else
        ApplyChecks(CurrentCategory, {ShownItem(change.iItem)});
}

TMainForm::TAnswer TMainForm::OnIconArrived(size_t index, const ItemIconInfo& icon) {
    if (!icons_.Take(index, icon))
        return 0;
    if (rowOf_[index] >= 0)
        ListView1().SetImage(rowOf_[index], RowImage(icon));
    if (IconsOutstanding() == 0 && suggestionWaiting_)
        Button10Click();
    if (IconsOutstanding() == 0) {
        // The cursor goes back to what the window under it shows.
        POINT at;
        HWND under = GetCursorPos(&at) ? WindowFromPoint(at) : nullptr;
        if (under && (under == handle_ || IsChild(handle_, under)))
            SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
                         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Handlers

void TMainForm::ToolButtonClick(const TToolButton& sender) {
    CurrentCategory = sender.Tag;
    TWaitCursor wait;
    PressCategoryButton(sender);
    FillProgramList();
}

void TMainForm::ListView1Click() {
    ApplyChecks(CurrentCategory, ShownItems());
}

void TMainForm::Button2Click() {
    SetAllChecks(true);
    ListView1Click();
}

void TMainForm::Button3Click() {
    SetAllChecks(false);
    ListView1Click();
}

// Suggests a category for every entry without one, once every entry's details are in (or given
// up); until then the hourglass shows.
void TMainForm::Button10Click() {
    if (IconsOutstanding() > 0) {
        suggestionWaiting_ = true;
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return;
    }
    suggestionWaiting_ = false;
    const TSuggestionRun run = SuggestCategories(
        shell_, details_ ? details_->Facts() : std::vector<TEntryFacts>{}, EarlierChoices(shell_));
    ToolButtonClick(CategoryButton(CurrentCategory));
    shell_.ShowMessage(SuggestionReport(run));
}

// ---------------------------------------------------------------------------------------------
// The final page

void TMainForm::UpdateFinalPage() {
    SetWindowTextW(Control(ControlId::Label14), Widen(PlannedMovesText(PlannedMoves())).c_str());
    SetEnabled(ControlId::Button9, CanUndo(shell_));
}

// ---------------------------------------------------------------------------------------------
// Handlers

void TMainForm::TabSheet3Show() {
    SetEnabled(ControlId::Button4, false);
    SetVisible(ControlId::Button6, false);
    UpdateFinalPage();
    // A folder that holds no backup yet, so that the offered copy never mixes with an older one.
    const std::string backup = DefaultBackupFolder(shell_, AppDir);
    if (!shell_.FolderExists(backup))
        shell_.CreateFolder(backup);
    SetWindowTextW(Control(ControlId::Edit1), Widen(backup + "\\").c_str());
}

void TMainForm::Button7Click() {
    TFlagScope busy(busy_);
    MakeBackup(shell_, WindowText(Control(ControlId::Edit1)));
}

void TMainForm::Button8Click() {
    TDistribution result;
    {
        TFlagScope busy(busy_);
        try {
            result = DistributeItems(shell_);
        } catch (...) {
            UpdateFinalPage();
            throw;
        }
    }
    UpdateFinalPage();
    if (result.Stopped)
        return;
    // What is left after an incomplete distribution can be distributed again.
    if (result.Complete)
        SetEnabled(ControlId::Button8, false);
    shell_.ShowMessage(DistributionReport(result));
}

void TMainForm::Button9Click() {
    TUndoResult result;
    {
        TFlagScope busy(busy_);
        result = UndoLastDistribution(shell_);
    }
    UpdateFinalPage();
    // The entries moved back are where the catalogue says again: they can be distributed anew.
    if (result.Found)
        SetEnabled(ControlId::Button8, true);
    shell_.ShowMessage(UndoReport(result));
}

void TMainForm::Label10Click() {
    OpenLink(shell_, std::string("mailto:") + SupportAddress + "?subject=" + ApplicationTitle);
}

void TMainForm::Label13Click() {
    OpenLink(shell_, ProductPageUrl);
}
