// The category page: the nine category buttons, the checkable program list and its two select
// buttons, and how check marks reach the catalogue.
#include "form_fixture.h"

#include <commctrl.h>

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
    ASSERT_EQ(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0), 9);
    for (int k = 0; k < 9; ++k) {
        wchar_t caption[64] = {};
        TBBUTTON button{};
        SendMessageW(toolbar, TB_GETBUTTON, k, reinterpret_cast<LPARAM>(&button));
        SendMessageW(toolbar, TB_GETBUTTONTEXTW, button.idCommand,
                     reinterpret_cast<LPARAM>(caption));
        EXPECT_EQ(Narrow(caption), "  " + CategoryNames[k] + "  ");
        EXPECT_EQ(button.iBitmap, k);
        EXPECT_EQ(form->CategoryButtons[8 - k].Tag, k);
        EXPECT_EQ(form->CategoryButtons[8 - k].Command, button.idCommand);
    }
    ClickCategoryButton(6);
    for (int k = 0; k < 9; ++k)
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

class ProgramIcons : public FormTest {};

TEST_F(ProgramIcons, EachEntryIsAskedOnceAndShowsItsOwnIcon) {
    SetStartMenu({"Red.lnk", "None.lnk", "Green.lnk"}, {"Blue.lnk"});
    const std::map<std::string, COLORREF> colors = {
        {"Red", RGB(255, 0, 0)}, {"Green", RGB(0, 255, 0)}, {"Blue", RGB(0, 0, 255)}};
    shell.iconFor = [&](const std::string& path) -> IconHandle {
        for (const auto& [name, color] : colors)
            if (path.find(name) != std::string::npos)
                return SolidIcon(color);
        return nullptr;
    };
    Start();
    Click(ControlId::Button4);
    SetCheck(Row("Green"), true);
    for (int k : {1, 0, 0, 2, 0}) // rebuilds, with and without "Green"
        ClickCategoryButton(k);

    HWND list = Control(ControlId::ListView1);
    HIMAGELIST images = ListView_GetImageList(list, LVSIL_SMALL);
    EXPECT_EQ(shell.iconLookups, 4);
    EXPECT_EQ(ImageList_GetImageCount(images), 3);
    ASSERT_EQ(Listed(), Names({"Red", "None", "Green", "Blue"}));
    for (int row = 0; row < 4; ++row) {
        LVITEMW item{};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        ListView_GetItem(list, &item);
        const std::string caption = Listed()[row];
        if (caption == "None")
            EXPECT_EQ(item.iImage, I_IMAGENONE);
        else
            EXPECT_EQ(ImageColor(images, item.iImage), colors.at(caption)) << caption;
    }
}

} // namespace
