#include "win32/list_view.h"

#include "win32/text.h"

#include <algorithm>

namespace {

// The state images of the check boxes: 1 a clear box, 2 a ticked one.
constexpr UINT ClearBox = 1;
constexpr UINT TickedBox = 2;

// Put in front of the list's own window procedure: a check mark set by message goes to the
// parent, which keeps the marks; what else the message sets (the selection, the focus) stays the
// list's.
LRESULT CALLBACK CheckRequestsProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(list, GWLP_USERDATA));
    if (message != LVM_SETITEMSTATE || lParam == 0)
        return CallWindowProcW(original, list, message, wParam, lParam);
    LVITEMW item = *reinterpret_cast<const LVITEMW*>(lParam);
    if (!(item.stateMask & LVIS_STATEIMAGEMASK))
        return CallWindowProcW(original, list, message, wParam, lParam);
    const UINT box = (item.state & LVIS_STATEIMAGEMASK) >> 12;
    if (box == ClearBox || box == TickedBox) {
        NMLISTVIEW request{};
        request.hdr = {list, static_cast<UINT_PTR>(GetDlgCtrlID(list)), LVN_CHECKREQUEST};
        request.iItem = static_cast<int>(wParam);
        request.uNewState = INDEXTOSTATEIMAGEMASK(box);
        request.uChanged = LVIF_STATE;
        SendMessageW(GetParent(list), WM_NOTIFY, request.hdr.idFrom,
                     reinterpret_cast<LPARAM>(&request));
    }
    item.stateMask &= ~LVIS_STATEIMAGEMASK;
    if (item.stateMask == 0)
        return TRUE;
    return CallWindowProcW(original, list, message, wParam, reinterpret_cast<LPARAM>(&item));
}

} // namespace

int TListView::Count() const {
    return ListView_GetItemCount(list_);
}

void TListView::AskParentForRows() {
    ListView_SetCallbackMask(list_, LVIS_STATEIMAGEMASK | LVIS_OVERLAYMASK);
    SetWindowLongPtrW(
        list_, GWLP_USERDATA,
        SetWindowLongPtrW(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CheckRequestsProc)));
}

bool TListView::RequestedCheck(const NMLISTVIEW& request) {
    return (request.uNewState & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(TickedBox);
}

void TListView::SetRowCount(int count, const std::function<bool(int row)>& changed) {
    // Nothing stays selected or focused from the rows before (one row at most has either).
    for (int row : {FocusedRow(), ListView_GetNextItem(list_, -1, LVNI_SELECTED)}) {
        if (row >= 0)
            ListView_SetItemState(list_, row, 0, LVIS_SELECTED | LVIS_FOCUSED);
    }
    ListView_SetSelectionMark(list_, -1);
    // A list scrolled away from the first row is emptied first, which scrolls it back, and
    // repainted whole. (Asking for the first row to be shown would scroll a list not sized yet
    // the other way.)
    if (ListView_GetTopIndex(list_) != 0) {
        ListView_SetItemCountEx(list_, 0, LVSICF_NOSCROLL);
        ListView_SetItemCountEx(list_, count, LVSICF_NOSCROLL);
        return;
    }
    // The list repaints the rows that come or go; of those that stay, the ones that change. (Told
    // the same count, the list would still redraw its scroll bar.)
    const int before = Count();
    if (count != before)
        ListView_SetItemCountEx(list_, count, LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
    const int shown = ShownFromTop(std::min(before, count));
    for (int row = 0; row < shown; ++row) {
        if (changed(row))
            RedrawRow(row);
    }
}

int TListView::ShownFromTop(int rows) const {
    // Columns run left to right, so the rows that start left of the right edge are a first run of
    // them: the first that does not is looked for by halves.
    RECT client{};
    GetClientRect(list_, &client);
    int shown = 0;
    while (shown < rows) {
        const int middle = shown + (rows - shown) / 2;
        POINT at{};
        if (ListView_GetItemPosition(list_, middle, &at) && at.x < client.right)
            shown = middle + 1;
        else
            rows = middle;
    }
    return shown;
}

void TListView::Describe(NMLVDISPINFOW& request, const TListRow& row) {
    LVITEMW& item = request.item;
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        const std::wstring caption = Widen(row.Caption);
        const size_t length = std::min(caption.size(), static_cast<size_t>(item.cchTextMax) - 1);
        std::copy_n(caption.begin(), length, item.pszText);
        item.pszText[length] = L'\0';
    }
    if (item.mask & LVIF_IMAGE)
        item.iImage = row.Image.Image;
    if (item.mask & LVIF_STATE) {
        const UINT state = INDEXTOSTATEIMAGEMASK(row.Checked ? TickedBox : ClearBox) |
                           INDEXTOOVERLAYMASK(row.Image.Overlay);
        item.state = (item.state & ~item.stateMask) | (state & item.stateMask);
    }
}

LRESULT TListView::CustomDraw(NMLVCUSTOMDRAW& draw, const std::function<bool(int row)>& dimmed) {
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        // A selected row keeps the highlight's own text colour, which grey would not stand out on.
        if (!(draw.nmcd.uItemState & CDIS_SELECTED) &&
            dimmed(static_cast<int>(draw.nmcd.dwItemSpec)))
            draw.clrText = GetSysColor(COLOR_GRAYTEXT);
        return CDRF_DODEFAULT;
    default:
        return CDRF_DODEFAULT;
    }
}

int TListView::Find(const NMLVFINDITEMW& request, int count,
                    const std::function<std::string(int row)>& caption) {
    const LVFINDINFOW& search = request.lvfi;
    if (!(search.flags & (LVFI_STRING | LVFI_PARTIAL)) || !search.psz || count <= 0)
        return -1;
    const std::wstring wanted = search.psz;
    const int start = std::clamp(request.iStart, 0, count);
    const int end = (search.flags & LVFI_WRAP) ? start + count : count;
    for (int at = start; at < end; ++at) {
        const int row = at % count;
        std::wstring text = Widen(caption(row));
        if ((search.flags & LVFI_PARTIAL) && text.size() > wanted.size())
            text.resize(wanted.size());
        if (text.size() == wanted.size() &&
            CompareStringOrdinal(text.c_str(), static_cast<int>(text.size()), wanted.c_str(),
                                 static_cast<int>(wanted.size()), TRUE) == CSTR_EQUAL)
            return row;
    }
    return -1;
}

int TListView::CheckBoxAt(POINT at) const {
    LVHITTESTINFO hit{};
    hit.pt = at;
    const int row = ListView_HitTest(list_, &hit);
    return row >= 0 && (hit.flags & LVHT_ONITEMSTATEICON) ? row : -1;
}

int TListView::FocusedRow() const {
    return ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
}

bool TListView::RowShown(int row) const {
    if (row < ListView_GetTopIndex(list_) || row >= Count())
        return false;
    POINT at{};
    RECT client{};
    return ListView_GetItemPosition(list_, row, &at) && GetClientRect(list_, &client) &&
           at.x < client.right && at.y < client.bottom;
}

void TListView::RedrawRow(int row) {
    ListView_RedrawItems(list_, row, row);
}

void TListView::RedrawCheck(int row) {
    RedrawRow(row);
    NotifyWinEvent(EVENT_OBJECT_STATECHANGE, list_, OBJID_CLIENT, row + 1);
}

void TListView::RedrawAll() {
    InvalidateRect(list_, nullptr, TRUE);
}

void TListView::EnsureVisible(int row) {
    ListView_EnsureVisible(list_, row, FALSE);
}

void TListView::SetSmallImages(HIMAGELIST images) {
    ListView_SetImageList(list_, images, LVSIL_SMALL);
}

void TListView::SetColumnWidth(int column, int width) {
    ListView_SetColumnWidth(list_, column, width);
}
