// The list view and the tool bar of Orvane's window, read and aimed at from outside its process:
// the controls' messages that take a pointer get one into a block of Orvane's own memory.
#pragma once

#include "orvane_window.h"
#include "remote_window.h"

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

namespace e2e {

// The program list: a SysListView32 in Orvane's process.
class RemoteList {
public:
    RemoteList(Orvane& orvane, HWND list)
        : orvane_(orvane), list_(list), memory_(orvane.Process(), 4096) {}

    HWND Handle() const { return list_; }
    int Count() { return static_cast<int>(Send(list_, LVM_GETITEMCOUNT, 0, 0)); }
    std::string Caption(int item);
    bool Checked(int item);
    bool Selected(int item);
    RECT ItemRect(int item, int part);
    // The item and the part of it at a point of the list's client area.
    int HitTest(POINT at, UINT& flags);
    // The index of the only item with this caption; -1 when none has it.
    int Find(const std::string& caption);
    int Require(const std::string& caption);
    // Scrolls the item into view and gives a point on its check box or its caption, in screen
    // coordinates, checked with the list's own hit test.
    POINT PointOn(int item, bool checkBox);
    bool Editing() const;

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
    std::vector<Button> Buttons();
    // The nine category buttons, category 0 first, each checked against its caption.
    std::vector<Button> Categories();
    // The category whose button is the only one not greyed; -1 when that is not so.
    int Current();

private:
    HWND bar_;
    RemoteMemory memory_;
};

} // namespace e2e
