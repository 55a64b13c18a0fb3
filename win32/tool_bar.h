// A tool bar control through typed calls rather than its window messages. It only names the
// control: the bar is a child window and dies with its parent, and it owns its buttons.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

// A push button of a tool bar, sized to its text.
struct TToolBarButton {
    int Command;        // the command ID its click sends
    int Image;          // in the bar's image list
    std::string Text;   // the bar keeps its own copy
    bool Indeterminate; // greyed, though it can still be clicked
    DWORD_PTR Data;     // the value the program keeps with it
};

class TToolBar {
public:
    explicit TToolBar(HWND bar) : bar_(bar) {}

    HWND Handle() const { return bar_; }
    // The images of the buttons; the bar does not own them.
    void SetImageList(HIMAGELIST images);
    // Inserts a button before the one at `position` (0: in front of all).
    void InsertButton(int position, const TToolBarButton& button);
    // Sizes the bar to its buttons.
    void AutoSize();
    void SetIndeterminate(int command, bool indeterminate);

private:
    HWND bar_;
};
