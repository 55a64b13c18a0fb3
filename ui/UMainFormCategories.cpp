// TMainForm's category page: the nine category buttons, the program list with its icons and check
// marks, the two select buttons, and the suggested categories.
#include "ui/UMainForm.h"

#include "actions/earlier_choices.h"
#include "catalogue/missing_programs.h"
#include "catalogue/scan.h"
#include "catalogue/suggest.h"
#include "ui/UMainFormInternal.h"
#include "ui/resources/resource.h"
#include "win32/common_controls.h"

#include <algorithm>

namespace {

constexpr int ImageSize = 16; // category and program icons

// The hourglass cursor while this object lives; the previous cursor comes back even when the work
// in between throws.
class TWaitCursor {
public:
    TWaitCursor() : old_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
    ~TWaitCursor() { SetCursor(old_); }

private:
    HCURSOR old_; // shared system cursor: never destroyed
};

} // namespace

// The program icons come from the shell's own small icon list, which the list shares; none has
// arrived yet.
void TMainForm::PrepareProgramIcons() {
    ListView1().SetSmallImages(static_cast<HIMAGELIST>(shell_.SmallIconList()));
    linkOverlay_ = shell_.LinkOverlay();
}

// The nine category buttons, each with its category's icon, all greyed.
void TMainForm::CreateCategoryButtons() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    ImageList2.reset(CommonControls().ImageList_Create(ImageSize, ImageSize, ILC_COLOR32 | ILC_MASK,
                                                       CategoryCount, 0));
    for (int k = 0; k < CategoryCount; ++k) {
        TIcon icon(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_CATEGORY_0 + k),
                                                 IMAGE_ICON, ImageSize, ImageSize, 0)));
        CommonControls().ImageList_ReplaceIcon(ImageList2.get(), -1, icon.get());
    }
    TToolBar toolbar = ToolBar1();
    toolbar.SetImageList(ImageList2.get());
    // Each button goes in front of the previous ones, so the bar reads 0 to 8 from the left.
    for (int k = CategoryCount - 1; k >= 0; --k) {
        const TToolButton button{k};
        toolbar.InsertButton(0, {button.Command(), k, "  " + CategoryNames[k] + "  ", true,
                                 static_cast<DWORD_PTR>(k)});
        CategoryButtons.push_back(button);
    }
    toolbar.AutoSize();
}

// Both Programs folders into the catalogue. The list shows the entries' names at once; their
// icons are fetched in the background, once each, and what the entries say of themselves is read
// beside them, for the suggestions.
void TMainForm::ScanProgramsFolders() {
    ScanStartMenu(shell_);
    std::vector<std::string> paths;
    for (const TStartMenu& entry : StartMenuItems)
        paths.push_back(entry.Path);
    icons_.Expect(paths.size());
    rowOf_.assign(paths.size(), -1);
    // After the entries, the shortcuts in the category folders, for the final page: whether their
    // programs were removed is read beside the icons too.
    census_.clear();
    for (const std::optional<std::string>& root : {CommonProgramsDir, UserProgramsDir}) {
        if (root) {
            const std::vector<std::string> found = ShortcutsInCategories(shell_, *root);
            census_.insert(census_.end(), found.begin(), found.end());
        }
    }
    paths.insert(paths.end(), census_.begin(), census_.end());
    // Where the Start menu shows one folder level, a group's links spill into its category.
    SendMessageW(Control(ControlId::CheckBox3), BM_SETCHECK,
                 shell_.StartMenuShowsOneLevel() ? BST_CHECKED : BST_UNCHECKED, 0);
    HWND window = handle_;
    details_ = std::make_shared<TEntryDetails>(paths.size());
    iconLoader_ = std::make_unique<TIconLoader>(
        shell_, std::move(paths),
        [window](size_t index, ItemIconInfo icon) {
            PostMessageW(window, WM_ICONARRIVED, static_cast<WPARAM>(index), PackIcon(icon));
        },
        LookupStallLimit,
        [details = details_, shell = &shell_](size_t index, const std::string& path) {
            details->Read(*shell, index, path);
        });
}

// Shows this category button pressed in, and greys the others.
void TMainForm::PressCategoryButton(const TToolButton& pressed) {
    TToolBar toolbar = ToolBar1();
    for (const TToolButton& button : CategoryButtons)
        toolbar.SetIndeterminate(button.Command(), true);
    toolbar.SetIndeterminate(pressed.Command(), false);
}

// Lists the entries the current category may take, ticked where it has them. The entries whose
// icons are still to come are looked up before the others.
void TMainForm::FillProgramList() {
    TListView list = ListView1();
    std::vector<size_t> iconless;
    {
        TFlagScope suspended(checkWritesSuspended_);
        list.SetRedraw(false);
        list.Clear();
        std::fill(rowOf_.begin(), rowOf_.end(), -1);
        for (const TCheckedItem& entry : VisibleItems(CurrentCategory)) {
            const int row =
                list.Append(Caption(StartMenuItems[entry.Index]), static_cast<LPARAM>(entry.Index),
                            RowImage(icons_[entry.Index]));
            list.SetChecked(row, entry.Checked);
            rowOf_[entry.Index] = row;
            if (!icons_[entry.Index])
                iconless.push_back(entry.Index);
        }
        list.SetRedraw(true);
    }
    if (iconLoader_ && !iconless.empty())
        iconLoader_->Prioritise(iconless);
    // The list lays its items out anew from the first one and repaints once. (Switching the view
    // to report and back does the same, but relays every item twice: ten times the fill.)
    if (list.Count() > 0)
        list.EnsureVisible(0);
    InvalidateRect(list.Handle(), nullptr, TRUE);
}

TCheckedItem TMainForm::ShownItem(int row) const {
    const TListView list = ListView1();
    return {static_cast<size_t>(list.Data(row)), list.Checked(row)};
}

std::vector<TCheckedItem> TMainForm::ShownItems() const {
    std::vector<TCheckedItem> items;
    const int count = ListView1().Count();
    for (int row = 0; row < count; ++row)
        items.push_back(ShownItem(row));
    return items;
}

void TMainForm::SetAllChecks(bool checked) {
    TFlagScope suspended(checkWritesSuspended_);
    ListView1().SetAllChecked(checked);
}

// An entry's picture in the list: none until its icon has arrived, and the link overlay on a
// shortcut.
TListImage TMainForm::RowImage(const std::optional<ItemIconInfo>& icon) const {
    return {icon && icon->Image >= 0 ? icon->Image : I_IMAGENONE,
            icon && icon->IsLink ? linkOverlay_ : 0};
}

TMainForm::TAnswer TMainForm::OnNotify(const NMHDR& header) {
    if (header.hwndFrom != Control(ControlId::ListView1))
        return 0;
    switch (header.code) {
    case NM_CLICK:
        ListView1Click();
        return 0;
    case LVN_ITEMCHANGED:
        OnListItemChanged(reinterpret_cast<const NMLISTVIEW&>(header));
        return 0;
    case LVN_ENDLABELEDITW:
        // Accept the edit; the caption is never read back and the next rebuild replaces it.
        return reinterpret_cast<const NMLVDISPINFOW&>(header).item.pszText != nullptr;
    default:
        return 0;
    }
}

void TMainForm::OnListItemChanged(const NMLISTVIEW& change) {
    // Only check marks matter (the state image), whatever changed them: the mouse, the space
    // bar or a select button. Marks the program sets itself are written by their handler.
    if (checkWritesSuspended_ || !(change.uChanged & LVIF_STATE) ||
        !((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK))
        return;
    if (change.iItem < 0)
        ApplyChecks(CurrentCategory, ShownItems());
    else
        ApplyChecks(CurrentCategory, {ShownItem(change.iItem)});
}

TMainForm::TAnswer TMainForm::OnIconArrived(size_t index, const ItemIconInfo& icon) {
    // A shortcut of a category folder: what the final page counts.
    if (index >= StartMenuItems.size()) {
        ShowMissingShortcuts();
        return 0;
    }
    if (!StartMenuItems[index].WithoutProgram && details_ && details_->WithoutProgram(index)) {
        StartMenuItems[index].WithoutProgram = true;
        ShowMissingShortcuts();
    }
    if (!icons_.Take(index, icon))
        return 0;
    if (rowOf_[index] >= 0)
        ListView1().SetImage(rowOf_[index], RowImage(icon));
    if (IconsOutstanding() == 0 && suggestionWaiting_)
        Button10Click();
    if (IconsOutstanding() == 0) {
        // The cursor goes back to what the window under it shows.
        POINT at;
        HWND under = GetCursorPos(&at) ? WindowFromPoint(at) : nullptr;
        if (under && (under == handle_ || IsChild(handle_, under)))
            SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
                         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Handlers

void TMainForm::ToolButtonClick(const TToolButton& sender) {
    CurrentCategory = sender.Tag;
    TWaitCursor wait;
    PressCategoryButton(sender);
    FillProgramList();
}

void TMainForm::ListView1Click() {
    ApplyChecks(CurrentCategory, ShownItems());
}

void TMainForm::Button2Click() {
    SetAllChecks(true);
    ListView1Click();
}

void TMainForm::Button3Click() {
    SetAllChecks(false);
    ListView1Click();
}

// Suggests a category for every entry without one, once every entry's details are in (or given
// up); until then the hourglass shows.
void TMainForm::Button10Click() {
    if (IconsOutstanding() > 0) {
        suggestionWaiting_ = true;
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return;
    }
    suggestionWaiting_ = false;
    const TSuggestionRun run = SuggestCategories(
        shell_, details_ ? details_->Facts() : std::vector<TEntryFacts>{}, EarlierChoices(shell_));
    ToolButtonClick(CategoryButton(CurrentCategory));
    shell_.ShowMessage(SuggestionReport(run));
}
