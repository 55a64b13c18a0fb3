#include "remote_controls.h"

#include "catalogue/catalogue.h"
#include "driver_support.h"
#include "win32/text.h"

#include <commctrl.h>

#include <algorithm>

namespace e2e {

std::string RemoteList::Caption(int item) {
    LVITEMW request{};
    request.iSubItem = 0;
    request.cchTextMax = 1024;
    request.pszText = reinterpret_cast<wchar_t*>(memory_.At(kTextOffset));
    memory_.Put(request);
    const LRESULT length = Send(list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), memory_.At());
    std::wstring text(static_cast<size_t>(std::max<LRESULT>(0, std::min<LRESULT>(length, 1023))),
                      L'\0');
    if (!text.empty())
        memory_.Read(kTextOffset, &text[0], text.size() * sizeof(wchar_t));
    return Narrow(text);
}

bool RemoteList::Checked(int item) {
    const LRESULT state =
        Send(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_STATEIMAGEMASK);
    return ((static_cast<UINT>(state) & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

bool RemoteList::Selected(int item) {
    const UINT state = static_cast<UINT>(
        Send(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_SELECTED | LVIS_FOCUSED));
    return (state & (LVIS_SELECTED | LVIS_FOCUSED)) == (LVIS_SELECTED | LVIS_FOCUSED);
}

RECT RemoteList::ItemRect(int item, int part) {
    RECT rect{};
    rect.left = part;
    memory_.Put(rect);
    if (!Send(list_, LVM_GETITEMRECT, static_cast<WPARAM>(item), memory_.At()))
        Fail("The list gives no rectangle for item " + std::to_string(item));
    return memory_.Get<RECT>();
}

int RemoteList::HitTest(POINT at, UINT& flags) {
    LVHITTESTINFO info{};
    info.pt = at;
    memory_.Put(info);
    const int item = static_cast<int>(Send(list_, LVM_HITTEST, 0, memory_.At()));
    flags = memory_.Get<LVHITTESTINFO>().flags;
    return item;
}

int RemoteList::Find(const std::string& caption) {
    int found = -1;
    const int count = Count();
    for (int item = 0; item < count; ++item) {
        if (Caption(item) != caption)
            continue;
        if (found >= 0)
            Fail("Two list items read \"" + caption + "\"");
        found = item;
    }
    return found;
}

int RemoteList::Require(const std::string& caption) {
    const int item = Find(caption);
    if (item < 0)
        Fail("\"" + caption + "\" is not in the list");
    return item;
}

POINT RemoteList::PointOn(int item, bool checkBox) {
    Send(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), FALSE);
    orvane_.Settle();
    const RECT bounds = ItemRect(item, LVIR_BOUNDS);
    RECT client{};
    GetClientRect(list_, &client);
    if (bounds.left < client.left || bounds.right > client.right || bounds.top < client.top ||
        bounds.bottom > client.bottom)
        Fail("Item " + std::to_string(item) + " " + Describe(bounds) + " is not inside the list " +
             Describe(client) + " after scrolling to it");
    const int y = (bounds.top + bounds.bottom) / 2;
    std::vector<int> xs;
    if (checkBox) {
        for (int x = bounds.left + 2; x < bounds.left + 40 && x < bounds.right; x += 2)
            xs.push_back(x);
    } else {
        const RECT label = ItemRect(item, LVIR_LABEL);
        xs.push_back((label.left + label.right) / 2);
        xs.push_back(label.left + 4);
    }
    const UINT wanted = checkBox ? LVHT_ONITEMSTATEICON : LVHT_ONITEMLABEL;
    for (int x : xs) {
        UINT flags = 0;
        if (HitTest({x, y}, flags) == item && (flags & wanted) != 0) {
            // Aim at the middle of the check box, not at its edge.
            if (checkBox) {
                int right = x;
                while (right + 1 < bounds.right) {
                    UINT next = 0;
                    if (HitTest({right + 1, y}, next) != item || (next & LVHT_ONITEMSTATEICON) == 0)
                        break;
                    ++right;
                }
                x = (x + right) / 2;
            }
            POINT at{x, y};
            ClientToScreen(list_, &at);
            return at;
        }
    }
    Fail(std::string("No point on the ") + (checkBox ? "check box" : "caption") + " of item " +
         std::to_string(item) + " " + Describe(bounds));
}

bool RemoteList::Editing() const {
    for (HWND child : Descendants(list_))
        if (Shown(child) && ClassOf(child) == "Edit")
            return true;
    return false;
}

std::vector<RemoteToolBar::Button> RemoteToolBar::Buttons() {
    std::vector<Button> buttons;
    const int count = static_cast<int>(Send(bar_, TB_BUTTONCOUNT, 0, 0));
    for (int index = 0; index < count; ++index) {
        memory_.Put(TBBUTTON{});
        if (!Send(bar_, TB_GETBUTTON, static_cast<WPARAM>(index), memory_.At()))
            Fail("The tool bar gives no button " + std::to_string(index));
        const TBBUTTON info = memory_.Get<TBBUTTON>();
        if ((info.fsStyle & BTNS_SEP) != 0)
            continue;
        Button button{info.idCommand, info.fsState, {}, {}};
        memory_.Put(RECT{});
        if (!Send(bar_, TB_GETITEMRECT, static_cast<WPARAM>(index), memory_.At()))
            Fail("The tool bar gives no rectangle for button " + std::to_string(index));
        button.rect = memory_.Get<RECT>();
        const LRESULT length =
            Send(bar_, TB_GETBUTTONTEXTW, static_cast<WPARAM>(info.idCommand), 0);
        if (length > 0 && length < 1000) {
            memory_.Write(0, std::wstring(static_cast<size_t>(length) + 1, L'\0').data(),
                          (static_cast<size_t>(length) + 1) * sizeof(wchar_t));
            Send(bar_, TB_GETBUTTONTEXTW, static_cast<WPARAM>(info.idCommand), memory_.At());
            std::wstring text(static_cast<size_t>(length), L'\0');
            memory_.Read(0, &text[0], text.size() * sizeof(wchar_t));
            button.caption = Narrow(text);
        }
        buttons.push_back(button);
    }
    std::stable_sort(buttons.begin(), buttons.end(), [](const Button& a, const Button& b) {
        if (a.rect.bottom <= b.rect.top)
            return true;
        if (b.rect.bottom <= a.rect.top)
            return false;
        return a.rect.left < b.rect.left;
    });
    return buttons;
}

std::vector<RemoteToolBar::Button> RemoteToolBar::Categories() {
    std::vector<Button> buttons = Buttons();
    if (buttons.size() != CategoryCount)
        Fail("The tool bar has " + std::to_string(buttons.size()) + " buttons, not 9");
    for (int category = 0; category < CategoryCount; ++category)
        if (Trimmed(buttons[category].caption) != CategoryNames[category])
            Fail("Tool-bar button " + std::to_string(category) + " reads \"" +
                 buttons[category].caption + "\", not \"" + CategoryNames[category] + "\"");
    return buttons;
}

int RemoteToolBar::Current() {
    int current = -1;
    const std::vector<Button> buttons = Categories();
    for (int category = 0; category < CategoryCount; ++category) {
        if ((buttons[category].state & TBSTATE_INDETERMINATE) != 0)
            continue;
        if (current >= 0)
            return -1;
        current = category;
    }
    return current;
}

} // namespace e2e
