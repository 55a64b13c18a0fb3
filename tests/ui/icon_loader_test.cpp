// The icon loader as a unit: the order entries are asked in, an entry the shell answers late or
// never, and closing. Every wait is for a condition, with a generous limit; no property depends on
// how fast the machine is.
#include "support/fake_shell.h"
#include "ui/icon_loader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

class IconLoader : public ::testing::Test {
protected:
    std::vector<std::string> paths;
    FakeShell shell;
    std::mutex mutex;
    std::condition_variable changed;
    // Lookups of these entries wait until `released`, of those from `heldFrom` on for ever (until
    // the test ends).
    std::set<size_t> blocked;
    size_t heldFrom = 10;
    bool released = false;
    bool ended = false;
    std::vector<size_t> arrived;  // in the order the results came
    std::vector<size_t> given_up; // stalled lookups, delivered without an icon
    std::set<size_t> withIcon;    // entries delivered with their icon
    size_t asked = 0;             // lookups begun
    bool loaderGone = false;      // the loader's last worker has ended

    void SetUp() override {
        for (int i = 0; i < 10; ++i)
            paths.push_back("C:\\P\\e" + std::to_string(i) + ".lnk");
        shell.iconFor = [this](const std::string& path) {
            const size_t index = static_cast<size_t>(path[6] - '0');
            std::unique_lock<std::mutex> lock(mutex);
            ++asked;
            changed.notify_all();
            changed.wait(lock, [&] {
                return ended || (index < heldFrom && (released || blocked.count(index) == 0));
            });
            return ItemIconInfo{static_cast<int>(index), true};
        };
    }
    void TearDown() override {
        std::lock_guard<std::mutex> lock(mutex);
        ended = true;
        changed.notify_all();
    }

    // Records each result; the loader holds it until its last worker has ended, which says so.
    TIconLoader::TDelivery Collect() {
        const std::shared_ptr<int> held(new int(0), [this](int* token) {
            delete token;
            std::lock_guard<std::mutex> lock(mutex);
            loaderGone = true;
            changed.notify_all();
        });
        loaderGone = false;
        return [this, held](size_t index, ItemIconInfo icon) {
            std::lock_guard<std::mutex> lock(mutex);
            if (icon.Image < 0) {
                given_up.push_back(index);
            } else {
                EXPECT_EQ(icon.Image, static_cast<int>(index));
                withIcon.insert(index);
            }
            arrived.push_back(index);
            changed.notify_all();
        };
    }
    template <class Condition> bool WaitUntil(Condition condition) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, 30s, condition);
    }
    // Every entry but `late` delivered with its icon, and `late` given up.
    bool AllButOneArrived(size_t late) {
        return WaitUntil([&] {
            return withIcon.size() == paths.size() - 1 && withIcon.count(late) == 0 &&
                   std::count(given_up.begin(), given_up.end(), late) == 1;
        });
    }
    void Release() {
        std::lock_guard<std::mutex> lock(mutex);
        released = true;
        changed.notify_all();
    }
    // Closes the loader; false when that waits for a lookup the shell still holds.
    bool ClosesWithLookupsHeld(TIconLoader& loader) {
        auto closing = std::async(std::launch::async, [&] { loader.Close(); });
        if (closing.wait_for(30s) == std::future_status::ready)
            return true;
        TearDown(); // lets every lookup go, so that the test can end
        return false;
    }
    std::vector<size_t> Arrived() {
        std::lock_guard<std::mutex> lock(mutex);
        return arrived;
    }
};

TEST_F(IconLoader, AsksEachEntryOnceThePrioritisedFirstThenTheRestInOrder) {
    blocked = {0}; // holds the first lookup while the window says what it lists
    // No lookup is given up here, however slow the machine.
    TIconLoader loader(shell, paths, Collect(), 1h);
    ASSERT_TRUE(WaitUntil([&] { return asked == 1; }));
    loader.Prioritise({7, 3, 7});
    Release();
    ASSERT_TRUE(WaitUntil([&] { return arrived.size() == 10; }));
    EXPECT_EQ(Arrived(), (std::vector<size_t>{0, 7, 3, 1, 2, 4, 5, 6, 8, 9}));
    EXPECT_EQ(shell.iconLookups, 10);
}

// The stalled entry counts as delivered without an icon, so that the window's hourglass ends, while
// every other entry still gets its icon; a late answer still comes, but none after closing, and
// closing does not wait for the shell to let go. (A slow machine may give up some other entry too:
// its icon still arrives.)
TEST_F(IconLoader, AnEntryTheShellAnswersLateHoldsUpNoOtherAndIsGivenUpAtOnce) {
    blocked = {2};
    {
        TIconLoader loader(shell, paths, Collect(), 100ms);
        ASSERT_TRUE(AllButOneArrived(2));
        Release();
        ASSERT_TRUE(WaitUntil([&] { return withIcon.count(2) == 1; }));
        EXPECT_EQ(Arrived().back(), 2u);
    }
    ASSERT_TRUE(WaitUntil([&] { return loaderGone; }));

    {
        std::lock_guard<std::mutex> lock(mutex);
        blocked = {5};
        released = false;
        arrived.clear();
        given_up.clear();
        withIcon.clear();
    }
    auto never = std::make_unique<TIconLoader>(shell, paths, Collect(), 100ms);
    ASSERT_TRUE(AllButOneArrived(5));
    ASSERT_TRUE(ClosesWithLookupsHeld(*never)) << "closing waited for the stalled lookup";
    const std::vector<size_t> atClose = Arrived();
    never.reset();
    Release(); // the shell lets go after the loader closed: nothing more arrives
    ASSERT_TRUE(WaitUntil([&] { return loaderGone; }));
    EXPECT_EQ(Arrived(), atClose);
    EXPECT_EQ(shell.iconLookups, 20);
}

// Closed while the shell holds one lookup and would hold every other: closing waits for none of
// them beyond the stall limit, and once it has returned no lookup starts and nothing is delivered.
TEST_F(IconLoader, ClosingWhileLookingUpEndsAtOnceAndDeliversNothingMore) {
    blocked = {2};
    heldFrom = 3;
    auto loader = std::make_unique<TIconLoader>(shell, paths, Collect(), 100ms);
    ASSERT_TRUE(WaitUntil([&] { return arrived.size() >= 2 && asked >= 3; }));
    ASSERT_TRUE(ClosesWithLookupsHeld(*loader)) << "closing waited for the lookups to come";
    const std::vector<size_t> atClose = Arrived();
    const int lookupsAtClose = shell.iconLookups;
    loader.reset();
    TearDown(); // every lookup the shell held ends now
    ASSERT_TRUE(WaitUntil([&] { return loaderGone; }));
    EXPECT_EQ(Arrived(), atClose);
    EXPECT_EQ(shell.iconLookups, lookupsAtClose);
}

} // namespace
