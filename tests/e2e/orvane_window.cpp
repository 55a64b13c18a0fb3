#include "orvane_window.h"

#include "driver_support.h"
#include "input.h"
#include "remote_window.h"
#include "win32/text.h"

#include <algorithm>
#include <cstdio>

namespace e2e {

namespace {

const char* const kTitle = "Orvane";
const char* const kWelcomeText = "Данная программа предназначена для наведения порядка";
constexpr int kMessageTextId = 0xFFFF; // the text of a standard message box

std::wstring g_syncDir;

void WaitForScript(const std::string& line, const std::string& name, const std::string& what) {
    const std::wstring done = g_syncDir + L"\\" + Widen(name) + L".done";
    DeleteFileW(done.c_str());
    Print(line + "\n");
    if (!WaitFor(kReactionLimit,
                 [&] { return GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; }))
        Fail(what + " \"" + name + "\" was not answered in time");
}

} // namespace

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

void Orvane::WaitForWindow(double seconds) {
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
    process_ = TKernelHandle(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                                             PROCESS_QUERY_INFORMATION | SYNCHRONIZE,
                                         FALSE, processId_));
    if (process_.get() == nullptr)
        Fail(ErrorText("Cannot open Orvane's process", GetLastError()));
    threadId_ = GetWindowThreadProcessId(main_, nullptr);
}

void Orvane::Settle() {
    Send(main_, WM_NULL, 0, 0);
    WaitForInputIdle(process_.get(), 500);
    Pause(60);
    Send(main_, WM_NULL, 0, 0);
}

std::vector<HWND> Orvane::Dialogs() const {
    std::vector<HWND> dialogs;
    for (HWND window : TopLevelWindows()) {
        if (!Shown(window) || ClassOf(window) != "#32770")
            continue;
        if (processId_ != 0 ? ProcessOf(window) == processId_ : TitleOf(window) == kTitle)
            dialogs.push_back(window);
    }
    return dialogs;
}

std::string Orvane::DialogText(HWND dialog) {
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

void Orvane::Dismiss(HWND dialog) {
    HWND button = GetDlgItem(dialog, IDOK);
    if (button == nullptr || !Shown(button))
        button = GetDlgItem(dialog, IDCANCEL);
    if (button != nullptr && Shown(button)) {
        const POINT at = Center(ScreenRect(button));
        if (IsAncestorOrSelf(button, WindowFromPoint(at))) {
            ClickAt(button, at, "the box's " + TextOf(button) + " button");
            if (WaitFor(kReactionLimit, [&] { return !Shown(dialog); }))
                return;
            Log("note: the box did not close on a mouse click; pressing its button directly");
        }
        PostMessageW(button, BM_CLICK, 0, 0);
    } else {
        PostMessageW(dialog, WM_CLOSE, 0, 0);
    }
    if (!WaitFor(kReactionLimit, [&] { return !Shown(dialog); }))
        Fail("The dialog \"" + TitleOf(dialog) + "\" could not be closed");
}

void Orvane::FailOnDialog(bool titledOnly) {
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

HWND Orvane::FindControl(const std::string& className, const std::string& text) const {
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

HWND Orvane::RequireButton(const std::string& text) const {
    HWND button = Button(text);
    if (button == nullptr)
        Fail("The button \"" + text + "\" is not shown");
    return button;
}

void Orvane::Press(const std::string& text) {
    HWND button = RequireButton(text);
    if (!IsWindowEnabled(button))
        Fail("The button \"" + text + "\" is disabled");
    ClickAt(button, Center(ScreenRect(button)), "the button \"" + text + "\"");
}

int Orvane::Page() const {
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

void Orvane::WaitForPage(int page, double seconds) {
    if (!WaitFor(
            seconds, [&] { return Page() == page; }, [&] { CheckNoDialog(); }))
        Fail("Page " + std::to_string(page) + " did not show (the window shows page " +
             std::to_string(Page()) + ")");
    Settle();
}

bool Orvane::Painted() const {
    if (GetUpdateRect(main_, nullptr, FALSE))
        return false;
    for (HWND child : Descendants(main_))
        if (Shown(child) && GetUpdateRect(child, nullptr, FALSE))
            return false;
    return true;
}

HWND Orvane::FocusWindow() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(threadId_, &info))
        return nullptr;
    return info.hwndFocus;
}

void Orvane::ExpectMessage(const std::string& expected, double seconds, const char* shot) {
    const Clock::time_point start = Clock::now();
    std::vector<std::string> seen;
    HWND box = nullptr;
    const bool shown = WaitFor(seconds, [&] {
        for (HWND dialog : Dialogs()) {
            const std::string title = TitleOf(dialog);
            if (title == kTitle && GetDlgItem(dialog, kMessageTextId) != nullptr) {
                box = dialog;
                return true;
            }
            if (std::find(seen.begin(), seen.end(), title) == seen.end()) {
                seen.push_back(title);
                Log("note: a dialog \"" + title + "\" is shown meanwhile: " + DialogText(dialog));
            }
        }
        return false;
    });
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

void SetSyncFolder(const std::wstring& folder) {
    g_syncDir = folder;
}

bool ScriptAnswers() {
    return !g_syncDir.empty();
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

} // namespace e2e
