// TMainForm's life and its messages: the window created and destroyed, each message handed to its
// member, the commands to their handlers, the cursor, focus, and FormCreate and FormShow.
#include "ui/UMainForm.h"

#include "texts/texts.h"
#include "ui/UMainFormInternal.h"
#include "ui/controls.h"
#include "ui/pages.h"
#include "ui/resources/resource.h"
#include "win32/system.h"
#include "win32/text.h"

#include <stdexcept>

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
        return OnNotify(*reinterpret_cast<NMHDR*>(lParam));
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
    case ControlId::CheckBox1:
        return CheckBox1Click();
    case ControlId::CheckBox2:
        return CheckBox2Click();
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
