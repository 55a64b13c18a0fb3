// Orvane's window seen from outside its process: found by its title, its pages told apart by the
// controls they show, its buttons found by caption and pressed with the mouse, its message boxes
// read and dismissed; and the driver's meeting points with the test script (screenshots and
// checkpoints).
#pragma once

#include "driver_support.h"
#include "win32/handles.h"

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

// The names on the screen: the buttons under every page,
constexpr const char* kNext = "Далее >";
constexpr const char* kBack = "< Назад";
constexpr const char* kDone = "Готово";
// the category page's and the final page's own buttons,
constexpr const char* kSelectAll = "Выделить все";
constexpr const char* kClearAll = "Снять выделение";
constexpr const char* kMakeCopy = "Сделать копию !";
constexpr const char* kStart = "Начать обработку";
constexpr const char* kUndo = "Вернуть как было";
// and the messages that end the backup, the distribution and the undo.
constexpr const char* kBackupDone = "Резервная копия создана!";
constexpr const char* kDistributed = "Программы успешно распределены по категориям!";
constexpr const char* kUndone = "Все программы возвращены на прежние места!";

// A caption without the spaces around it.
std::string Trimmed(const std::string& text);

class Orvane {
public:
    HWND Main() const { return main_; }
    DWORD ProcessId() const { return processId_; }
    HANDLE Process() const { return process_.get(); }
    DWORD ThreadId() const { return threadId_; }

    // Waits for Orvane's main window to be shown; any message box shown before it fails the run.
    void WaitForWindow(double seconds);
    // Lets Orvane handle everything queued so far: a message round trip through its UI thread,
    // then its input-idle state, then a moment for painting.
    void Settle();

    // The message boxes and other dialogs Orvane shows (before the main window is known: every
    // dialog titled "Orvane").
    std::vector<HWND> Dialogs() const;
    static std::string DialogText(HWND dialog);
    // Presses the box's OK (or Cancel) button with the mouse, and makes sure the box is gone.
    void Dismiss(HWND dialog);
    // Any dialog on the screen at a moment when none is expected fails the run, after it has been
    // reported with its text and closed. With `titledOnly`, only boxes titled "Orvane" count.
    void FailOnDialog(bool titledOnly);
    void CheckNoDialog() { FailOnDialog(false); }
    // Waits for Orvane's message box, checks its text, and dismisses it. Other dialogs of the
    // process (the shell's progress windows) may come and go meanwhile.
    void ExpectMessage(const std::string& expected, double seconds, const char* shot = nullptr);

    // A visible control of the main window, by class and, for buttons, by caption.
    HWND FindControl(const std::string& className, const std::string& text = std::string()) const;
    HWND Button(const std::string& text) const { return FindControl("Button", text); }
    HWND List() const { return FindControl("SysListView32"); }
    HWND ToolBar() const { return FindControl("ToolbarWindow32"); }
    HWND Field() const { return FindControl("Edit"); }
    HWND RequireButton(const std::string& text) const;
    void Press(const std::string& text);

    // The page shown: 0 welcome, 1 categories, 2 final, -1 none of them recognisably.
    int Page() const;
    void WaitForPage(int page, double seconds = kReactionLimit);

    // Whether the window and every control shown in it have painted what they show: none has
    // anything left to paint.
    bool Painted() const;

    // The control that has the keyboard focus in Orvane's UI thread.
    HWND FocusWindow() const;

private:
    HWND main_ = nullptr;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
    TKernelHandle process_;
};

// The test script answers some output lines (a screenshot taken, the folders recorded) with a
// file NAME.done in this folder; without one, there are no screenshots and no checkpoints.
void SetSyncFolder(const std::wstring& folder);
bool ScriptAnswers();
// Asks the script for a screenshot of the window and waits until it is taken.
void Screenshot(Orvane& orvane, const std::string& name);
// Lets the test script look at the folders at this point of the run.
void Checkpoint(const std::string& name);

} // namespace e2e
