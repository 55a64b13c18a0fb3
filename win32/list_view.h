// A list view control through typed calls rather than its window messages. It only names the
// control: the list is a child window and dies with its parent.
//
// The list keeps no rows of its own (LVS_OWNERDATA): it is told how many there are and asks its
// parent, through LVN_GETDISPINFO, for what each row it draws shows. Its check marks are the
// parent's too: the list sends NM_CLICK for a click on a check box and LVN_KEYDOWN for the space
// bar, and passes a mark set by message on as LVN_CHECKREQUEST.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>

// The picture of a row: an image of the list's small image list and an overlay drawn over it.
struct TListImage {
    int Image = I_IMAGENONE; // I_IMAGENONE: no image
    int Overlay = 0;         // the overlay index in the image list, 1 to 15; 0: none
};

// What a row shows, as its parent answers for it.
struct TListRow {
    std::string Caption;
    TListImage Image;
    bool Checked = false;
    bool Dimmed = false; // the caption in the system's grey, as Windows shows what is not there
};

// The notification (WM_NOTIFY, with an NMLISTVIEW) by which the list passes a check mark set by
// message (LVM_SETITEMSTATE, as accessibility tools and other programs set marks) on to its parent,
// since it keeps none itself: iItem is the row, or -1 for every row, and uNewState's state image
// the mark asked for. A code of the list's own, outside the common controls' (negative) ones.
constexpr UINT LVN_CHECKREQUEST = WM_APP + 0x200;

class TListView {
public:
    explicit TListView(HWND list) : list_(list) {}

    HWND Handle() const { return list_; }
    int Count() const;

    // Makes the list ask its parent for each row's check mark and overlay too (it always asks for
    // the caption and the image), and pass marks set by message on to it. Once, on a new list.
    void AskParentForRows();
    // The mark a check request asks for.
    static bool RequestedCheck(const NMLISTVIEW& request);
    // Shows `count` rows, none selected or focused, from the first one on. A row that shows
    // keeps its pixels where `changed` says it shows what it showed; every other row is painted
    // anew.
    void SetRowCount(int count, const std::function<bool(int row)>& changed);
    // Answers LVN_GETDISPINFO with the fields asked for of what the row shows.
    static void Describe(NMLVDISPINFOW& request, const TListRow& row);
    // Answers NM_CUSTOMDRAW: a row that is not selected and `dimmed` says so gets a grey caption.
    static LRESULT CustomDraw(NMLVCUSTOMDRAW& draw, const std::function<bool(int row)>& dimmed);
    // Answers LVN_ODFINDITEM as the list answers for rows of its own: the first row from the
    // start row on (and then from the first one, where it asks) whose caption is the search text,
    // or begins with it for a partial search, in any letter case; -1 when none is.
    static int Find(const NMLVFINDITEMW& request, int count,
                    const std::function<std::string(int row)>& caption);

    // The row whose check box is at a point of the list's client area; -1 when none is there.
    int CheckBoxAt(POINT at) const;
    // The row with the keyboard focus; -1 when none has it.
    int FocusedRow() const;
    // Whether some of the row lies in the list's visible area: from the top row on, up to the
    // last column that shows, a partly shown one included.
    bool RowShown(int row) const;
    // Repaints one row from what the parent answers now.
    void RedrawRow(int row);
    // The same for a row whose check mark changed, which accessibility tools are told of too.
    void RedrawCheck(int row);
    void RedrawAll();

    void EnsureVisible(int row);
    // The small images the rows show; the list does not own them unless its style says so.
    void SetSmallImages(HIMAGELIST images);
    void SetColumnWidth(int column, int width);

private:
    // How many of the first `rows` rows show, the list being scrolled to its start.
    int ShownFromTop(int rows) const;

    HWND list_;
};
