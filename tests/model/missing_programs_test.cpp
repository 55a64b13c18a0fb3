// Shortcuts of removed programs, judged with care and set aside into keeping; a group's links that
// say nothing of its program kept out of the categories; the undo of each.
#include "actions/distribution.h"
#include "actions/undo.h"
#include "catalogue/catalogue.h"
#include "catalogue/missing_programs.h"
#include "catalogue/suggest.h"
#include "support/model_fixture.h"

namespace {

using Paths = std::set<std::string>;

class MissingProgramsTest : public ActionsTest {
protected:
    // A shortcut to `target`, which is `state`.
    void Link(const std::string& path, const std::string& target,
              TTargetState state = TTargetState::Present) {
        shell.textFiles[path] = "link to " + target;
        shell.shortcuts[path] = {target, "", "", "", ""};
        shell.targets[target] = state;
    }
    Paths Kept() const { return Below(LocalAppData + "\\Orvane\\replaced"); }
};

// Only a path target that is found not to be there is missing; everything else is never judged so.
TEST_F(MissingProgramsTest, OnlyATargetFoundGoneOnAPresentFixedDriveIsWithoutAProgram) {
    Link(User + "\\Gone.lnk", "C:\\Old\\gone.exe", TTargetState::Missing);
    EXPECT_TRUE(IsWithoutProgram(shell, User + "\\Gone.lnk"));
    Link(User + "\\Away.lnk", "Z:\\away.exe", TTargetState::Unknown); // a drive that is not there
    Link(User + "\\Live.lnk", "C:\\Apps\\live.exe");
    Link(User + "\\Setup.lnk", "C:\\Old\\setup.exe", TTargetState::Missing);
    shell.shortcuts[User + "\\Setup.lnk"].Advertised = true;
    Link(User + "\\Object.lnk", "", TTargetState::Missing); // a shell object, no path
    Link(User + "\\Site.url", "C:\\Old\\gone.exe", TTargetState::Missing);
    shell.shortcuts[User + "\\Site.url"].Url = "https://example.org/";
    shell.files.insert(User + "\\Unreadable.lnk");
    for (const char* name :
         {"Away.lnk", "Live.lnk", "Setup.lnk", "Object.lnk", "Site.url", "Unreadable.lnk"})
        EXPECT_FALSE(IsWithoutProgram(shell, User + "\\" + name)) << name;
    // Its suggestion is no category, whatever its name says.
    StartMenuItems.push_back({User + "\\Gone.lnk"});
    TEntryFacts facts = ReadEntryFacts(shell, User + "\\Gone.lnk");
    EXPECT_TRUE(facts.WithoutProgram);
    EXPECT_EQ(SuggestCategories(shell, {facts}, {{shell.FoldedName("Gone.lnk"), 1}}).Given, 0u);
}

// Set aside at the top, in a category folder and inside a group there (whose emptied folder goes),
// one journal record each; the report counts them, and the undo brings each back.
TEST_F(MissingProgramsTest, ShortcutsOfRemovedProgramsGoIntoKeepingAndComeBack) {
    const std::string tools = User + "\\Утилиты";
    shell.folders.insert({User, tools, tools + "\\Old Group", tools + "\\Live Group"});
    Link(User + "\\Gone.lnk", "C:\\Gone\\a.exe", TTargetState::Missing);
    Link(User + "\\Live.lnk", "C:\\Apps\\live.exe");
    Link(tools + "\\Gone 2.lnk", "C:\\Gone\\b.exe", TTargetState::Missing);
    Link(tools + "\\Old Group\\Gone 3.lnk", "C:\\Gone\\c.exe", TTargetState::Missing);
    Link(tools + "\\Live Group\\Gone 4.lnk", "C:\\Gone\\d.exe", TTargetState::Missing);
    Link(tools + "\\Live Group\\Live.lnk", "C:\\Apps\\live.exe");
    const Paths before = Below(User);
    TDistributionOptions options;
    options.SetAside = TDistributionOptions::TSetAside::Everywhere;

    const TDistribution result = DistributeItems(shell, options);
    EXPECT_TRUE(result.Complete());
    EXPECT_EQ(DistributionReport(result), "Программы успешно распределены по категориям!\n"
                                          "Ярлыков удалённых программ убрано в сохранённые: 4.");
    EXPECT_EQ(Below(User), (Paths{"Live.lnk", "Утилиты", "Утилиты\\Live Group",
                                  "Утилиты\\Live Group\\Live.lnk"}));
    EXPECT_EQ(JournalLines().size(), 5u); // four moves into keeping, one removed group
    EXPECT_EQ(UndoReport(UndoLastDistribution(shell)),
              "Все программы возвращены на прежние места!");
    EXPECT_EQ(Below(User), before);
    EXPECT_EQ(Kept(), Paths{});
}

// A group moved into a category leaves its uninstall, help and web-site links in keeping; a group
// that would be left with no program keeps them all; the undo brings the links back with the group.
TEST_F(MissingProgramsTest, AGroupLeavesItsLinksThatSayNothingOfItsProgramInKeeping) {
    shell.folders.insert({User, User + "\\Player", User + "\\Docs"});
    Link(User + "\\Player\\Player.lnk", "C:\\Apps\\player.exe");
    Link(User + "\\Player\\Uninstall Player.lnk", "C:\\Apps\\unins000.exe");
    Link(User + "\\Player\\Player Help.lnk", "C:\\Apps\\player.chm");
    Link(User + "\\Player\\Player on the Web.url", "");
    shell.shortcuts[User + "\\Player\\Player on the Web.url"].Url = "https://player.example/";
    Link(User + "\\Docs\\Readme.lnk", "C:\\Apps\\readme.txt");
    Link(User + "\\Docs\\Uninstall.lnk", "C:\\Apps\\unins001.exe");
    StartMenuItems.push_back({User + "\\Player", 3, true});
    StartMenuItems.push_back({User + "\\Docs", 8, true});
    const Paths before = Below(User);
    TDistributionOptions options;
    options.LeaveOutGroupLinks = true;

    EXPECT_TRUE(DistributeItems(shell, options).Complete());
    EXPECT_EQ(Below(User + "\\Развлечения"), (Paths{"Player", "Player\\Player.lnk"}));
    EXPECT_EQ(Below(User + "\\Разное"), (Paths{"Docs", "Docs\\Readme.lnk", "Docs\\Uninstall.lnk"}));
    EXPECT_EQ(Kept().size(), 7u); // the distribution's folder, three numbered ones, a link in each
    EXPECT_EQ(UndoReport(UndoLastDistribution(shell)),
              "Все программы возвращены на прежние места!");
    EXPECT_EQ(Below(User), before);
}

} // namespace
