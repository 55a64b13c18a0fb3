// The main window: a three-page wizard that assigns the Start menu's entries to categories,
// backs up both Programs folders and moves the assigned entries into category folders. Its source
// is split by theme: UMainForm.cpp the window's life and its messages, UMainFormLayout.cpp its
// controls' layout and look, UMainFormPages.cpp the pages and Next, Back and Done,
// UMainFormCategories.cpp the category page and UMainFormFinal.cpp the final page.
#pragma once

#include "actions/distribution.h"
#include "catalogue/catalogue.h"
#include "shell/shell_services.h"
#include "ui/fonts.h"
#include "ui/icon_loader.h"
#include "ui/layout.h"
#include "win32/handles.h"
#include "win32/list_view.h"
#include "win32/tool_bar.h"

#include <windows.h>

#include <array>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The window class of the main window, by which a second Orvane finds the first one's window.
constexpr const wchar_t* FormClass = L"TMainForm";

// The toolbar's command ID of category 0's button; category k's is k above it.
constexpr int FirstCategoryCommand = 1000;

// One category button of ToolBar1. Not owned: the toolbar owns its buttons.
struct TToolButton {
    int Tag; // its category
    // The toolbar's command ID of the button.
    int Command() const { return FirstCategoryCommand + Tag; }
};

// Shows the text of a failure that no handler dealt with (the standard error box).
using TErrorReporter = std::function<void(const std::string& text)>;

class TMainForm;

// One message from the queue as the program's message loop handles it: the window's dialog
// keyboard first (Tab, Shift+Tab and the arrows between its controls), else translated and
// dispatched.
void ProcessMessage(const TMainForm& form, MSG& message);

// The program's message loop, until the window is closed; returns the exit code.
int RunMessageLoop(const TMainForm& form);

class TMainForm {
public:
    // Creates the window, still hidden, with all its controls, and runs FormCreate. Without a
    // reporter, failures show in a system message box with an error icon.
    explicit TMainForm(ShellServices& shell, TErrorReporter reporter = {});
    ~TMainForm();
    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;

    // Shows the window. The first time, TabSheet3Show and then FormShow run before it appears.
    void Show(int showCommand);

    HWND Handle() const { return handle_; }
    HWND Control(ControlId id) const;
    // The visible page: 0 welcome, 1 categories, 2 final.
    int ActivePage() const { return activePage_; }
    int Dpi() const { return dpi_; }
    // Entries whose icon has not arrived yet.
    size_t IconsOutstanding() const { return icons_.Outstanding(); }

    std::string AppDir;                       // the executable's folder, ending in "\"
    std::vector<TToolButton> CategoryButtons; // in creation order: [j] is category 8 - j
    // The button of a category.
    const TToolButton& CategoryButton(int category) const {
        return CategoryButtons[static_cast<size_t>(CategoryCount - 1 - category)];
    }

private:
    // What a message handler answers: the message's result, or nothing for the default handling.
    using TAnswer = std::optional<LRESULT>;

    // The window's life and its messages (UMainForm.cpp).
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    TAnswer HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Runs `action`; a failure is shown in the standard error box instead of propagating.
    template <class Action> void Guarded(Action&& action);
    void ReportFailure(const std::string& what);
    TAnswer OnCreate();
    TAnswer OnSetCursor(HWND over, UINT hitTest);
    TAnswer OnCommand(int id, int code);
    void RunCommand(int id, int code);
    TAnswer OnActivate(int state);
    TAnswer OnSetFocus();
    TAnswer OnClose();
    TAnswer OnDestroy();
    TAnswer OnNcDestroy();

    // The controls: created from the layout table, placed, scaled, coloured and drawn
    // (UMainFormLayout.cpp).
    void CreateControls();
    void ApplyDpi();
    void PlaceControls();
    SIZE MinimumSize() const;
    const TControlLayout* LayoutOfWindow(HWND control) const;
    TAnswer OnSize();
    TAnswer OnGetMinMaxInfo(MINMAXINFO& info);
    TAnswer OnDpiChanged(int dpi, const RECT& suggested);
    TAnswer OnSysColorChange(WPARAM wParam, LPARAM lParam);
    TAnswer OnCtlColorStatic(HDC dc, HWND control);
    TAnswer OnDrawItem(const DRAWITEMSTRUCT& item);

    // The pages and the buttons under them (UMainFormPages.cpp).
    void SetActivePage(int page);
    void SetEnabled(ControlId id, bool enabled);
    void SetVisible(ControlId id, bool visible);
    // The shield on a button that asks for administrator rights.
    void SetShield(ControlId id, bool shown);
    void MoveFocusAwayFrom(HWND control);

    // The category page (UMainFormCategories.cpp).
    TToolBar ToolBar1() const { return TToolBar(Control(ControlId::ToolBar1)); }
    TListView ListView1() const { return TListView(Control(ControlId::ListView1)); }
    void PrepareProgramIcons();
    void CreateCategoryButtons();
    void ScanProgramsFolders();
    void PressCategoryButton(const TToolButton& pressed);
    void FillProgramList();
    TListRow RowView(int row) const;
    TListImage RowImage(const std::optional<ItemIconInfo>& icon) const;
    void SetRowChecks(int row, bool checked);
    void ToggleRow(int row);
    void SetAllChecks(bool checked);
    TAnswer OnNotify(NMHDR& header);
    TAnswer OnIconArrived(size_t index, const ItemIconInfo& icon);

    // The final page (UMainFormFinal.cpp): the undo button, enabled while a journal holds moves
    // not yet undone, and the line saying what the distribution will move.
    void UpdateFinalPage();
    // The number of shortcuts of removed programs known so far (at the top and in the category
    // folders; `allUsers`: the all-users folder's only), shown beside CheckBox2, which is ticked
    // once there are any unless the user chose otherwise.
    size_t MissingShortcuts(bool allUsers) const;
    void ShowMissingShortcuts();
    // What "Начать обработку" does beside its moves, as the page's boxes say.
    TDistributionOptions FinalPageOptions() const;
    // Ticks CheckBox1 when this user's scheduled task runs this copy of Orvane.
    void ShowReapplyTask();

    // Handlers of the window (UMainForm.cpp).
    void FormCreate();
    void FormShow();
    // Handlers of the pages and of Next, Back and Done (UMainFormPages.cpp).
    void TabSheet1Show();
    void TabSheet2Show();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    // Handlers of the category page (UMainFormCategories.cpp).
    void ToolButtonClick(const TToolButton& sender);
    void ListView1Click(const NMITEMACTIVATE& click);
    void Button2Click();
    void Button3Click();
    void Button10Click();
    // Handlers of the final page (UMainFormFinal.cpp).
    void TabSheet3Show();
    void Button7Click();
    void Button8Click();
    void Button9Click();
    void CheckBox1Click();
    void CheckBox2Click();
    void Label10Click();
    void Label13Click();

    ShellServices& shell_;
    TErrorReporter reporter_;
    HWND handle_ = nullptr;
    std::array<HWND, ControlCount> controls_{}; // in FormLayout's order; destroyed with handle_
    int dpi_ = DesignDpi;
    TTextFit fit_; // what the texts need at dpi_
    int activePage_ = 2;
    bool shown_ = false;
    bool created_ = false;        // WM_CREATE made every control
    std::string creationFailure_; // why it could not
    bool busy_ = false;           // a backup, distribution or undo is running
    HWND lastFocus_ = nullptr;

    TImageList ImageList2; // category icons
    // Program icons: images in the shell's small icon list, fetched in the background.
    std::unique_ptr<TIconLoader> iconLoader_;
    TArrivedIcons icons_;                    // by catalogue index
    std::shared_ptr<TEntryDetails> details_; // read beside the icons; shared with their workers
    std::vector<std::string> census_; // shortcuts in the category folders, read after the entries
    bool setAsideChosen_ = false;     // the user ticked or unticked CheckBox2 himself
    bool suggestionWaiting_ = false;  // Button10 was pressed before the details were in
    std::vector<size_t> rows_;        // row in the list -> catalogue index
    std::vector<bool> shownChecks_;   // by row: the check mark last painted
    std::vector<int> rowOf_;          // catalogue index -> row in the list, -1: not listed
    std::map<int, std::string> typedCaptions_; // by row: what the user typed over a caption
    int linkOverlay_ = 0;                      // the shell's link overlay, 0 when it has none
    std::map<ControlId, TBitmap> pictures_;
    TFontCache fonts_{DesignDpi};
};
