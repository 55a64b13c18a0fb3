// TMainForm's category page: the nine category buttons, the program list with its icons and check
// marks, the two select buttons, and the suggested categories.
#include "ui/UMainForm.h"

#include "actions/earlier_choices.h"
#include "catalogue/missing_programs.h"
#include "catalogue/scan.h"
#include "catalogue/suggest.h"
#include "texts/texts.h"
#include "ui/UMainFormInternal.h"
#include "ui/resources/resource.h"
#include "win32/common_controls.h"
#include "win32/text.h"

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

// The list keeps no rows of its own: it asks the form for the rows it draws. The program icons come
// from the shell's own small icon list, which the list shares; none has arrived yet.
void TMainForm::PrepareProgramIcons() {
    TListView list = ListView1();
    list.AskParentForRows();
    list.SetSmallImages(static_cast<HIMAGELIST>(shell_.SmallIconList()));
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

// Lists the entries the current category may take, ticked where it has them: the list is told how
// many rows there are and asks for those it draws. A row that shows the same entry with the same
// mark as before is not painted again. The entries whose icons are still to come are looked up
// before the others.
void TMainForm::FillProgramList() {
    const std::vector<size_t> rowsBefore = std::move(rows_);
    const std::vector<bool> checksBefore = std::move(shownChecks_);
    const std::map<int, std::string> typedBefore = std::move(typedCaptions_);
    rows_.clear();
    shownChecks_.clear();
    typedCaptions_.clear();
    std::fill(rowOf_.begin(), rowOf_.end(), -1);
    std::vector<size_t> iconless;
    for (const TCheckedItem& entry : VisibleItems(CurrentCategory)) {
        rowOf_[entry.Index] = static_cast<int>(rows_.size());
        rows_.push_back(entry.Index);
        shownChecks_.push_back(entry.Checked);
        if (!icons_[entry.Index])
            iconless.push_back(entry.Index);
    }
    if (iconLoader_ && !iconless.empty())
        iconLoader_->Prioritise(iconless);
    ListView1().SetRowCount(static_cast<int>(rows_.size()), [&](int row) {
        const size_t at = static_cast<size_t>(row);
        return rowsBefore[at] != rows_[at] || checksBefore[at] != shownChecks_[at] ||
               typedBefore.count(row) != 0;
    });
}

// What a row shows, read here and nowhere else from the entry, its icon and the catalogue: its
// caption (or what the user typed over it since the list was built), its picture, its check mark,
// which a listed entry has exactly when it is assigned (to the current category), and, for a
// shortcut whose program was removed, the mark after its caption and a grey caption.
TListRow TMainForm::RowView(int row) const {
    const size_t index = rows_[static_cast<size_t>(row)];
    const TStartMenu& entry = StartMenuItems[index];
    const auto typed = typedCaptions_.find(row);
    std::string caption = typed != typedCaptions_.end() ? typed->second : Caption(entry);
    if (entry.WithoutProgram && typed == typedCaptions_.end())
        caption += std::string(" ") + Text(TText::WithoutProgramMark);
    return {caption, RowImage(icons_[index]), entry.Category != NoCategory, entry.WithoutProgram};
}

// An entry's picture in the list: none until its icon has arrived, and the link overlay on a
// shortcut.
TListImage TMainForm::RowImage(const std::optional<ItemIconInfo>& icon) const {
    return {icon && icon->Image >= 0 ? icon->Image : I_IMAGENONE,
            icon && icon->IsLink ? linkOverlay_ : 0};
}

// Ticks or clears a row, or every row (-1), and writes the marks to the catalogue as the user's
// ticks: a ticked entry gets the current category, a cleared one none.
void TMainForm::SetRowChecks(int row, bool checked) {
    std::vector<TCheckedItem> items;
    if (row < 0) {
        for (size_t index : rows_)
            items.push_back({index, checked});
        shownChecks_.assign(rows_.size(), checked);
    } else if (static_cast<size_t>(row) < rows_.size()) {
        items.push_back({rows_[static_cast<size_t>(row)], checked});
        shownChecks_[static_cast<size_t>(row)] = checked;
    }
    ApplyChecks(CurrentCategory, items);
    if (row < 0)
        ListView1().RedrawAll();
    else if (!items.empty())
        ListView1().RedrawCheck(row);
}

void TMainForm::ToggleRow(int row) {
    if (row >= 0 && static_cast<size_t>(row) < rows_.size())
        SetRowChecks(row, !RowView(row).Checked);
}

void TMainForm::SetAllChecks(bool checked) {
    SetRowChecks(-1, checked);
}

TMainForm::TAnswer TMainForm::OnNotify(NMHDR& header) {
    if (header.hwndFrom != Control(ControlId::ListView1))
        return 0;
    switch (header.code) {
    case LVN_GETDISPINFOW: {
        auto& request = reinterpret_cast<NMLVDISPINFOW&>(header);
        if (request.item.iItem >= 0 && static_cast<size_t>(request.item.iItem) < rows_.size())
            TListView::Describe(request, RowView(request.item.iItem));
        return 0;
    }
    case NM_CUSTOMDRAW:
        return TListView::CustomDraw(reinterpret_cast<NMLVCUSTOMDRAW&>(header), [this](int row) {
            return row >= 0 && static_cast<size_t>(row) < rows_.size() && RowView(row).Dimmed;
        });
    case LVN_ODFINDITEMW:
        // Typing the start of a caption goes to the entry.
        return TListView::Find(reinterpret_cast<const NMLVFINDITEMW&>(header),
                               static_cast<int>(rows_.size()),
                               [this](int row) { return RowView(row).Caption; });
    case NM_CLICK:
        ListView1Click(reinterpret_cast<const NMITEMACTIVATE&>(header));
        return 0;
    case LVN_CHECKREQUEST: {
        // A mark set by message, as accessibility tools set them.
        const auto& request = reinterpret_cast<const NMLISTVIEW&>(header);
        SetRowChecks(request.iItem, TListView::RequestedCheck(request));
        return 0;
    }
    case LVN_KEYDOWN:
        if (reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_SPACE)
            ToggleRow(ListView1().FocusedRow());
        return 0;
    case LVN_ENDLABELEDITW: {
        // Accepted; the caption is never read back, and shows until the next rebuild.
        const LVITEMW& item = reinterpret_cast<const NMLVDISPINFOW&>(header).item;
        if (!item.pszText)
            return FALSE;
        typedCaptions_[item.iItem] = Narrow(item.pszText);
        ListView1().RedrawRow(item.iItem);
        return TRUE;
    }
    default:
        return 0;
    }
}

// An icon, and the entry's details read beside it, repaint the entry's row if it shows.
TMainForm::TAnswer TMainForm::OnIconArrived(size_t index, const ItemIconInfo& icon) {
    // A shortcut of a category folder: what the final page counts.
    if (index >= StartMenuItems.size()) {
        ShowMissingShortcuts();
        return 0;
    }
    bool changed = icons_.Take(index, icon);
    if (!StartMenuItems[index].WithoutProgram && details_ && details_->WithoutProgram(index)) {
        StartMenuItems[index].WithoutProgram = true;
        ShowMissingShortcuts();
        changed = true;
    }
    if (!changed)
        return 0;
    TListView list = ListView1();
    if (rowOf_[index] >= 0 && list.RowShown(rowOf_[index]))
        list.RedrawRow(rowOf_[index]);
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

// A click on an entry's check box ticks or clears it.
void TMainForm::ListView1Click(const NMITEMACTIVATE& click) {
    ToggleRow(ListView1().CheckBoxAt(click.ptAction));
}

void TMainForm::Button2Click() {
    SetAllChecks(true);
}

void TMainForm::Button3Click() {
    SetAllChecks(false);
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
