// A list view control through typed calls rather than its window messages. It only names the
// control: the list is a child window and dies with its parent.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

// The picture of a row: an image of the list's small image list and an overlay drawn over it.
struct TListImage {
    int Image = I_IMAGENONE; // I_IMAGENONE: no image
    int Overlay = 0;         // the overlay index in the image list, 1 to 15; 0: none
};

class TListView {
public:
    explicit TListView(HWND list) : list_(list) {}

    HWND Handle() const { return list_; }
    int Count() const;
    // The value the program keeps with a row.
    LPARAM Data(int row) const;
    bool Checked(int row) const;
    void SetChecked(int row, bool checked);
    void SetAllChecked(bool checked) { SetChecked(-1, checked); }

    // Adds a row after the last one, with its text, value and picture; returns its index.
    int Append(const std::string& text, LPARAM data, const TListImage& image);
    void SetImage(int row, const TListImage& image);
    void Clear();
    void EnsureVisible(int row);
    // Stops repainting while rows change, and starts again.
    void SetRedraw(bool redraw);
    // The small images the rows show; the list does not own them unless its style says so.
    void SetSmallImages(HIMAGELIST images);
    void SetColumnWidth(int column, int width);

private:
    HWND list_;
};
