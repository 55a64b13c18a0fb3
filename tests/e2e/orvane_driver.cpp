// orvane-e2e-driver: drives a running Orvane.exe from outside its process, as a person would: it
// finds the window, clicks its buttons, check boxes and category buttons with synthesised mouse
// input at their real screen positions, ticks one entry with the space bar, reads the controls
// back through window messages, answers the message boxes and closes the window. Every step is
// reported on stdout with its timing; every wait has a time limit.
//
// Usage: orvane-e2e-driver --app-dir DIR [--mode full|screenshots] [--sync-dir DIR]
//                          [--timeout SECONDS]
//   --app-dir DIR    the Windows folder Orvane.exe was started from (without a trailing "\")
//   --mode full      the whole wizard: ticks, backup copy, distribution, undo (the default)
//   --mode screenshots  the three pages only; nothing is copied or moved
//   --sync-dir DIR   where the test script answers: at each "SHOT" or "CHECKPOINT" line the
//                    driver waits for DIR\NAME.done before it goes on; without it there are no
//                    screenshots and no checkpoints
//   --timeout S      the limit for the whole run (default 300)
//
// Output lines that the test script reads:
//   SHOT <name> <left> <top> <width> <height>  the window's screen rectangle, for a screenshot
//   CHECKPOINT <name>                          the script may look at the folders now
//   ASSIGN<TAB><category><TAB><caption>        an entry ticked into a category, by its caption
//   RESULT PASS | RESULT FAIL <reason>
#include "catalogue/catalogue.h"
#include "win32/console.h"
#include "win32/handles.h"
#include "win32/text.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------------
// Output, timing and failures

class TestFailure : public std::runtime_error {
public:
    explicit TestFailure(const std::string& what) : std::runtime_error(what) {}
};

using Clock = std::chrono::steady_clock;
const Clock::time_point g_start = Clock::now();
Clock::time_point g_deadline = g_start + std::chrono::seconds(300);

double SecondsSince(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// Raw UTF-8 to stdout (a pipe or file under the test script) or wide text to a console.
void Print(const std::string& utf8) {
    WriteUtf8(STD_OUTPUT_HANDLE, utf8);
}

std::string Stamp() {
    char text[32];
    std::snprintf(text, sizeof text, "[%8.3fs] ", SecondsSince(g_start));
    return text;
}

void Log(const std::string& line) {
    Print(Stamp() + line + "\n");
}

[[noreturn]] void Fail(const std::string& what) {
    throw TestFailure(what);
}

std::string ErrorText(const std::string& what, DWORD code) {
    return what + " (error " + std::to_string(code) + ")";
}

// One step of the scenario: logged when it starts and, with its duration, when it ends.
class Step {
public:
    explicit Step(std::string name) : name_(std::move(name)), start_(Clock::now()) {
        Log("STEP " + name_);
    }
    Step(const Step&) = delete;
    Step& operator=(const Step&) = delete;
    ~Step() {
        char text[64];
        std::snprintf(text, sizeof text, " (%.3f s)", SecondsSince(start_));
        Log(std::string(std::uncaught_exceptions() > 0 ? "  failed: " : "  done: ") + name_ + text);
    }

private:
    std::string name_;
    Clock::time_point start_;
};

void Pause(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// Polls `condition` every 50 ms until it holds, the step's limit passes or the whole run's limit
// passes. `check` runs on every round first (it throws when something unexpected shows up).
template <class Condition, class Check>
bool WaitFor(double seconds, Condition&& condition, Check&& check) {
    const Clock::time_point until =
        std::min(g_deadline,
                 Clock::now() + std::chrono::milliseconds(static_cast<long long>(seconds * 1000)));
    for (;;) {
        check();
        if (condition())
            return true;
        if (Clock::now() >= until)
            return false;
        Pause(50);
    }
}

// ---------------------------------------------------------------------------------------------
// Memory inside Orvane's process

// A block of memory in another process, for the control messages whose argument is a pointer: a
// pointer is only meaningful in the address space of the control's own process.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, size_t size) : process_(process), size_(size) {
        address_ = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (address_ == nullptr)
            Fail(ErrorText("Cannot allocate memory in Orvane's process", GetLastError()));
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;
    ~RemoteMemory() { VirtualFreeEx(process_, address_, 0, MEM_RELEASE); }

    LPARAM At(size_t offset = 0) const {
        return reinterpret_cast<LPARAM>(static_cast<char*>(address_) + offset);
    }
    void Write(size_t offset, const void* data, size_t size) {
        Check(offset, size);
        SIZE_T done = 0;
        if (!WriteProcessMemory(process_, static_cast<char*>(address_) + offset, data, size,
                                &done) ||
            done != size)
            Fail(ErrorText("Cannot write into Orvane's process", GetLastError()));
    }
    void Read(size_t offset, void* data, size_t size) const {
        Check(offset, size);
        SIZE_T done = 0;
        if (!ReadProcessMemory(process_, static_cast<char*>(address_) + offset, data, size,
                               &done) ||
            done != size)
            Fail(ErrorText("Cannot read from Orvane's process", GetLastError()));
    }
    template <class T> void Put(const T& value, size_t offset = 0) {
        Write(offset, &value, sizeof value);
    }
    template <class T> T Get(size_t offset = 0) const {
        T value{};
        Read(offset, &value, sizeof value);
        return value;
    }

private:
    void Check(size_t offset, size_t size) const {
        if (offset > size_ || size > size_ - offset)
            Fail("Remote memory access out of range");
    }

    HANDLE process_;
    void* address_ = nullptr;
    size_t size_;
};

// ---------------------------------------------------------------------------------------------
// Windows of another process

// Sends a message and gives up after a while instead of blocking on a window that does not answer.
LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT milliseconds = 5000) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, milliseconds,
                             &result)) {
        const DWORD code = GetLastError();
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%04X", message);
        Fail(ErrorText(std::string("Orvane did not answer the message ") + hex, code));
    }
    return static_cast<LRESULT>(result);
}

std::string ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return Narrow(name);
}

// WM_GETTEXT is copied across processes by the system, unlike GetWindowText for controls.
std::string TextOf(HWND window) {
    const LRESULT length = Send(window, WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0)
        return std::string();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied = Send(window, WM_GETTEXT, static_cast<WPARAM>(text.size()),
                                reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(std::max<LRESULT>(0, copied)));
    return Narrow(text);
}

// The caption of a top-level window, read without sending it a message, so that a window of some
// other program that does not answer cannot hold the driver up.
std::string TitleOf(HWND window) {
    wchar_t title[512] = {};
    GetWindowTextW(window, title, 512);
    return Narrow(title);
}

DWORD ProcessOf(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> windows;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> windows;
    EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

bool Shown(HWND window) {
    return window != nullptr && IsWindow(window) && IsWindowVisible(window);
}

bool IsAncestorOrSelf(HWND ancestor, HWND window) {
    for (; window != nullptr; window = GetParent(window))
        if (window == ancestor)
            return true;
    return false;
}

RECT ScreenRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

POINT Center(const RECT& rect) {
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

RECT ToScreen(HWND window, RECT rect) {
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string Describe(const RECT& rect) {
    return "(" + std::to_string(rect.left) + "," + std::to_string(rect.top) + " " +
           std::to_string(rect.right - rect.left) + "x" + std::to_string(rect.bottom - rect.top) +
           ")";
}

// ---------------------------------------------------------------------------------------------
// Synthesised input

POINT g_lastClick{-1000, -1000};
Clock::time_point g_lastClickTime = g_start - std::chrono::seconds(10);

void SendOne(INPUT input) {
    if (SendInput(1, &input, sizeof input) != 1)
        Fail(ErrorText("SendInput failed", GetLastError()));
}

void MoveMouse(POINT to) {
    // Absolute coordinates run from 0 to 65535 over the primary screen; systems differ in how
    // they round them back to pixels, so a pixel off is put right with SetCursorPos.
    const int width = std::max(2, GetSystemMetrics(SM_CXSCREEN));
    const int height = std::max(2, GetSystemMetrics(SM_CYSCREEN));
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>((to.x * 65535LL + (width - 1) / 2) / (width - 1));
    input.mi.dy = static_cast<LONG>((to.y * 65535LL + (height - 1) / 2) / (height - 1));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendOne(input);
    POINT now{};
    const auto there = [&] { return GetCursorPos(&now) && now.x == to.x && now.y == to.y; };
    if (WaitFor(0.5, there, [] {}))
        return;
    if (std::abs(now.x - to.x) <= 2 && std::abs(now.y - to.y) <= 2) {
        SetCursorPos(to.x, to.y);
        if (WaitFor(2, there, [] {}))
            return;
    }
    Fail("The mouse pointer did not reach " + std::to_string(to.x) + "," + std::to_string(to.y) +
         " (it is at " + std::to_string(now.x) + "," + std::to_string(now.y) + ")");
}

// A left click at a screen point, which must lie on `target` (or one of its children): a window
// in the way would take the click instead.
void ClickAt(HWND target, POINT at, const std::string& what) {
    // Two clicks close together in time and place would make a double click.
    const int slack = GetSystemMetrics(SM_CXDOUBLECLK);
    if (std::abs(at.x - g_lastClick.x) <= slack && std::abs(at.y - g_lastClick.y) <= slack) {
        const double wait = GetDoubleClickTime() / 1000.0 + 0.1 - SecondsSince(g_lastClickTime);
        if (wait > 0)
            Pause(static_cast<int>(wait * 1000));
    }
    const HWND hit = WindowFromPoint(at);
    if (!IsAncestorOrSelf(target, hit))
        Fail("Cannot click " + what + " at " + std::to_string(at.x) + "," + std::to_string(at.y) +
             ": the point shows a " + ClassOf(hit) + " window \"" + TitleOf(hit) + "\"");
    MoveMouse(at);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendOne(input);
    Pause(30);
    input.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendOne(input);
    g_lastClick = at;
    g_lastClickTime = Clock::now();
}

void PressKey(WORD key) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    SendOne(input);
    Pause(30);
    input.ki.dwFlags = KEYEVENTF_KEYUP;
    SendOne(input);
}

// ---------------------------------------------------------------------------------------------
// The names on the screen

const char* const kTitle = "Orvane";
const char* const kNext = "Далее >";
const char* const kBack = "< Назад";
const char* const kDone = "Готово";
const char* const kSelectAll = "Выделить все";
const char* const kClearAll = "Снять выделение";
const char* const kMakeCopy = "Сделать копию !";
const char* const kStart = "Начать обработку";
const char* const kUndo = "Вернуть как было";
const char* const kWelcomeText = "Данная программа предназначена для наведения порядка";
const char* const kBackupDone = "Резервная копия создана!";
const char* const kDistributed = "Программы успешно распределены по категориям!";
const char* const kUndone = "Все программы возвращены на прежние места!";
constexpr int kMessageTextId = 0xFFFF; // the text of a standard message box

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// ---------------------------------------------------------------------------------------------
// The Orvane window and its controls, seen from outside

class Orvane {
public:
    HWND Main() const { return main_; }
    DWORD ProcessId() const { return processId_; }

    // Waits for Orvane's main window to be shown; any message box shown before it fails the run.
    void WaitForWindow(double seconds) {
        const bool found = WaitFor(
            seconds,
            [&] {
                for (HWND window : TopLevelWindows())
                    if (Shown(window) && ClassOf(window) != "#32770" && TitleOf(window) == kTitle) {
                        main_ = window;
                        return true;
                    }
                return false;
            },
            [&] { FailOnDialog(true); });
        if (!found)
            Fail("No Orvane window appeared within " + std::to_string(static_cast<int>(seconds)) +
                 " s");
        processId_ = ProcessOf(main_);
        process_ =
            TKernelHandle(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                                          PROCESS_QUERY_INFORMATION | SYNCHRONIZE,
                                      FALSE, processId_));
        if (process_.get() == nullptr)
            Fail(ErrorText("Cannot open Orvane's process", GetLastError()));
        threadId_ = GetWindowThreadProcessId(main_, nullptr);
    }

    HANDLE Process() const { return process_.get(); }

    // Lets Orvane handle everything queued so far: a message round trip through its UI thread,
    // then its input-idle state, then a moment for painting.
    void Settle() {
        Send(main_, WM_NULL, 0, 0, 10000);
        WaitForInputIdle(process_.get(), 500);
        Pause(60);
        Send(main_, WM_NULL, 0, 0, 10000);
    }

    // The message boxes and other dialogs Orvane shows (before the main window is known: every
    // dialog titled "Orvane").
    std::vector<HWND> Dialogs() const {
        std::vector<HWND> dialogs;
        for (HWND window : TopLevelWindows()) {
            if (!Shown(window) || ClassOf(window) != "#32770")
                continue;
            if (processId_ != 0 ? ProcessOf(window) == processId_ : TitleOf(window) == kTitle)
                dialogs.push_back(window);
        }
        return dialogs;
    }

    static std::string DialogText(HWND dialog) {
        if (HWND text = GetDlgItem(dialog, kMessageTextId))
            return TextOf(text);
        std::string all;
        for (HWND child : Descendants(dialog))
            if (Shown(child) && ClassOf(child) == "Static") {
                const std::string text = TextOf(child);
                if (!text.empty())
                    all += (all.empty() ? "" : " | ") + text;
            }
        return all;
    }

    // Presses the box's OK (or Cancel) button with the mouse, and makes sure the box is gone.
    void Dismiss(HWND dialog) {
        HWND button = GetDlgItem(dialog, IDOK);
        if (button == nullptr || !Shown(button))
            button = GetDlgItem(dialog, IDCANCEL);
        if (button != nullptr && Shown(button)) {
            const POINT at = Center(ScreenRect(button));
            if (IsAncestorOrSelf(button, WindowFromPoint(at))) {
                ClickAt(button, at, "the box's " + TextOf(button) + " button");
                if (WaitFor(
                        5, [&] { return !Shown(dialog); }, [] {}))
                    return;
                Log("note: the box did not close on a mouse click; pressing its button directly");
            }
            PostMessageW(button, BM_CLICK, 0, 0);
        } else {
            PostMessageW(dialog, WM_CLOSE, 0, 0);
        }
        if (!WaitFor(
                5, [&] { return !Shown(dialog); }, [] {}))
            Fail("The dialog \"" + TitleOf(dialog) + "\" could not be closed");
    }

    // Any dialog on the screen at a moment when none is expected fails the run, after it has been
    // reported with its text and closed. With `titledOnly`, only boxes titled "Orvane" count.
    void FailOnDialog(bool titledOnly) {
        for (HWND dialog : Dialogs()) {
            const std::string title = TitleOf(dialog);
            if (titledOnly && title != kTitle)
                continue;
            const std::string text = DialogText(dialog);
            Log("UNEXPECTED DIALOG \"" + title + "\": " + text);
            Dismiss(dialog);
            Fail("An unexpected dialog \"" + title + "\" appeared: " + text);
        }
    }
    void CheckNoDialog() { FailOnDialog(false); }

    // Waits for Orvane's message box, checks its text, and dismisses it. Other dialogs of the
    // process (the shell's progress windows) may come and go meanwhile.
    void ExpectMessage(const std::string& expected, double seconds, const char* shot = nullptr);

    // A visible control of the main window, by class and, for buttons, by caption.
    HWND FindControl(const std::string& className, const std::string& text = std::string()) const {
        for (HWND child : Descendants(main_)) {
            if (!Shown(child) || ClassOf(child) != className)
                continue;
            // The list's own in-place editor is not the final page's field.
            if (className == "Edit" && ClassOf(GetParent(child)) == "SysListView32")
                continue;
            if (text.empty() || TextOf(child) == text)
                return child;
        }
        return nullptr;
    }

    HWND Button(const std::string& text) const { return FindControl("Button", text); }
    HWND List() const { return FindControl("SysListView32"); }
    HWND ToolBar() const { return FindControl("ToolbarWindow32"); }
    HWND Field() const { return FindControl("Edit"); }

    HWND RequireButton(const std::string& text) const {
        HWND button = Button(text);
        if (button == nullptr)
            Fail("The button \"" + text + "\" is not shown");
        return button;
    }

    void Press(const std::string& text) {
        HWND button = RequireButton(text);
        if (!IsWindowEnabled(button))
            Fail("The button \"" + text + "\" is disabled");
        ClickAt(button, Center(ScreenRect(button)), "the button \"" + text + "\"");
    }

    // The page shown: 0 welcome, 1 categories, 2 final, -1 none of them recognisably.
    int Page() const {
        const bool list = List() != nullptr;
        const bool field = Field() != nullptr;
        if (list && !field)
            return 1;
        if (field && !list)
            return 2;
        if (!list && !field) {
            for (HWND child : Descendants(main_))
                if (Shown(child) && ClassOf(child) == "Static" &&
                    TextOf(child).rfind(kWelcomeText, 0) == 0)
                    return 0;
        }
        return -1;
    }

    void WaitForPage(int page, double seconds = 10) {
        if (!WaitFor(
                seconds, [&] { return Page() == page; }, [&] { CheckNoDialog(); }))
            Fail("Page " + std::to_string(page) + " did not show (the window shows page " +
                 std::to_string(Page()) + ")");
        Settle();
    }

    DWORD ThreadId() const { return threadId_; }

    // The control that has the keyboard focus in Orvane's UI thread.
    HWND FocusWindow() const {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        if (!GetGUIThreadInfo(threadId_, &info))
            return nullptr;
        return info.hwndFocus;
    }

private:
    HWND main_ = nullptr;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
    TKernelHandle process_;
};

// The test script answers some output lines (a screenshot taken, the folders recorded) with a
// file NAME.done in the sync folder; the driver waits for it.
std::wstring g_syncDir;

void WaitForScript(const std::string& line, const std::string& name, const std::string& what) {
    const std::wstring done = g_syncDir + L"\\" + Widen(name) + L".done";
    DeleteFileW(done.c_str());
    Print(line + "\n");
    if (!WaitFor(
            30, [&] { return GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, [] {}))
        Fail(what + " \"" + name + "\" was not answered within 30 s");
}

void Screenshot(Orvane& orvane, const std::string& name) {
    if (g_syncDir.empty())
        return;
    orvane.Settle();
    Pause(300);
    orvane.Settle();
    const RECT rect = ScreenRect(orvane.Main());
    WaitForScript("SHOT " + name + " " + std::to_string(rect.left) + " " +
                      std::to_string(rect.top) + " " + std::to_string(rect.right - rect.left) +
                      " " + std::to_string(rect.bottom - rect.top),
                  name, "The screenshot");
    Log("screenshot " + name + " taken");
}

// Lets the test script look at the folders at this point of the run.
void Checkpoint(const std::string& name) {
    if (g_syncDir.empty())
        return;
    WaitForScript("CHECKPOINT " + name, name, "The checkpoint");
    Log("checkpoint " + name + " passed");
}

void Orvane::ExpectMessage(const std::string& expected, double seconds, const char* shot) {
    const Clock::time_point start = Clock::now();
    std::vector<std::string> seen;
    HWND box = nullptr;
    const bool shown = WaitFor(
        seconds,
        [&] {
            for (HWND dialog : Dialogs()) {
                const std::string title = TitleOf(dialog);
                if (title == kTitle && GetDlgItem(dialog, kMessageTextId) != nullptr) {
                    box = dialog;
                    return true;
                }
                if (std::find(seen.begin(), seen.end(), title) == seen.end()) {
                    seen.push_back(title);
                    Log("note: a dialog \"" + title +
                        "\" is shown meanwhile: " + DialogText(dialog));
                }
            }
            return false;
        },
        [] {});
    if (!shown) {
        std::string present;
        for (HWND dialog : Dialogs()) {
            const std::string title = TitleOf(dialog);
            const std::string text = DialogText(dialog);
            present += " [\"" + title + "\": " + text + "]";
            Log("UNEXPECTED DIALOG \"" + title + "\": " + text);
            Dismiss(dialog);
        }
        Fail("The message \"" + expected + "\" did not appear within " +
             std::to_string(static_cast<int>(seconds)) + " s" +
             (present.empty() ? std::string() : "; shown instead:" + present));
    }
    // Let the box finish painting before it is read and, when asked, photographed.
    Pause(100);
    const std::string text = DialogText(box);
    char timing[64];
    std::snprintf(timing, sizeof timing, " (after %.3f s)", SecondsSince(start));
    Log("message box \"" + TitleOf(box) + "\": " + text + timing);
    if (shot != nullptr) {
        Pause(300);
        Screenshot(*this, shot);
    }
    Dismiss(box);
    if (text != expected)
        Fail("The message box says \"" + text + "\" instead of \"" + expected + "\"");
    Settle();
}

// The program list: a SysListView32 in Orvane's process.
class RemoteList {
public:
    RemoteList(Orvane& orvane, HWND list)
        : orvane_(orvane), list_(list), memory_(orvane.Process(), 4096) {}

    HWND Handle() const { return list_; }
    int Count() { return static_cast<int>(Send(list_, LVM_GETITEMCOUNT, 0, 0)); }

    std::string Caption(int item) {
        LVITEMW request{};
        request.iSubItem = 0;
        request.cchTextMax = 1024;
        request.pszText = reinterpret_cast<wchar_t*>(memory_.At(kTextOffset));
        memory_.Put(request);
        const LRESULT length =
            Send(list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), memory_.At());
        std::wstring text(
            static_cast<size_t>(std::max<LRESULT>(0, std::min<LRESULT>(length, 1023))), L'\0');
        if (!text.empty())
            memory_.Read(kTextOffset, &text[0], text.size() * sizeof(wchar_t));
        return Narrow(text);
    }

    bool Checked(int item) {
        const LRESULT state =
            Send(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_STATEIMAGEMASK);
        return ((static_cast<UINT>(state) & LVIS_STATEIMAGEMASK) >> 12) == 2;
    }

    bool Selected(int item) {
        const UINT state = static_cast<UINT>(
            Send(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_SELECTED | LVIS_FOCUSED));
        return (state & (LVIS_SELECTED | LVIS_FOCUSED)) == (LVIS_SELECTED | LVIS_FOCUSED);
    }

    RECT ItemRect(int item, int part) {
        RECT rect{};
        rect.left = part;
        memory_.Put(rect);
        if (!Send(list_, LVM_GETITEMRECT, static_cast<WPARAM>(item), memory_.At()))
            Fail("The list gives no rectangle for item " + std::to_string(item));
        return memory_.Get<RECT>();
    }

    // The item and the part of it at a point of the list's client area.
    int HitTest(POINT at, UINT& flags) {
        LVHITTESTINFO info{};
        info.pt = at;
        memory_.Put(info);
        const int item = static_cast<int>(Send(list_, LVM_HITTEST, 0, memory_.At()));
        flags = memory_.Get<LVHITTESTINFO>().flags;
        return item;
    }

    // The index of the only item with this caption; -1 when none has it.
    int Find(const std::string& caption) {
        int found = -1;
        const int count = Count();
        for (int item = 0; item < count; ++item) {
            if (Caption(item) != caption)
                continue;
            if (found >= 0)
                Fail("Two list items read \"" + caption + "\"");
            found = item;
        }
        return found;
    }

    int Require(const std::string& caption) {
        const int item = Find(caption);
        if (item < 0)
            Fail("\"" + caption + "\" is not in the list");
        return item;
    }

    // Scrolls the item into view and gives a point on its check box or its caption, in screen
    // coordinates, checked with the list's own hit test.
    POINT PointOn(int item, bool checkBox) {
        Send(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), FALSE);
        orvane_.Settle();
        const RECT bounds = ItemRect(item, LVIR_BOUNDS);
        RECT client{};
        GetClientRect(list_, &client);
        if (bounds.left < client.left || bounds.right > client.right || bounds.top < client.top ||
            bounds.bottom > client.bottom)
            Fail("Item " + std::to_string(item) + " " + Describe(bounds) +
                 " is not inside the list " + Describe(client) + " after scrolling to it");
        const int y = (bounds.top + bounds.bottom) / 2;
        std::vector<int> xs;
        if (checkBox) {
            for (int x = bounds.left + 2; x < bounds.left + 40 && x < bounds.right; x += 2)
                xs.push_back(x);
        } else {
            const RECT label = ItemRect(item, LVIR_LABEL);
            xs.push_back((label.left + label.right) / 2);
            xs.push_back(label.left + 4);
        }
        const UINT wanted = checkBox ? LVHT_ONITEMSTATEICON : LVHT_ONITEMLABEL;
        for (int x : xs) {
            UINT flags = 0;
            if (HitTest({x, y}, flags) == item && (flags & wanted) != 0) {
                // Aim at the middle of the check box, not at its edge.
                if (checkBox) {
                    int right = x;
                    while (right + 1 < bounds.right) {
                        UINT next = 0;
                        if (HitTest({right + 1, y}, next) != item ||
                            (next & LVHT_ONITEMSTATEICON) == 0)
                            break;
                        ++right;
                    }
                    x = (x + right) / 2;
                }
                POINT at{x, y};
                ClientToScreen(list_, &at);
                return at;
            }
        }
        Fail(std::string("No point on the ") + (checkBox ? "check box" : "caption") + " of item " +
             std::to_string(item) + " " + Describe(bounds));
    }

    bool Editing() const {
        for (HWND child : Descendants(list_))
            if (Shown(child) && ClassOf(child) == "Edit")
                return true;
        return false;
    }

private:
    static constexpr size_t kTextOffset = 256;
    Orvane& orvane_;
    HWND list_;
    RemoteMemory memory_;
};

// The category tool bar: a ToolbarWindow32 in Orvane's process.
class RemoteToolBar {
public:
    struct Button {
        int command;
        BYTE state;
        RECT rect; // in the tool bar's client area
        std::string caption;
    };

    RemoteToolBar(Orvane& orvane, HWND bar) : bar_(bar), memory_(orvane.Process(), 4096) {}

    HWND Handle() const { return bar_; }

    // The buttons in reading order: row by row, left to right.
    std::vector<Button> Buttons() {
        std::vector<Button> buttons;
        const int count = static_cast<int>(Send(bar_, TB_BUTTONCOUNT, 0, 0));
        for (int index = 0; index < count; ++index) {
            memory_.Put(TBBUTTON{});
            if (!Send(bar_, TB_GETBUTTON, static_cast<WPARAM>(index), memory_.At()))
                Fail("The tool bar gives no button " + std::to_string(index));
            const TBBUTTON info = memory_.Get<TBBUTTON>();
            if ((info.fsStyle & BTNS_SEP) != 0)
                continue;
            Button button{info.idCommand, info.fsState, {}, {}};
            memory_.Put(RECT{});
            if (!Send(bar_, TB_GETITEMRECT, static_cast<WPARAM>(index), memory_.At()))
                Fail("The tool bar gives no rectangle for button " + std::to_string(index));
            button.rect = memory_.Get<RECT>();
            const LRESULT length =
                Send(bar_, TB_GETBUTTONTEXTW, static_cast<WPARAM>(info.idCommand), 0);
            if (length > 0 && length < 1000) {
                memory_.Write(0, std::wstring(static_cast<size_t>(length) + 1, L'\0').data(),
                              (static_cast<size_t>(length) + 1) * sizeof(wchar_t));
                Send(bar_, TB_GETBUTTONTEXTW, static_cast<WPARAM>(info.idCommand), memory_.At());
                std::wstring text(static_cast<size_t>(length), L'\0');
                memory_.Read(0, &text[0], text.size() * sizeof(wchar_t));
                button.caption = Narrow(text);
            }
            buttons.push_back(button);
        }
        std::stable_sort(buttons.begin(), buttons.end(), [](const Button& a, const Button& b) {
            if (a.rect.bottom <= b.rect.top)
                return true;
            if (b.rect.bottom <= a.rect.top)
                return false;
            return a.rect.left < b.rect.left;
        });
        return buttons;
    }

    // The nine category buttons, category 0 first, each checked against its caption.
    std::vector<Button> Categories() {
        std::vector<Button> buttons = Buttons();
        if (buttons.size() != CategoryCount)
            Fail("The tool bar has " + std::to_string(buttons.size()) + " buttons, not 9");
        for (int category = 0; category < CategoryCount; ++category)
            if (Trimmed(buttons[category].caption) != CategoryNames[category])
                Fail("Tool-bar button " + std::to_string(category) + " reads \"" +
                     buttons[category].caption + "\", not \"" + CategoryNames[category] + "\"");
        return buttons;
    }

    // The category whose button is the only one not greyed; -1 when that is not so.
    int Current() {
        int current = -1;
        const std::vector<Button> buttons = Categories();
        for (int category = 0; category < CategoryCount; ++category) {
            if ((buttons[category].state & TBSTATE_INDETERMINATE) != 0)
                continue;
            if (current >= 0)
                return -1;
            current = category;
        }
        return current;
    }

private:
    HWND bar_;
    RemoteMemory memory_;
};

// ---------------------------------------------------------------------------------------------
// The scenario

enum class How { CheckBox, SpaceBar };

struct Tick {
    const char* caption;
    How how;
};

class Scenario {
public:
    Scenario(Orvane& orvane, std::string appDir) : orvane_(orvane), appDir_(std::move(appDir)) {}

    void RunFull() {
        Start();
        {
            Step step("category 0: tick two entries with the mouse and one with the space bar");
            // The space-bar tick comes first: a check mark set from the keyboard is written to
            // the assignments at the next click in the list.
            TickEntries(0, {{"Wordsmith Pro 7", How::SpaceBar},
                            {"Quillpad Writer", How::CheckBox},
                            {"Ledgerly", How::CheckBox}});
        }
        Next(1);
        {
            Step step("category 1: tick one entry");
            TickEntries(1, {{"Cobalt Archiver", How::CheckBox}});
        }
        {
            Step step("Back to category 0: the three ticks are still shown");
            orvane_.Press(kBack);
            WaitForCategory(0);
        }
        Next(1);
        Next(2);
        {
            Step step("category 2: tick two entries");
            TickEntries(2, {{"Pebble Mahjong", How::CheckBox}, {"Игры", How::CheckBox}});
        }
        CategoryButton(4);
        {
            Step step("category 4: tick three entries");
            TickEntries(4, {{"Brightwave", How::CheckBox},
                            {"Tidebox Mail", How::CheckBox},
                            {"Sparrowchat", How::CheckBox}});
        }
        {
            Step step("screenshot of the category page");
            Screenshot(orvane_, "category");
        }
        KeyboardCategory(5, "Sprocket Studio");
        Next(6);
        {
            Step step("category 6: tick two entries");
            TickEntries(6, {{"Vectoria", How::CheckBox}, {"Paintwell", How::CheckBox}});
        }
        Next(7);
        {
            Step step("category 7: tick two entries");
            TickEntries(7, {{"Shieldmoss Security", How::CheckBox}, {"Keyvault", How::CheckBox}});
        }
        Next(8);
        {
            Step step("category 8: tick two entries, one by the Russian name desktop.ini gives it");
            TickEntries(8, {{"Larkspur Updater", How::CheckBox},
                            {"Проигрыватель Windows Media", How::CheckBox}});
        }
        {
            Step step("Next from category 8 opens the final page");
            orvane_.Press(kNext);
            FinalPage();
        }
        {
            Step step("\"Сделать копию !\" makes the backup copy");
            orvane_.Press(kMakeCopy);
            orvane_.ExpectMessage(kBackupDone, 120, g_syncDir.empty() ? nullptr : "backup");
        }
        {
            Step step("\"Начать обработку\" distributes the entries");
            orvane_.Press(kStart);
            orvane_.ExpectMessage(kDistributed, 120);
            HWND start = orvane_.RequireButton(kStart);
            if (IsWindowEnabled(start))
                Fail("\"Начать обработку\" is still enabled after the distribution");
            Log("\"Начать обработку\" is disabled now");
        }
        Report();
        Checkpoint("distributed");
        {
            Step step("\"Вернуть как было\" moves every entry back");
            orvane_.Press(kUndo);
            orvane_.ExpectMessage(kUndone, 120);
            if (!IsWindowEnabled(orvane_.RequireButton(kStart)))
                Fail("\"Начать обработку\" is not enabled again after the undo");
            if (IsWindowEnabled(orvane_.RequireButton(kUndo)))
                Fail("\"Вернуть как было\" is still enabled with nothing left to undo");
        }
        Close();
    }

    // The three pages for the screenshots; nothing is copied or moved.
    void RunScreenshots() {
        Start();
        CategoryButton(4);
        {
            Step step("category 4: tick three entries");
            TickEntries(4, {{"Brightwave", How::CheckBox},
                            {"Tidebox Mail", How::CheckBox},
                            {"Sparrowchat", How::CheckBox}});
            Screenshot(orvane_, "category");
        }
        {
            Step step("Done opens the final page");
            orvane_.Press(kDone);
            FinalPage();
        }
        Close();
    }

private:
    void Start() {
        {
            Step step("wait for the Orvane window");
            orvane_.WaitForWindow(60);
            orvane_.Settle();
            Log("window " + Describe(ScreenRect(orvane_.Main())) + ", process " +
                std::to_string(orvane_.ProcessId()));
        }
        {
            Step step("the welcome page");
            orvane_.WaitForPage(0);
            ExpectButtons(true, false, true);
            Screenshot(orvane_, "welcome");
        }
        {
            Step step("Next opens the category page on category 0");
            orvane_.Press(kNext);
            orvane_.WaitForPage(1);
            WaitForCategory(0);
            ExpectButtons(true, true, true);
            RemoteList list(orvane_, orvane_.List());
            const int count = list.Count();
            if (count == 0)
                Fail("The list of category 0 is empty");
            for (int item = 0; item < count; ++item)
                if (list.Checked(item))
                    Fail("\"" + list.Caption(item) + "\" is checked at start-up");
            Log(std::to_string(count) + " entries listed, none checked");
            if (!orvane_.Button(kSelectAll) || !orvane_.Button(kClearAll))
                Fail("The select buttons are not shown");
        }
    }

    // Next, Back shown and enabled as the page requires.
    void ExpectButtons(bool nextEnabled, bool backEnabled, bool doneShown) {
        HWND next = orvane_.RequireButton(kNext);
        HWND back = orvane_.RequireButton(kBack);
        if ((IsWindowEnabled(next) != FALSE) != nextEnabled)
            Fail(std::string("\"Далее >\" should be ") + (nextEnabled ? "enabled" : "disabled"));
        if ((IsWindowEnabled(back) != FALSE) != backEnabled)
            Fail(std::string("\"< Назад\" should be ") + (backEnabled ? "enabled" : "disabled"));
        if ((orvane_.Button(kDone) != nullptr) != doneShown)
            Fail(std::string("\"Готово\" should be ") + (doneShown ? "shown" : "hidden"));
    }

    void Next(int category) {
        Step step("Next to category " + std::to_string(category));
        orvane_.Press(kNext);
        WaitForCategory(category);
    }

    // A category by keyboard alone: Tab to the tool bar, the arrows to the category's button,
    // Enter; Tab to the list, the arrows to the entry, Space.
    void KeyboardCategory(int category, const std::string& caption) {
        Step step("category " + std::to_string(category) + " by keyboard alone: tick \"" + caption +
                  "\"");
        HWND bar = orvane_.ToolBar();
        for (int i = 0; i < 10 && orvane_.FocusWindow() != bar; ++i) {
            PressKey(VK_TAB);
            orvane_.Settle();
        }
        if (orvane_.FocusWindow() != bar)
            Fail("Tab does not reach the category tool bar");
        const int from = RemoteToolBar(orvane_, bar).Current();
        for (int i = from; i < category; ++i)
            PressKey(VK_RIGHT);
        PressKey(VK_RETURN);
        WaitForCategory(category);
        PressKey(VK_TAB);
        orvane_.Settle();
        RemoteList list(orvane_, orvane_.List());
        if (orvane_.FocusWindow() != list.Handle())
            Fail("Tab from the tool bar does not reach the list");
        const int item = list.Require(caption);
        PressKey(VK_HOME);
        orvane_.Settle();
        for (int i = 0; i < list.Count() && !list.Selected(item); ++i) {
            PressKey(VK_DOWN);
            orvane_.Settle();
        }
        if (!list.Selected(item))
            Fail("The arrow keys do not reach \"" + caption + "\"");
        PressKey(VK_SPACE);
        if (!WaitFor(
                5, [&] { return list.Checked(item); }, [&] { orvane_.CheckNoDialog(); }))
            Fail("Space did not tick \"" + caption + "\"");
        assigned_[caption] = category;
        Log("ticked \"" + caption + "\" into category " + std::to_string(category) +
            " by keyboard");
    }

    void CategoryButton(int category) {
        Step step("click the tool-bar button of category " + std::to_string(category) + " \"" +
                  CategoryNames[category] + "\"");
        HWND bar = orvane_.ToolBar();
        if (bar == nullptr)
            Fail("The category tool bar is not shown");
        RemoteToolBar toolBar(orvane_, bar);
        const RECT rect = ToScreen(bar, toolBar.Categories()[category].rect);
        ClickAt(bar, Center(rect), "the category button \"" + CategoryNames[category] + "\"");
        WaitForCategory(category);
    }

    // Waits until the category page shows `category`, then checks the list against the ticks
    // made so far: entries of other categories are gone, those of this one are checked, every
    // other entry is unchecked.
    void WaitForCategory(int category) {
        int current = -1;
        const bool shown = WaitFor(
            10,
            [&] {
                HWND bar = orvane_.ToolBar();
                if (bar == nullptr || orvane_.Page() != 1)
                    return false;
                RemoteToolBar toolBar(orvane_, bar);
                current = toolBar.Current();
                return current == category;
            },
            [&] { orvane_.CheckNoDialog(); });
        if (!shown)
            Fail("Category " + std::to_string(category) + " is not shown (the current one is " +
                 std::to_string(current) + ")");
        orvane_.Settle();
        ExpectButtons(true, true, true);
        RemoteList list(orvane_, orvane_.List());
        const int count = list.Count();
        int checked = 0;
        for (int item = 0; item < count; ++item) {
            const std::string caption = list.Caption(item);
            const auto assigned = assigned_.find(caption);
            const bool isChecked = list.Checked(item);
            if (assigned != assigned_.end() && assigned->second != category)
                Fail("\"" + caption + "\", ticked into category " +
                     std::to_string(assigned->second) + ", is listed for category " +
                     std::to_string(category));
            const bool mine = assigned != assigned_.end();
            if (isChecked != mine)
                Fail("\"" + caption + "\" is shown " + (isChecked ? "checked" : "unchecked") +
                     " in category " + std::to_string(category));
            checked += isChecked ? 1 : 0;
        }
        int expected = 0;
        for (const auto& entry : assigned_)
            expected += entry.second == category ? 1 : 0;
        if (checked != expected)
            Fail("Category " + std::to_string(category) + " shows " + std::to_string(checked) +
                 " checked entries instead of " + std::to_string(expected));
        Log("category " + std::to_string(category) + " \"" + CategoryNames[category] + "\": " +
            std::to_string(count) + " entries listed, " + std::to_string(checked) + " checked");
    }

    void TickEntries(int category, const std::vector<Tick>& ticks) {
        for (const Tick& tick : ticks) {
            RemoteList list(orvane_, orvane_.List());
            const int item = list.Require(tick.caption);
            if (list.Checked(item))
                Fail("\"" + std::string(tick.caption) + "\" is checked before it was ticked");
            if (tick.how == How::CheckBox) {
                ClickAt(list.Handle(), list.PointOn(item, true),
                        "the check box of \"" + std::string(tick.caption) + "\"");
            } else {
                // A click on the caption selects the item (an item that is selected already
                // would start editing its caption instead); the space bar then ticks it.
                if (list.Selected(item))
                    Fail("\"" + std::string(tick.caption) + "\" is selected before the click");
                ClickAt(list.Handle(), list.PointOn(item, false),
                        "the caption of \"" + std::string(tick.caption) + "\"");
                if (!WaitFor(
                        5, [&] { return list.Selected(item); }, [&] { orvane_.CheckNoDialog(); }))
                    Fail("\"" + std::string(tick.caption) + "\" was not selected by the click");
                orvane_.Settle();
                if (orvane_.FocusWindow() != list.Handle())
                    Fail("The list does not have the keyboard focus after the click");
                if (list.Checked(item))
                    Fail("A click on the caption of \"" + std::string(tick.caption) +
                         "\" ticked it");
                PressKey(VK_SPACE);
            }
            if (!WaitFor(
                    5, [&] { return list.Checked(item); }, [&] { orvane_.CheckNoDialog(); }))
                Fail("\"" + std::string(tick.caption) + "\" did not become checked");
            orvane_.Settle();
            if (list.Editing())
                Fail("The caption of an item is being edited");
            if (list.Caption(item) != tick.caption || !list.Checked(item))
                Fail("The list changed under the tick of \"" + std::string(tick.caption) + "\"");
            assigned_[tick.caption] = category;
            Log(std::string("ticked \"") + tick.caption + "\" into category " +
                std::to_string(category) +
                (tick.how == How::CheckBox ? " (mouse on the check box)"
                                           : " (click on the caption, then the space bar)"));
        }
    }

    void FinalPage() {
        orvane_.WaitForPage(2);
        ExpectButtons(false, true, false);
        const std::string expected = appDir_ + "\\backup\\";
        HWND field = orvane_.Field();
        if (field == nullptr)
            Fail("The backup-folder field is not shown");
        const std::string text = TextOf(field);
        if (text != expected)
            Fail("The backup-folder field reads \"" + text + "\" instead of \"" + expected + "\"");
        Log("the backup-folder field reads \"" + text + "\"");
        if (!orvane_.Button(kMakeCopy) || !orvane_.Button(kStart))
            Fail("The final page's buttons are not shown");
        Screenshot(orvane_, "final");
    }

    void Report() {
        for (const auto& entry : assigned_)
            Print("ASSIGN\t" + std::to_string(entry.second) + "\t" + entry.first + "\n");
    }

    void Close() {
        Step step("close the window");
        orvane_.CheckNoDialog();
        PostMessageW(orvane_.Main(), WM_CLOSE, 0, 0);
        if (WaitForSingleObject(orvane_.Process(), 15000) != WAIT_OBJECT_0)
            Fail("Orvane did not end within 15 s of WM_CLOSE");
        DWORD code = 0;
        GetExitCodeProcess(orvane_.Process(), &code);
        Log("Orvane ended with exit code " + std::to_string(code));
    }

    Orvane& orvane_;
    std::string appDir_;
    std::map<std::string, int> assigned_; // caption -> category
};

const char* const kUsage =
    "Usage: orvane-e2e-driver --app-dir DIR [--mode full|screenshots] [--sync-dir DIR] "
    "[--timeout SECONDS]\n";

int Run(const std::vector<std::string>& args) {
    std::string appDir;
    std::string mode = "full";
    int timeout = 300;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--app-dir" && hasValue) {
            appDir = args[++i];
        } else if (arg == "--mode" && hasValue) {
            mode = args[++i];
        } else if (arg == "--sync-dir" && hasValue) {
            g_syncDir = Widen(args[++i]);
        } else if (arg == "--timeout" && hasValue) {
            timeout = std::atoi(args[++i].c_str());
        } else {
            Print(kUsage);
            return 2;
        }
    }
    while (!appDir.empty() && appDir.back() == '\\')
        appDir.pop_back();
    if (appDir.empty() || (mode != "full" && mode != "screenshots") || timeout <= 0) {
        Print(kUsage);
        return 2;
    }
    g_deadline = g_start + std::chrono::seconds(timeout);

    // Screen coordinates must be physical pixels, as the screenshots see them.
    SetProcessDPIAware();
    Orvane orvane;
    Scenario scenario(orvane, appDir);
    try {
        if (mode == "full")
            scenario.RunFull();
        else
            scenario.RunScreenshots();
    } catch (const TestFailure& failure) {
        Log(std::string("FAILURE: ") + failure.what());
        if (Clock::now() >= g_deadline)
            Log("the run's limit of " + std::to_string(timeout) + " s has passed");
        Print(std::string("RESULT FAIL ") + failure.what() + "\n");
        return 1;
    }
    char total[64];
    std::snprintf(total, sizeof total, "RESULT PASS in %.3f s\n", SecondsSince(g_start));
    Print(total);
    return 0;
}

} // namespace

int main() {
    return RunConsoleProgram(Run, "RESULT FAIL ");
}
