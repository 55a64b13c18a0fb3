// The re-apply: only what the user already decided, by the rules of a second distribution.
#include "actions/distribution.h"
#include "actions/reapply.h"
#include "actions/undo.h"
#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "support/model_fixture.h"

namespace {

using Paths = std::set<std::string>;

class ReapplyTest : public ActionsTest {
protected:
    // A shortcut to `target` at `path`.
    void Link(const std::string& path, const std::string& target) {
        shell.textFiles[path] = "link to " + target;
        shell.shortcuts[path] = {target, "", "", "", ""};
    }
    // A distribution of the user's entries named, into `category`, as the window would make it.
    void Distribute(const std::vector<std::string>& names, int32_t category) {
        ResetCatalogue();
        ScanStartMenu(shell);
        for (TStartMenu& entry : StartMenuItems) {
            if (std::count(names.begin(), names.end(), FileNameOf(entry.Path)))
                entry.Category = category;
        }
        ASSERT_TRUE(DistributeItems(shell).Complete());
    }
    size_t Journals() const {
        size_t count = 0;
        for (const auto& [path, text] : shell.textFiles)
            count += path.rfind(LocalAppData + "\\Orvane\\20", 0) == 0;
        return count;
    }
};

// An update recreates a moved shortcut and a moved group at the top, and a new program appears:
// the two go back (the earlier shortcut into keeping, the group merged), the new one stays.
TEST_F(ReapplyTest, RecreatedEntriesGoBackAndNothingElseMoves) {
    shell.folders.insert({User, User + "\\Chat"});
    Link(User + "\\Chat.lnk", "C:\\Apps\\chat.exe");
    Link(User + "\\Chat\\Chat.lnk", "C:\\Apps\\chat.exe");
    Distribute({"Chat.lnk", "Chat"}, 4);
    Link(User + "\\Chat.lnk", "C:\\Apps\\chat.exe");
    shell.folders.insert(User + "\\Chat");
    Link(User + "\\Chat\\Uninstall.lnk", "C:\\Apps\\uninstall.exe");
    Link(User + "\\New.lnk", "C:\\Apps\\new.exe");

    const TReapplyResult result = Reapply(shell);
    EXPECT_TRUE(result.Complete());
    EXPECT_EQ(result.Moved, 2u);
    EXPECT_EQ(ReapplyReport(result), "«Chat» возвращена в «Интернет».\n"
                                     "«Chat» возвращена в «Интернет».\n"
                                     "Возвращено в категории: 2, осталось на месте: 0.");
    EXPECT_EQ(Below(User), (Paths{"New.lnk", "Интернет", "Интернет\\Chat", "Интернет\\Chat.lnk",
                                  "Интернет\\Chat\\Chat.lnk", "Интернет\\Chat\\Uninstall.lnk"}));
    EXPECT_EQ(Journals(), 2u);
    // It is a distribution like any other: the undo takes it back.
    EXPECT_EQ(UndoReport(UndoLastDistribution(shell)),
              "Все программы возвращены на прежние места!");
    EXPECT_TRUE(shell.PathExists(User + "\\Chat.lnk"));
    EXPECT_TRUE(shell.PathExists(User + "\\Chat\\Uninstall.lnk"));
}

// The newest choice wins; an undone distribution's choice is no choice; with nothing to do, no
// journal is written.
TEST_F(ReapplyTest, TheNewestDistributionNotUndoneDecides) {
    shell.folders.insert(User);
    Link(User + "\\Editor.lnk", "C:\\Apps\\edit.exe");
    Link(User + "\\Paint.lnk", "C:\\Apps\\paint.exe");
    Distribute({"Editor.lnk", "Paint.lnk"}, 0);
    // A later distribution puts the editor into the utilities: the user moved it back first.
    shell.files.insert(User + "\\Editor.lnk");
    shell.textFiles.erase(User + "\\Офисные\\Editor.lnk");
    shell.shortcuts[User + "\\Editor.lnk"] = {"C:\\Apps\\edit.exe", "", "", "", ""};
    Distribute({"Editor.lnk"}, 1);
    // The paint program's distribution is undone, then an update recreates both at the top.
    Link(User + "\\Paint2.lnk", "C:\\Apps\\paint2.exe");
    Distribute({"Paint2.lnk"}, 6);
    ASSERT_EQ(UndoReport(UndoLastDistribution(shell)),
              "Все программы возвращены на прежние места!");
    Link(User + "\\Editor.lnk", "C:\\Apps\\edit.exe");
    const size_t journals = Journals();

    const TReapplyResult result = Reapply(shell);
    EXPECT_EQ(result.Moved, 1u);
    EXPECT_TRUE(shell.PathExists(User + "\\Утилиты\\Editor.lnk"));
    EXPECT_TRUE(shell.PathExists(User + "\\Paint2.lnk"));
    EXPECT_EQ(Journals(), journals + 1);

    EXPECT_EQ(ReapplyReport(Reapply(shell)),
              "Возвращать нечего: обновления не добавили наверх меню «Пуск» разложенных раньше "
              "программ.");
    EXPECT_EQ(Journals(), journals + 1);
}

// Without administrator rights the all-users entries are named and left: no prompt is asked for.
TEST_F(ReapplyTest, WithoutAdministratorRightsTheAllUsersEntriesAreNamedAndLeft) {
    shell.folders.insert({User, Common});
    Link(Common + "\\Office.lnk", "C:\\Apps\\office.exe");
    ResetCatalogue();
    ScanStartMenu(shell);
    StartMenuItems[0].Category = 0;
    ASSERT_TRUE(DistributeItems(shell).Complete());
    Link(Common + "\\Office.lnk", "C:\\Apps\\office.exe");
    const size_t asked = shell.elevatedRequests.size();

    const TReapplyResult result = Reapply(shell);
    EXPECT_FALSE(result.Complete());
    EXPECT_EQ(ReapplyReport(result),
              "«Office» осталась на месте: вернуть её в «Офисные» может только администратор.\n"
              "Возвращено в категории: 0, осталось на месте: 1.");
    EXPECT_EQ(shell.elevatedRequests.size(), asked);
    shell.elevated = true;
    EXPECT_TRUE(Reapply(shell).Complete());
    EXPECT_TRUE(shell.PathExists(Common + "\\Офисные\\Office.lnk"));
}

} // namespace
