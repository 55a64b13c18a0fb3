// Suggested categories: each source, their order, disagreement, the user's own ticks kept, and the
// corpus of real entries the table must get right.
#include "actions/distribution.h"
#include "actions/earlier_choices.h"
#include "actions/undo.h"
#include "catalogue/suggest.h"
#include "support/model_fixture.h"

#include <fstream>
#include <iostream>
#include <tuple>

namespace {

constexpr int32_t Office = 0, Utilities = 1, Games = 2, Entertainment = 3;

class Suggestions : public ActionsTest {
protected:
    // A shortcut at the top of the user's Programs folder, its target and what the target says.
    void Link(const std::string& name, const std::string& target, TVersionInfo version = {},
              const std::string& url = "") {
        const std::string path = Add(name, NoCategory, true);
        shell.shortcuts[path] = {target, "", "", "", url};
        shell.versionInfos[target] = std::move(version);
    }
    // A program group holding shortcuts: name, target, internet address.
    void Group(const std::string& name,
               const std::vector<std::tuple<std::string, std::string, std::string>>& links) {
        const std::string path = Add(name, NoCategory, true);
        shell.files.erase(path);
        shell.folders.insert(path);
        for (const auto& [link, target, url] : links) {
            shell.files.insert(path + "\\" + link);
            shell.shortcuts[path + "\\" + link] = {target, "", "", "", url};
        }
    }
    TSuggestionRun Suggest(const std::map<std::string, int32_t>& earlier = {}) {
        std::vector<TEntryFacts> facts;
        for (const TStartMenu& entry : StartMenuItems)
            facts.push_back(ReadEntryFacts(shell, entry.Path));
        return SuggestCategories(shell, facts, earlier);
    }
    static std::vector<std::string> Given(const TSuggestionRun& run) {
        std::vector<std::string> given;
        for (size_t i = 0; i < StartMenuItems.size(); ++i)
            given.push_back(StartMenuItems[i].Category == NoCategory
                                ? "-"
                                : CategoryNames[StartMenuItems[i].Category] + " " +
                                      SourceName(run.Sources[i]));
        return given;
    }
};

TEST_F(Suggestions, EachSourceGivesItsCategoryAndTheStrongerOneWins) {
    Link("Mozilla Firefox.lnk", "C:\\Program Files\\Mozilla Firefox\\firefox.exe");
    Link("Zed.lnk", "C:\\Zed\\zv.exe", {"Zed Image Viewer", "Zed"});
    Link("Arena Classic.url", "", {}, "steam://rungameid/570");
    Link("Picked.lnk", "C:\\Picked\\7zFM.exe", {"Web Browser", ""}); // the user put it in Игры
    Link("Renamed.lnk", "C:\\Tools\\WINRAR.EXE");                    // known by its target alone
    Group("Foo Suite", {{"Foo Studio.lnk", "C:\\Foo\\foo.exe", ""},
                        {"Uninstall Foo.lnk", "C:\\Foo\\unins000.exe", ""},
                        {"Foo on the Web.url", "", "https://foo.example/"}});
    shell.versionInfos["C:\\Foo\\foo.exe"] = {"", "Foo Photo Editor"};
    Group("Mozilla Thunderbird", {{"Readme.lnk", "C:\\T\\readme.txt", ""}});
    const TSuggestionRun run = Suggest({{shell.FoldedName("picked.lnk"), Games}});
    EXPECT_EQ(Given(run), (std::vector<std::string>{"Интернет known", "Графика details",
                                                    "Игры details", "Игры journal", "Утилиты known",
                                                    "Графика details", "Интернет known"}));
    EXPECT_EQ(run.Unassigned, 7u);
    EXPECT_EQ(run.Given, 7u);
    EXPECT_EQ(SuggestionReport(run), "Предложены категории для 7 программ из 7. Проверьте "
                                     "отметки на каждой странице.");
}

TEST_F(Suggestions, WeakOrDisagreeingSignalsAndWindowsOwnEntriesGetNone) {
    Link("Steam.lnk", "C:\\VLC\\vlc.exe");                        // name and target disagree
    Link("Arcade.lnk", "C:\\A\\arcade.exe", {"Game Player", ""}); // two categories in one text
    Link("Tool.lnk", "C:\\T\\tool.exe", {"Tool", "Acme"});        // says nothing
    Link("Firefox Help.lnk", "C:\\F\\help.chm");                  // a help link
    Link("Foo.lnk", "C:\\Windows\\explorer.exe", {"Image Viewer", ""}); // a host's own texts
    Group("Mixed", {{"Word.lnk", "C:\\O\\WINWORD.EXE", ""}, {"Steam.lnk", "C:\\S\\steam.exe", ""}});
    Link("Internet Explorer.lnk", "C:\\IE\\iexplore.exe");
    StartMenuItems.back().LocalizedName = "Обозреватель";
    Link("Paint.lnk", "C:\\Windows\\mspaint.exe");
    StartMenuItems.back().LocalizedName = "Paint";
    const TSuggestionRun run = Suggest({{shell.FoldedName("Paint.lnk"), Utilities}});
    EXPECT_EQ(Given(run),
              (std::vector<std::string>{"-", "-", "-", "-", "-", "-", "-", "Утилиты journal"}));
}

TEST_F(Suggestions, OnlyEntriesWithoutACategoryGetOneAndASecondPressGivesTheRest) {
    Link("Skype.lnk", "C:\\S\\Skype.exe");
    Link("Unknown.lnk", "C:\\U\\u.exe");
    StartMenuItems[0].Category = Office; // the user's own tick
    TSuggestionRun run = Suggest();
    EXPECT_EQ(Given(run), (std::vector<std::string>{"Офисные ", "-"}));
    EXPECT_EQ(SuggestionReport(run), "Не удалось подобрать категории: отметьте программы вручную.");
    shell.versionInfos["C:\\U\\u.exe"] = {"Unknown Antivirus", ""};
    StartMenuItems[0].Category = NoCategory;
    run = Suggest();
    EXPECT_EQ(Given(run), (std::vector<std::string>{"Интернет known", "Безопасность details"}));
    run = Suggest();
    EXPECT_EQ(run.Unassigned, 0u);
    EXPECT_EQ(SuggestionReport(run), "У всех программ уже есть категория.");
}

// An undone distribution counts for nothing; a shortcut distributed and then recreated at the top
// by an update goes back where the user put it, whatever the table says.
TEST_F(Suggestions, AnEntryRecreatedAfterADistributionGetsItsEarlierCategory) {
    Add("Skype.lnk", Entertainment, true);
    Add("Other.lnk", NoCategory, true);
    ASSERT_TRUE(DistributeItems(shell).Complete());
    ASSERT_TRUE(UndoLastDistribution(shell).Complete());
    StartMenuItems[0].Category = NoCategory;
    TSuggestionRun run = SuggestCategories(shell, {}, EarlierChoices(shell));
    EXPECT_EQ(Given(run), (std::vector<std::string>{"Интернет known", "-"}));

    StartMenuItems[0].Category = Entertainment;
    ASSERT_TRUE(DistributeItems(shell).Complete());
    StartMenuItems[0] = {User + "\\SKYPE.lnk", NoCategory, true}; // recreated by an update
    run = SuggestCategories(shell, {}, EarlierChoices(shell));
    EXPECT_EQ(Given(run), (std::vector<std::string>{"Развлечения journal", "-"}));
}

TEST(SuggestionTables, EveryLineIsUnderstoodAndWordsFoldAsTheyAreMatched) {
    EXPECT_EQ(SuggestionTableProblems(), std::vector<std::string>());
    EXPECT_EQ(FoldedWords("Ёлка-ПЛЕЕР® Notepad++ (x64)  µTorrent™"),
              (std::vector<std::string>{"елка", "плеер", "notepad++", "x64", "µtorrent"}));
}

// The corpus of real entries as their installers name them, judged by name and target alone.
TEST(SuggestionCorpus, NineteenOfTwentySuggestionsAreRightAndThreeInFourClearEntriesGetOne) {
    std::ifstream file(ORVANE_SUGGEST_CORPUS);
    ASSERT_TRUE(file) << ORVANE_SUGGEST_CORPUS;
    FakeShell shell;
    size_t clear = 0, suggested = 0, right = 0;
    std::vector<std::string> wrong;
    for (std::string line; std::getline(file, line);) {
        const std::vector<std::string> fields = Split(line, '\t');
        if (line.empty() || line[0] == '#' || fields.size() != 3)
            continue;
        const auto& [name, target, expected] = std::tie(fields[0], fields[1], fields[2]);
        TLinkFacts link;
        link.Name = name;
        (target.find("://") == std::string::npos ? link.TargetFile : link.Url) = target;
        const TSuggestion s =
            SuggestCategory(shell, {"C:\\P\\" + name + ".lnk"}, {false, {link}}, {});
        clear += expected != "none";
        if (s.Category == NoCategory)
            continue;
        ++suggested;
        if (CategoryNames[s.Category] == expected)
            ++right;
        else
            wrong.push_back(name + ": " + CategoryNames[s.Category] + ", not " + expected);
    }
    const double precision = suggested ? 100.0 * right / suggested : 0;
    const double coverage = clear ? 100.0 * right / clear : 0;
    std::cout << "suggestion corpus: " << clear << " entries with a clear category, " << suggested
              << " suggestions, " << right << " right: precision " << precision << "%, coverage "
              << coverage << "%\n";
    for (const std::string& miss : wrong)
        std::cout << "  wrong: " << miss << "\n";
    EXPECT_GE(precision, 95.0);
    EXPECT_GE(coverage, 75.0);
}

} // namespace
