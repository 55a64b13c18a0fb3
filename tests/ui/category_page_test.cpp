// The category page: the nine category buttons, the checkable program list and its two select
// buttons, and how check marks reach the catalogue.
#include "form_fixture.h"

#include <commctrl.h>

#include <condition_variable>
#include <cstdio>
#include <functional>
#include <map>
#include <mutex>

namespace {

class CategoryPage : public FormTest {
protected:
    void SetUp() override {
        SetStartMenu({"Text Editor.lnk", "Player 5.5", "desktop.ini", "README.TXT"},
                     {"Mail.lnk", "Games", "Paint.lnk"});
        Start();
        Click(ControlId::Button4); // welcome page -> category page
    }
};

TEST_F(CategoryPage, StartsOnCategoryZeroWithEveryEntryListedUnchecked) {
    EXPECT_EQ(CurrentCategory, 0);
    EXPECT_EQ(form->ActivePage(), 1);
    EXPECT_EQ(Listed(), Names({"Text Editor", "Player 5", "README", "Mail", "Games", "Paint"}));
    EXPECT_EQ(Checks(), Marks({false, false, false, false, false, false}));
    EXPECT_EQ(Text(ControlId::Label1), "  Категория:");
}

TEST_F(CategoryPage, ButtonsRunFromCategoryZeroToEightAndOnlyTheCurrentOneIsActive) {
    HWND toolbar = Control(ControlId::ToolBar1);
    ASSERT_EQ(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0), CategoryCount);
    for (int k = 0; k < CategoryCount; ++k) {
        wchar_t caption[64] = {};
        TBBUTTON button{};
        SendMessageW(toolbar, TB_GETBUTTON, k, reinterpret_cast<LPARAM>(&button));
        SendMessageW(toolbar, TB_GETBUTTONTEXTW, button.idCommand,
                     reinterpret_cast<LPARAM>(caption));
        EXPECT_EQ(Narrow(caption), "  " + CategoryNames[k] + "  ");
        EXPECT_EQ(button.iBitmap, k);
        // The buttons were created from the last category down to the first.
        const TToolButton& created = form->CategoryButtons[CategoryCount - 1 - k];
        EXPECT_EQ(created.Tag, k);
        EXPECT_EQ(created.Command(), button.idCommand);
    }
    ClickCategoryButton(6);
    for (int k = 0; k < CategoryCount; ++k)
        EXPECT_EQ(IsIndeterminate(k), k != 6) << "category " << k;
}

TEST_F(CategoryPage, AssignedEntriesLeaveOtherCategoriesAndComeBackChecked) {
    SetCheck(Row("Text Editor"), true);
    SetCheck(Row("Mail"), true);
    EXPECT_EQ(Assignments(), Categories({0, -1, -1, 0, -1, -1}));

    ClickCategoryButton(1);
    EXPECT_EQ(Listed(), Names({"Player 5", "README", "Games", "Paint"}));
    SetCheck(Row("Games"), true);

    ClickCategoryButton(0);
    EXPECT_EQ(Listed(), Names({"Text Editor", "Player 5", "README", "Mail", "Paint"}));
    EXPECT_EQ(Checks(), Marks({true, false, false, true, false}));
    EXPECT_EQ(Assignments(), Categories({0, -1, -1, 0, 1, -1}));
}

TEST_F(CategoryPage, UncheckingMakesAnEntryFreeForEveryCategory) {
    SetCheck(Row("README"), true);
    SetCheck(Row("README"), false);
    EXPECT_EQ(Assignments(), Categories({-1, -1, -1, -1, -1, -1}));
    ClickCategoryButton(4);
    EXPECT_EQ(Listed().size(), 6u);
}

TEST_F(CategoryPage, SelectAllAssignsEveryListedEntryToTheCurrentCategory) {
    SetCheck(Row("Paint"), true); // category 0
    ClickCategoryButton(2);
    Click(ControlId::Button2);
    EXPECT_EQ(Checks(), Marks({true, true, true, true, true}));
    EXPECT_EQ(Assignments(), Categories({2, 2, 2, 2, 2, 0}));
}

TEST_F(CategoryPage, ClearSelectionUnassignsOnlyTheCurrentCategory) {
    SetCheck(Row("Text Editor"), true); // category 0
    ClickCategoryButton(1);
    SetCheck(Row("Mail"), true);
    SetCheck(Row("Games"), true);
    ClickCategoryButton(1); // clicking the current button rebuilds the same content
    EXPECT_EQ(Listed(), Names({"Player 5", "README", "Mail", "Games", "Paint"}));
    EXPECT_EQ(Checks(), Marks({false, false, true, true, false}));

    Click(ControlId::Button3);
    EXPECT_EQ(Checks(), Marks({false, false, false, false, false}));
    EXPECT_EQ(Assignments(), Categories({0, -1, -1, -1, -1, -1}));
}

TEST_F(CategoryPage, SpaceBarToggleReachesTheCatalogueAndSurvivesNext) {
    HWND list = Control(ControlId::ListView1);
    const int row = Row("Player 5");
    ListView_SetItemState(list, row, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    SendMessageW(list, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageW(list, WM_KEYUP, VK_SPACE, 0);
    PumpMessages();
    ASSERT_TRUE(Checks()[row]);
    EXPECT_EQ(StartMenuItems[1].Category, 0);

    Click(ControlId::Button4); // straight on to category 1: the mark is kept
    EXPECT_EQ(CurrentCategory, 1);
    EXPECT_EQ(StartMenuItems[1].Category, 0);
}

TEST_F(CategoryPage, MouseClickOnACheckBoxAssignsTheEntry) {
    HWND list = Control(ControlId::ListView1);
    RECT box{};
    box.left = LVIR_BOUNDS;
    ListView_GetItemRect(list, Row("Games"), &box, LVIR_BOUNDS);
    const LPARAM point = MAKELPARAM(box.left + 8, (box.top + box.bottom) / 2); // its check box
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageW(list, WM_LBUTTONUP, 0, point);
    PumpMessages();
    EXPECT_EQ(Assignments(), Categories({-1, -1, -1, -1, 0, -1}));
}

TEST_F(CategoryPage, AGreyedToolbarButtonStillSelectsItsCategory) {
    HWND toolbar = Control(ControlId::ToolBar1);
    ASSERT_TRUE(IsIndeterminate(4));
    RECT button{};
    SendMessageW(toolbar, TB_GETITEMRECT, 4, reinterpret_cast<LPARAM>(&button));
    const LPARAM point =
        MAKELPARAM((button.left + button.right) / 2, (button.top + button.bottom) / 2);
    PostMessageW(toolbar, WM_MOUSEMOVE, 0, point);
    PostMessageW(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageW(toolbar, WM_LBUTTONUP, 0, point);
    PumpMessages();
    EXPECT_EQ(CurrentCategory, 4);
    EXPECT_FALSE(IsIndeterminate(4));
}

// The colour of the middle pixel of an image list's image.
COLORREF ImageColor(HIMAGELIST list, int image) {
    return Pixels(16, 16,
                  [&](HDC dc) { ImageList_Draw(list, image, dc, 0, 0, ILD_NORMAL); })[8 * 16 + 8];
}

// The shell's icons as a test gives them: solid colours in an image list of the test's, each entry
// by its name, and held back until the test lets them go.
class ProgramIcons : public FormTest {
protected:
    const std::map<std::string, COLORREF> colors = {
        {"Red", RGB(255, 0, 0)}, {"Green", RGB(0, 255, 0)}, {"Blue", RGB(0, 0, 255)}};
    TImageList images{CommonControls().ImageList_Create(16, 16, ILC_COLOR32, 3, 0)};
    std::mutex mutex;
    std::condition_variable released;
    bool held = true;
    int passing = 0; // entries numbered below this are let go even while the others are held

    void SetUp() override {
        for (const auto& entry : colors) {
            TIcon icon(SolidIcon(entry.second));
            CommonControls().ImageList_ReplaceIcon(images.get(), -1, icon.get());
        }
        shell.iconList = images.get();
        shell.linkOverlay = 1;
        shell.iconFor = [this](const std::string& path) {
            std::unique_lock<std::mutex> lock(mutex);
            released.wait(lock, [this] { return !held; });
            int image = 0;
            for (const auto& entry : colors) {
                if (path.find(entry.first) != std::string::npos)
                    return ItemIconInfo{image, path.find(".lnk") != std::string::npos};
                ++image;
            }
            return ItemIconInfo{};
        };
    }
    void TearDown() override { Release(); }
    void Release() {
        LetGo([this] { held = false; });
    }
    void LetGo(const std::function<void()>& change) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            change();
        }
        released.notify_all();
    }
    // Pumps the window's messages until `done`, for half a minute at the most.
    void PumpUntil(const std::function<bool()>& done) {
        const ULONGLONG until = GetTickCount64() + 30000;
        while (!done() && GetTickCount64() < until) {
            Sleep(10);
            PumpMessages();
        }
        ASSERT_TRUE(done());
    }
    // Pumps the window's messages until every icon has arrived, for half a minute at the most.
    void WaitForIcons() {
        const ULONGLONG until = GetTickCount64() + 30000;
        while (form->IconsOutstanding() > 0 && GetTickCount64() < until) {
            Sleep(10);
            PumpMessages();
        }
        ASSERT_EQ(form->IconsOutstanding(), 0u);
    }
    // Each listed entry's image and overlay.
    std::map<std::string, std::pair<int, UINT>> Shown() const {
        std::map<std::string, std::pair<int, UINT>> shown;
        const std::vector<std::string> captions = Listed();
        for (int row = 0; row < static_cast<int>(captions.size()); ++row) {
            LVITEMW item{};
            item.mask = LVIF_IMAGE | LVIF_STATE;
            item.stateMask = LVIS_OVERLAYMASK;
            item.iItem = row;
            ListView_GetItem(Control(ControlId::ListView1), &item);
            shown[captions[static_cast<size_t>(row)]] = {item.iImage,
                                                         item.state & LVIS_OVERLAYMASK};
        }
        return shown;
    }
    HCURSOR CursorOverTheWindow() {
        SendMessageW(form->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(form->Handle()),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    }
};

TEST_F(ProgramIcons, NamesShowAtOnceAndIconsArriveInTheCurrentListAndInListsBuiltLater) {
    SetStartMenu({"Red.lnk", "None.lnk", "Green.lnk"}, {"Blue"});
    Start();
    Click(ControlId::Button4);
    ASSERT_EQ(Listed(), Names({"Red", "None", "Green", "Blue"}));
    for (const auto& [caption, shown] : Shown())
        EXPECT_EQ(shown.first, I_IMAGENONE) << caption << " has an icon before it arrived";
    EXPECT_EQ(CursorOverTheWindow(), LoadCursorW(nullptr, IDC_APPSTARTING));
    SetCheck(Row("Green"), true);
    ClickCategoryButton(1); // "Green" is not listed when its icon arrives

    Release();
    WaitForIcons();
    EXPECT_EQ(CursorOverTheWindow(), LoadCursorW(nullptr, IDC_ARROW));
    HIMAGELIST list = ListView_GetImageList(Control(ControlId::ListView1), LVSIL_SMALL);
    EXPECT_EQ(list, images.get());
    const UINT link = INDEXTOOVERLAYMASK(1);
    auto shown = Shown();
    EXPECT_EQ(ImageColor(list, shown.at("Red").first), colors.at("Red"));
    EXPECT_EQ(shown.at("Red").second, link);
    EXPECT_EQ(ImageColor(list, shown.at("Blue").first), colors.at("Blue"));
    EXPECT_EQ(shown.at("Blue").second, 0u) << "a program group is no shortcut";
    EXPECT_EQ(shown.at("None").first, I_IMAGENONE);

    // Switching asks the shell for nothing: each entry was asked once.
    for (int k : {0, 2, 0})
        ClickCategoryButton(k);
    EXPECT_EQ(shell.iconLookups, 4);
    shown = Shown();
    EXPECT_EQ(ImageColor(list, shown.at("Green").first), colors.at("Green"));
    EXPECT_EQ(shown.at("Green").second, link);
}

// A shortcut whose program was removed is named so, in grey, once its target has been read; the
// mark is no part of the name the catalogue keeps.
TEST_F(ProgramIcons, AShortcutOfARemovedProgramShowsSoInGrey) {
    SetStartMenu({"Red.lnk", "Gone.lnk"}, {});
    for (const char* name : {"Red", "Gone"}) {
        const std::string target = std::string("C:\\Apps\\") + name + ".exe";
        shell.shortcuts[std::string(CommonDir) + "\\" + name + ".lnk"] = {target, "", "", "", ""};
        shell.targets[target] = name[0] == 'R' ? TTargetState::Present : TTargetState::Missing;
    }
    Start();
    Click(ControlId::Button4);
    EXPECT_EQ(Listed(), Names({"Red", "Gone"}));
    Release();
    WaitForIcons();
    EXPECT_EQ(Listed(), Names({"Red", "Gone (программа не найдена)"}));
    EXPECT_EQ(Caption(StartMenuItems[1]), "Gone");
    const auto textColour = [this](int row) {
        NMLVCUSTOMDRAW draw{};
        draw.nmcd.hdr = {Control(ControlId::ListView1), static_cast<UINT_PTR>(ControlId::ListView1),
                         UINT(NM_CUSTOMDRAW)};
        draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
        draw.nmcd.dwItemSpec = static_cast<DWORD_PTR>(row);
        draw.clrText = CLR_DEFAULT;
        SendMessageW(form->Handle(), WM_NOTIFY, draw.nmcd.hdr.idFrom,
                     reinterpret_cast<LPARAM>(&draw));
        return draw.clrText;
    };
    EXPECT_EQ(textColour(0), CLR_DEFAULT);
    EXPECT_EQ(textColour(1), GetSysColor(COLOR_GRAYTEXT));
}

// The rows the list asks the window about (LVN_GETDISPINFO), by row: those it draws.
std::map<int, int> asked;
WNDPROC formProc = nullptr;

LRESULT CALLBACK CountingFormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == LVN_GETDISPINFOW)
        ++asked[reinterpret_cast<const NMLVDISPINFOW*>(lParam)->item.iItem];
    return CallWindowProcW(formProc, window, message, wParam, lParam);
}

// Counts, while it lives, the rows the list asks the window about (into `asked`, emptied first).
class CountingAskedRows {
public:
    explicit CountingAskedRows(HWND form) : form_(form) {
        asked.clear();
        formProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(form_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingFormProc)));
    }
    ~CountingAskedRows() {
        SetWindowLongPtrW(form_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(formProc));
    }

private:
    HWND form_;
};

// An icon that arrives repaints its own row and no other, and nothing when its row is off screen;
// scrolled to, that row shows its icon.
TEST_F(ProgramIcons, AnArrivingIconRepaintsOnlyItsRowAndOnlyWhereItShows) {
    std::vector<std::string> names;
    for (int n = 0; n < 300; ++n) {
        char name[16];
        std::snprintf(name, sizeof name, "Entry %03d.lnk", n);
        names.push_back(name);
    }
    SetStartMenu(names, {});
    shell.iconFor = [this](const std::string& path) {
        const int number = std::stoi(path.substr(path.size() - 7, 3));
        std::unique_lock<std::mutex> lock(mutex);
        released.wait(lock, [&] { return !held || number < passing; });
        return ItemIconInfo{0, true};
    };
    passing = 5;
    Start();
    HWND list = Control(ControlId::ListView1);
    Click(ControlId::Button4);
    PumpUntil([&] { return form->IconsOutstanding() == 295; });
    UpdateWindow(list);
    {
        const CountingAskedRows counting(form->Handle());
        LetGo([this] { passing = 6; });
        PumpUntil([&] { return form->IconsOutstanding() == 294; });
        UpdateWindow(list);
        EXPECT_GT(asked[5], 0);
        EXPECT_EQ(asked.count(4) + asked.count(6), 0u);
    }
    LetGo([this] { passing = 299; });
    PumpUntil([&] { return form->IconsOutstanding() <= 1; });
    UpdateWindow(list);
    {
        const CountingAskedRows counting(form->Handle());
        LetGo([this] { passing = 300; });
        PumpUntil([&] { return form->IconsOutstanding() == 0; });
        UpdateWindow(list);
        EXPECT_EQ(asked, (std::map<int, int>{}));
    }

    ListView_EnsureVisible(list, 299, FALSE);
    EXPECT_EQ(Shown().at("Entry 299").first, 0);
}

// A category switch paints again only the rows that show another entry or another mark.
TEST_F(CategoryPage, ASwitchRepaintsOnlyTheRowsThatChange) {
    SetCheck(Row("README"), true); // category 0, so gone from category 1
    HWND list = Control(ControlId::ListView1);
    UpdateWindow(list);
    {
        const CountingAskedRows counting(form->Handle());
        ClickCategoryButton(1);
        UpdateWindow(list);
    }
    std::vector<int> repainted;
    for (const auto& row : asked)
        repainted.push_back(row.first);
    EXPECT_EQ(repainted, (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(Listed(), Names({"Text Editor", "Player 5", "Mail", "Games", "Paint"}));
}

// "Предложить категории" pressed before the details are in shows the hourglass while the window
// answers, then ticks what it can for the entries without a category, rebuilds the list and says
// so; pressed again, it has nothing left to do.
TEST_F(ProgramIcons, SuggestingWaitsForTheDetailsThenTicksTheEntriesWithoutACategory) {
    SetStartMenu({"Red.lnk", "Steam.lnk"}, {"Green.lnk", "Blue.lnk"});
    shell.shortcuts[std::string(CommonDir) + "\\Red.lnk"] = {"C:\\Red\\red.exe"};
    shell.versionInfos["C:\\Red\\red.exe"] = {"Red Web Browser", ""};
    Start();
    Click(ControlId::Button4);
    SetCheck(Row("Green"), true); // the user's own choice: category 0
    ClickCategoryButton(4);
    Click(ControlId::Button10);
    EXPECT_EQ(CursorOverTheWindow(), LoadCursorW(nullptr, IDC_WAIT));
    ClickCategoryButton(4); // the window answers meanwhile
    EXPECT_EQ(Assignments(), Categories({-1, -1, 0, -1}));
    EXPECT_TRUE(shell.messages.empty());

    Release();
    WaitForIcons();
    EXPECT_EQ(Assignments(), Categories({4, 2, 0, -1}));
    EXPECT_EQ(Listed(), Names({"Red", "Blue"}));
    EXPECT_EQ(Checks(), Marks({true, false}));
    EXPECT_EQ(shell.messages, Names({"Предложены категории для 2 программ из 3. Проверьте отметки "
                                     "на каждой странице."}));
    EXPECT_EQ(CursorOverTheWindow(), LoadCursorW(nullptr, IDC_ARROW));
    Click(ControlId::Button10);
    EXPECT_EQ(shell.messages.back(), "Не удалось подобрать категории: отметьте программы вручную.");
}

} // namespace
