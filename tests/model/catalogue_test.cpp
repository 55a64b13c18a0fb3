#include "catalogue/catalogue.h"
#include "catalogue/scan.h"

#include <gtest/gtest.h>

TEST(DisplayName, IsTheFileNameWithoutItsExtensionFoundInAnyLetterCase) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Menu\\Programs\\Text Editor.lnk", "Text Editor"},
        {"C:\\Menu\\Programs\\Tools", "Tools"},
        {"C:\\Menu\\Programs\\Player 5.5", "Player 5"}, // folders lose their "extension" too
        {"C:\\Menu\\Programs\\archive.tar.gz", "archive.tar"},
        {"C:\\Menu\\Programs\\メモ帳.lnk", "メモ帳"},
        {"C:\\P\\README.TXT", "README"},
        {"C:\\P\\Mixed.LnK", "Mixed"},
        {"C:\\P\\Отчёт.ДОК", "Отчёт"},
        {"C:notes.txt", "notes"}, // after the last "\\" or ":"
        {"C:\\dir.v2\\Tools", "Tools"},
        {"plain", "plain"},
        {"", ""},
        {"C:\\P\\.hidden", ""}, // a name that begins with its only "."
        {"C:\\P\\trailing.", "trailing"},
    };
    for (const auto& [path, caption] : cases)
        EXPECT_EQ(DisplayName(path), caption) << path;
}

TEST(Utf8Text, CountsAndCutsByCharacterNotByte) {
    EXPECT_EQ(Utf8Length("Пуск"), 4u);
    EXPECT_EQ(Utf8Length("aメb"), 3u);
    EXPECT_EQ(Utf8Prefix("Пуск", 2), "Пу");
    EXPECT_EQ(Utf8Prefix("aメb", 2), "aメ");
    EXPECT_EQ(Utf8Prefix("abc", 10), "abc");
    EXPECT_EQ(Utf8Prefix("abc", 0), "");
}

class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetCatalogue();
        for (int i = 0; i < 5; ++i)
            StartMenuItems.push_back({"C:\\P\\e" + std::to_string(i) + ".lnk", NoCategory, i >= 3});
    }
    void TearDown() override { ResetCatalogue(); }
    static std::vector<int32_t> Categories() {
        std::vector<int32_t> out;
        for (const TStartMenu& e : StartMenuItems)
            out.push_back(e.Category);
        return out;
    }
};

TEST_F(CatalogueTest, UnassignedEntriesAreListedUncheckedForEveryCategory) {
    for (int32_t c = 0; c < CategoryCount; ++c) {
        const std::vector<TCheckedItem> expected = {
            {0, false}, {1, false}, {2, false}, {3, false}, {4, false}};
        EXPECT_EQ(VisibleItems(c), expected) << "category " << c;
    }
}

TEST_F(CatalogueTest, AssignedEntriesShowOnlyInTheirOwnCategoryAndChecked) {
    ApplyChecks(0, {{0, true}, {1, true}, {2, false}, {3, false}, {4, false}});
    EXPECT_EQ(Categories(), (std::vector<int32_t>{0, 0, -1, -1, -1}));
    EXPECT_EQ(VisibleItems(1), (std::vector<TCheckedItem>{{2, false}, {3, false}, {4, false}}));
    EXPECT_EQ(VisibleItems(0), (std::vector<TCheckedItem>{
                                   {0, true}, {1, true}, {2, false}, {3, false}, {4, false}}));
}

TEST_F(CatalogueTest, EditingOneCategoryLeavesOthersAssignmentsAlone) {
    StartMenuItems[1].Category = 3;
    ApplyChecks(5, VisibleItems(5));
    const std::vector<TCheckedItem> shown = VisibleItems(5);
    EXPECT_EQ(shown.size(), 4u);
    EXPECT_EQ(StartMenuItems[1].Category, 3);

    // Clearing every mark on category 5 unassigns its own entries only.
    StartMenuItems[4].Category = 5;
    std::vector<TCheckedItem> cleared = VisibleItems(5);
    for (TCheckedItem& item : cleared)
        item.Checked = false;
    ApplyChecks(5, cleared);
    EXPECT_EQ(Categories(), (std::vector<int32_t>{-1, 3, -1, -1, -1}));
}

TEST_F(CatalogueTest, UncheckingReturnsAnEntryToEveryList) {
    ApplyChecks(2, {{3, true}});
    EXPECT_EQ(VisibleItems(7).size(), 4u);
    ApplyChecks(2, {{3, false}});
    EXPECT_EQ(StartMenuItems[3].Category, NoCategory);
    for (int32_t c = 0; c < CategoryCount; ++c)
        EXPECT_EQ(VisibleItems(c).size(), 5u);
}

TEST_F(CatalogueTest, ChecksForUnknownIndicesChangeNothing) {
    ApplyChecks(4, {{99, true}, {2, true}});
    EXPECT_EQ(Categories(), (std::vector<int32_t>{-1, -1, 4, -1, -1}));
}

TEST(EmptyCatalogue, ListsNothing) {
    ResetCatalogue();
    for (int32_t c = 0; c < CategoryCount; ++c)
        EXPECT_TRUE(VisibleItems(c).empty());
    EXPECT_EQ(CurrentCategory, 0);
}
