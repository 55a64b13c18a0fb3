#include "win32/list_view.h"

#include "win32/text.h"

namespace {

// Adds the picture to an item description: its image, and its overlay as the item's state.
void Describe(LVITEMW& item, const TListImage& image) {
    item.mask |= LVIF_IMAGE | LVIF_STATE;
    item.iImage = image.Image;
    item.state = INDEXTOOVERLAYMASK(image.Overlay);
    item.stateMask = LVIS_OVERLAYMASK;
}

} // namespace

int TListView::Count() const {
    return ListView_GetItemCount(list_);
}

LPARAM TListView::Data(int row) const {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    ListView_GetItem(list_, &item);
    return item.lParam;
}

bool TListView::Checked(int row) const {
    return ListView_GetCheckState(list_, row) != 0;
}

void TListView::SetChecked(int row, bool checked) {
    ListView_SetCheckState(list_, row, checked);
}

int TListView::Append(const std::string& text, LPARAM data, const TListImage& image) {
    const std::wstring caption = Widen(text);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = Count();
    item.pszText = const_cast<wchar_t*>(caption.c_str()); // the list copies it
    item.lParam = data;
    Describe(item, image);
    return ListView_InsertItem(list_, &item);
}

void TListView::SetImage(int row, const TListImage& image) {
    LVITEMW item{};
    item.iItem = row;
    Describe(item, image);
    ListView_SetItem(list_, &item);
}

void TListView::Clear() {
    ListView_DeleteAllItems(list_);
}

void TListView::EnsureVisible(int row) {
    ListView_EnsureVisible(list_, row, FALSE);
}

void TListView::SetRedraw(bool redraw) {
    SendMessageW(list_, WM_SETREDRAW, redraw, 0);
}

void TListView::SetSmallImages(HIMAGELIST images) {
    ListView_SetImageList(list_, images, LVSIL_SMALL);
}

void TListView::SetColumnWidth(int column, int width) {
    ListView_SetColumnWidth(list_, column, width);
}
