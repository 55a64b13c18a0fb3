#include "ui/UMainForm.h"

#include "actions/actions.h"
#include "catalogue/scan.h"
#include "shell/wide_text.h"
#include "ui/pages.h"
#include "ui/resources/resource.h"

#include <windowsx.h>

#include <algorithm>
#include <stdexcept>

namespace {

constexpr const wchar_t* FormClass = L"TMainForm";
constexpr int FirstCategoryCommand = 1000; // toolbar command of category k: 1000 + k
constexpr int ImageSize = 16;              // category and program icons
constexpr int ListColumnWidth = 300;       // the list's one column, seen only in report style
constexpr int PageCount = 3;

const std::string MailLink = std::string("mailto:") + SupportAddress + "?subject=" + ApplicationTitle;

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

// GetDpiForWindow exists from Windows 10 1607 on; older systems have one DPI for everything.
int WindowDpi(HWND hwnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    if (FARPROC proc = GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")) {
        // Through void(*)(): the one function pointer type any other may be cast from cleanly.
        auto getDpi = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void (*)()>(proc));
        if (UINT dpi = getDpi(hwnd))
            return static_cast<int>(dpi);
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}

std::string ExecutableDir() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::string file = Narrow(path);
    return file.substr(0, file.find_last_of("\\:") + 1);
}

std::string TextOf(HWND control) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return Narrow(text);
}

void RegisterFormClass(HINSTANCE instance, WNDPROC proc) {
    WNDCLASSEXW existing{sizeof(existing)};
    if (GetClassInfoExW(instance, FormClass, &existing))
        return;
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    // Shared resources: the system frees them with the process.
    wc.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_ORVANE), IMAGE_ICON, 0,
                                             0, LR_DEFAULTSIZE | LR_SHARED));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_ORVANE), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = FormClass;
    if (!RegisterClassExW(&wc))
        throw std::runtime_error("The main window class cannot be registered");
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Window life and messages

TMainForm::TMainForm(ShellServices& shell, TErrorReporter reporter)
    : shell_(shell), reporter_(std::move(reporter)) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterFormClass(instance, WindowProc);
    RegisterPageClasses(instance);
    CreateWindowExW(0, FormClass, Widen(ApplicationTitle).c_str(),
                    WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                    FormDesignSize.cx, FormDesignSize.cy, nullptr, nullptr, instance, this);
    if (!handle_)
        throw std::runtime_error("The main window cannot be created");
    CenterOnScreen();
    PlaceControls();
}

TMainForm::~TMainForm() {
    if (handle_)
        DestroyWindow(handle_);
}

HWND TMainForm::Control(ControlId id) const {
    for (size_t i = 0; i < FormLayout.size(); ++i)
        if (FormLayout[i].Id == id)
            return controls_[i];
    return id == ControlId::Form ? handle_ : nullptr;
}

const TControlLayout* TMainForm::LayoutOfWindow(HWND control) const {
    for (size_t i = 0; i < FormLayout.size(); ++i)
        if (controls_[i] == control)
            return &FormLayout[i];
    return nullptr;
}

LRESULT CALLBACK TMainForm::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* form = static_cast<TMainForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
        form->handle_ = hwnd;
        form->dpi_ = WindowDpi(hwnd);
    }
    auto* form = reinterpret_cast<TMainForm*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!form)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    LRESULT result = 0;
    form->Guarded([&] { result = form->HandleMessage(hwnd, message, wParam, lParam); });
    return result;
}

LRESULT TMainForm::HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        CreateControls();
        FormCreate();
        return 0;
    case WM_SIZE:
        PlaceControls();
        return 0;
    case WM_DPICHANGED:
        OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_GETMINMAXINFO: {
        auto& info = *reinterpret_cast<MINMAXINFO*>(lParam);
        info.ptMinTrackSize = {Scale(FormDesignSize.cx, dpi_), Scale(FormDesignSize.cy, dpi_)};
        return 0;
    }
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_CTLCOLORSTATIC:
        return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DRAWITEM:
        OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_SETCURSOR: {
        const auto* control = LayoutOfWindow(reinterpret_cast<HWND>(wParam));
        if (control && control->Kind == TControlKind::Link && LOWORD(lParam) == HTCLIENT) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        if (reinterpret_cast<HWND>(wParam) != hwnd)
            return FALSE; // a child sets its own cursor
        break;
    }
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE)
            lastFocus_ = GetFocus();
        break;
    case WM_SETFOCUS:
        RestoreFocus();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY:
        handle_ = nullptr;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

template <class Action> void TMainForm::Guarded(Action&& action) {
    try {
        action();
    } catch (const std::exception& e) {
        ReportFailure(e.what());
    } catch (...) {
        ReportFailure("Unknown error");
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

void TMainForm::Show(int showCommand) {
    if (!shown_) {
        shown_ = true;
        Guarded([&] { TabSheet3Show(); });
        Guarded([&] { FormShow(); });
    }
    ShowWindow(handle_, showCommand);
    UpdateWindow(handle_);
}

void TMainForm::OnCommand(int id, int code) {
    for (const TToolButton& button : CategoryButtons)
        if (button.Command == id)
            return ToolButtonClick(button);
    // BN_CLICKED and STN_CLICKED; IDOK and IDCANCEL (Enter, Escape) are deliberately not handled.
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
    case ControlId::Label10:
        return Label10Click();
    case ControlId::Label13:
        return Label13Click();
    default:
        return;
    }
}

LRESULT TMainForm::OnNotify(const NMHDR& header) {
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

LRESULT TMainForm::OnCtlColorStatic(HDC dc, HWND control) {
    const TControlLayout* layout = LayoutOfWindow(control);
    const bool link = layout && layout->Kind == TControlKind::Link;
    SetTextColor(dc, link ? LinkColor : GetSysColor(COLOR_BTNTEXT));
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE)); // system brush: not freed
}

void TMainForm::OnDrawItem(const DRAWITEMSTRUCT& item) {
    const auto picture = pictures_.find(static_cast<ControlId>(item.CtlID));
    if (picture == pictures_.end() || !picture->second)
        return;
    BITMAP size{};
    GetObjectW(picture->second.get(), sizeof(size), &size);
    TMemoryDc source(CreateCompatibleDC(item.hDC));
    TSelection selected(source.get(), picture->second.get());
    const RECT& target = item.rcItem;
    SetStretchBltMode(item.hDC, HALFTONE);
    SetBrushOrgEx(item.hDC, 0, 0, nullptr);
    StretchBlt(item.hDC, target.left, target.top, target.right - target.left,
               target.bottom - target.top, source.get(), 0, 0, size.bmWidth, size.bmHeight,
               SRCCOPY);
}

void TMainForm::OnDpiChanged(int dpi, const RECT& suggested) {
    dpi_ = dpi;
    ApplyDpi();
    SetWindowPos(handle_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    PlaceControls();
}

void TMainForm::RestoreFocus() {
    HWND target = lastFocus_;
    if (!target || !IsChild(handle_, target) || !IsWindowVisible(target) ||
        !IsWindowEnabled(target))
        target = GetNextDlgTabItem(handle_, nullptr, FALSE);
    if (target)
        SetFocus(target);
}

// ---------------------------------------------------------------------------------------------
// Controls and layout

void TMainForm::CreateControls() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    for (size_t i = 0; i < FormLayout.size(); ++i)
        controls_[i] = CreateControl(FormLayout[i], instance);
    ApplyDpi();
}

HWND TMainForm::CreateControl(const TControlLayout& layout, HINSTANCE instance) {
    const wchar_t* windowClass = WC_STATICW;
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD exStyle = 0;
    switch (layout.Kind) {
    case TControlKind::PageControl:
        windowClass = PageControlClass;
        style |= WS_CLIPCHILDREN;
        exStyle = WS_EX_CONTROLPARENT;
        break;
    case TControlKind::TabSheet:
        windowClass = TabSheetClass;
        style = WS_CHILD | WS_CLIPCHILDREN;
        if (layout.Id == ControlId::TabSheet1 + activePage_) ... 
        exStyle = WS_EX_CONTROLPARENT;
        break;
    default:
        break;
    }
    return nullptr;
}
