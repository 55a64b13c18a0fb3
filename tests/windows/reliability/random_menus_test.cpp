// Generated Start menus, backed up, distributed and undone on real folders: the backup equals the
// originals and a second one never goes over it, every entry ends in its category folder exactly
// once, nothing else changes, and the undo brings back the originals byte for byte.
#include "windows/reliability/reliability.h"

#include "actions/backup.h"
#include "actions/distribution.h"
#include "actions/undo.h"

#include "support/dialog_watcher.h"

#include <chrono>
#include <cstdio>

namespace {

class RandomMenus : public ReliabilityTest, public ::testing::WithParamInterface<int> {};

TEST_P(RandomMenus, BackupEqualsTheOriginalsAndDistributionMovesEveryEntryExactlyOnce) {
    const auto started = std::chrono::steady_clock::now();
    DialogWatcher watcher(IDCANCEL); // no question is expected; none may block the run
    size_t totalEntries = 0, totalFiles = 0, totalMoved = 0;
    for (int menu = GetParam() * MenusPerCase; menu < (GetParam() + 1) * MenusPerCase; ++menu) {
        SCOPED_TRACE("menu " + std::to_string(menu));
        const MenuPlan plan = PlanMenu(menu);
        const MenuPlaces places(At("m" + std::to_string(menu)));
        ASSERT_EQ(PathsTooLong(plan, places), std::vector<std::string>{});
        Materialise(plan.common, places.common);
        Materialise(plan.user, places.user);
        if (HasFatalFailure())
            return;
        shell.common = places.common;
        shell.user = places.user;
        shell.messages.clear();

        ResetCatalogue();
        ScanStartMenu(shell);
        ASSERT_EQ(ScannedNames(false), Keys(plan.common.entries));
        ASSERT_EQ(ScannedNames(true), Keys(plan.user.entries));
        for (TStartMenu& entry : StartMenuItems) {
            const PlannedRoot& root = entry.IsUser ? plan.user : plan.common;
            entry.Category = root.entries.at(FileNameOf(entry.Path));
        }
        const Tree commonBefore = Snapshot(places.common);
        const Tree userBefore = Snapshot(places.user);

        MakeFolders(places.backup);
        MakeBackup(shell, places.backup);
        EXPECT_EQ(shell.messages, std::vector<std::string>{"Резервная копия создана!"});
        EXPECT_EQ(Snapshot(places.backup + "Programs"), userBefore);
        EXPECT_EQ(Snapshot(places.backup + "Common_Programs"), commonBefore);
        shell.messages.clear();
        EXPECT_FALSE(MakeBackup(shell, places.backup));
        EXPECT_EQ(shell.messages.size(), 1u);
        EXPECT_EQ(Snapshot(places.backup + "Programs"), userBefore);
        EXPECT_EQ(Snapshot(places.backup + "Common_Programs"), commonBefore);

        shell.messages.clear();
        EXPECT_TRUE(DistributeItems(shell).Complete());
        EXPECT_EQ(shell.messages, std::vector<std::string>{});
        EXPECT_EQ(WithoutNamesKept(places.common, plan.common),
                  Relocated(commonBefore, plan.common.entries));
        EXPECT_EQ(WithoutNamesKept(places.user, plan.user),
                  Relocated(userBefore, plan.user.entries));

        EXPECT_EQ(UndoReport(UndoLastDistribution(shell)),
                  plan.Moved() ? "Все программы возвращены на прежние места!"
                               : "Нет распределений, которые можно отменить.");
        EXPECT_EQ(Snapshot(places.common), commonBefore);
        EXPECT_EQ(Snapshot(places.user), userBefore);

        const size_t entries = StartMenuItems.size();
        const size_t files = commonBefore.files.size() + userBefore.files.size();
        std::printf("menu %2d, seed %u: entries %zu, files %zu, moved %zu\n", menu, plan.seed,
                    entries, files, plan.Moved());
        totalEntries += entries;
        totalFiles += files;
        totalMoved += plan.Moved();
    }
    EXPECT_EQ(watcher.Seen(), std::vector<std::string>{});
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    std::printf("menus %d-%d: entries %zu, files %zu, moved %zu in %lld ms\n",
                GetParam() * MenusPerCase, (GetParam() + 1) * MenusPerCase - 1, totalEntries,
                totalFiles, totalMoved, static_cast<long long>(took.count()));
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomMenus, ::testing::Range(0, MenuCases));

// The plans of all the menus, without touching the disk: every name is distinct in its folder
// regardless of letter case, every path stays within MAX_PATH, and every kind of entry occurs.
using GeneratedMenus = ReliabilityTest;

TEST_F(GeneratedMenus, CoverEveryKindOfEntryWithinMaxPath) {
    size_t entries = 0, files = 0, moved = 0, longNames = 0, categoryFolders = 0, shared = 0;
    size_t hidden = 0, system = 0, desktopInis = 0, clashes = 0;
    std::map<Kind, size_t> kinds;
    for (int menu = 0; menu < MenuCases * MenusPerCase; ++menu) {
        const MenuPlan plan = PlanMenu(menu);
        const MenuPlaces places(At("m" + std::to_string(menu)));
        EXPECT_EQ(PathsTooLong(plan, places), std::vector<std::string>{}) << "menu " << menu;
        for (const PlannedRoot* root : {&plan.common, &plan.user}) {
            entries += root->entries.size();
            files += root->files.size();
            for (const auto& [name, kind] : root->kinds) {
                ++kinds[kind];
                longNames += Widen(name).size() == 150;
            }
            // Names that Windows (and Wine) would take for the same one, in any folder.
            std::set<std::wstring> seen;
            auto add = [&](const std::string& relative) {
                std::wstring folded = Widen(relative);
                CharUpperBuffW(folded.data(), static_cast<DWORD>(folded.size()));
                clashes += !seen.insert(folded).second;
            };
            for (const PlannedFolder& folder : root->folders) {
                add(folder.relative);
                categoryFolders += std::find(CategoryNames.begin(), CategoryNames.end(),
                                             folder.relative) != CategoryNames.end();
            }
            for (const PlannedFile& file : root->files) {
                add(file.relative);
                hidden += (file.attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
                system += (file.attributes & FILE_ATTRIBUTE_SYSTEM) != 0;
                std::string name = FileNameOf(file.relative);
                std::transform(name.begin(), name.end(), name.begin(),
                               [](char ch) { return ch >= 'A' && ch <= 'Z' ? char(ch + 32) : ch; });
                desktopInis += name == "desktop.ini";
            }
        }
        for (const auto& entry : plan.common.entries)
            shared += plan.user.entries.count(entry.first);
        moved += plan.Moved();
    }
    std::printf("all %d menus, seed %u onwards: entries %zu, files %zu, moved %zu; %zu names of "
                "150 characters, %zu category folders from before, %zu names in both folders, "
                "%zu hidden and %zu system files, %zu desktop.ini\n",
                MenuCases * MenusPerCase, MenuSeed, entries, files, moved, longNames,
                categoryFolders, shared, hidden, system, desktopInis);
    EXPECT_EQ(clashes, 0u);
    EXPECT_GT(kinds[Kind::Shortcut], 0u);
    EXPECT_GT(kinds[Kind::File], 0u);
    EXPECT_GT(kinds[Kind::Group], 0u);
    EXPECT_GT(kinds[Kind::EmptyFolder], 0u);
    EXPECT_GT(longNames, 0u);
    EXPECT_GT(categoryFolders, 0u);
    EXPECT_GT(shared, 0u);
    EXPECT_GT(hidden, 0u);
    EXPECT_GT(system, 0u);
    EXPECT_GT(desktopInis, 0u);
    EXPECT_LT(moved, entries);
}

} // namespace
