#include "win32/tool_bar.h"

#include "win32/text.h"

void TToolBar::SetImageList(HIMAGELIST images) {
    SendMessageW(bar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
}

void TToolBar::InsertButton(int position, const TToolBarButton& button) {
    const std::wstring text = Widen(button.Text);
    TBBUTTON added{};
    added.iBitmap = button.Image;
    added.idCommand = button.Command;
    added.fsState = TBSTATE_ENABLED | (button.Indeterminate ? TBSTATE_INDETERMINATE : 0);
    added.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE;
    added.dwData = button.Data;
    added.iString = reinterpret_cast<INT_PTR>(text.c_str());
    SendMessageW(bar_, TB_INSERTBUTTONW, static_cast<WPARAM>(position),
                 reinterpret_cast<LPARAM>(&added));
}

void TToolBar::AutoSize() {
    SendMessageW(bar_, TB_AUTOSIZE, 0, 0);
}

void TToolBar::SetIndeterminate(int command, bool indeterminate) {
    SendMessageW(bar_, TB_INDETERMINATE, static_cast<WPARAM>(command), indeterminate);
}
