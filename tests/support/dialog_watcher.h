// Answers the dialog boxes of the test's own process from a watcher thread, so that a question
// from the shell can never block a test.
#pragma once

#include <windows.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Answers every dialog box of this process from a second thread with the button `answer` (or,
// when that button is not shown, by closing the box, which is how a user cancels it), so that a
// question from the shell can never block a test. Records the caption and text of each box.
class DialogWatcher {
public:
    explicit DialogWatcher(int answer) : answer_(answer), thread_([this] { Run(); }) {}
    ~DialogWatcher() {
        stop_ = true;
        thread_.join();
    }
    DialogWatcher(const DialogWatcher&) = delete;
    DialogWatcher& operator=(const DialogWatcher&) = delete;

    std::vector<std::string> Seen() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return seen_;
    }

private:
    void Run() {
        while (!stop_) {
            for (auto it = answered_.begin(); it != answered_.end();)
                it = IsWindow(it->first) ? std::next(it) : answered_.erase(it);
            EnumWindows(&DialogWatcher::Visit, reinterpret_cast<LPARAM>(this));
            Sleep(40);
        }
    }

    static BOOL CALLBACK Visit(HWND window, LPARAM self) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
            std::wstring(className) == L"#32770")
            reinterpret_cast<DialogWatcher*>(self)->Answer(window);
        return TRUE;
    }

    // InternalGetWindowText sends no message to the busy thread that owns the box.
    static BOOL CALLBACK CollectText(HWND child, LPARAM text) {
        wchar_t buffer[512] = {};
        wchar_t className[16] = {};
        GetClassNameW(child, className, 16);
        if (std::wstring(className) == L"Static" && InternalGetWindowText(child, buffer, 512) > 0)
            *reinterpret_cast<std::string*>(text) += " | " + Narrow(buffer);
        return TRUE;
    }

    void Answer(HWND dialog) {
        const DWORD now = GetTickCount();
        auto known = answered_.find(dialog);
        if (known != answered_.end() && now - known->second < 500)
            return;
        if (known == answered_.end()) {
            wchar_t caption[256] = {};
            InternalGetWindowText(dialog, caption, 256);
            std::string text = Narrow(caption);
            EnumChildWindows(dialog, &DialogWatcher::CollectText, reinterpret_cast<LPARAM>(&text));
            std::lock_guard<std::mutex> lock(mutex_);
            seen_.push_back(text);
        }
        answered_[dialog] = now;
        const HWND button = GetDlgItem(dialog, answer_);
        if (button && IsWindowVisible(button) && IsWindowEnabled(button))
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(answer_, BN_CLICKED),
                         reinterpret_cast<LPARAM>(button));
        else
            PostMessageW(dialog, WM_CLOSE, 0, 0);
    }

    const int answer_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> seen_;
    std::map<HWND, DWORD> answered_; // only the watcher thread touches it
    std::thread thread_;             // last: it starts once everything above exists
};
