// The icon loader as a unit: the order entries are asked in, an entry the shell answers late or
// never, and closing.
#include "support/fake_shell.h"
#include "ui/icon_loader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
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
    std::vector<size_t> arrived; // in the order the results came
    std::string blocked;         // the path whose lookup waits until `released`
    bool released = false;

    void SetUp() override {
        for (int i = 0; i < 10; ++i)
            paths.push_back("C:\\P\\e" + std::to_string(i) + ".lnk");
        shell.iconFor = [this](const std::string& path) {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [&] { return released || path != blocked; });
            return ItemIconInfo{static_cast<int>(path[6] - '0'), true};
        };
    }
    void TearDown() override { Release(); }

    TIconLoader::TDelivery Collect() {
        return [this](size_t index, ItemIconInfo icon) {
            std::lock_guard<std::mutex> lock(mutex);
            if (icon.Image < 0)
                given_up.push_back(index); // a stalled lookup, delivered without an icon
            else
                EXPECT_EQ(icon.Image, static_cast<int>(index));
            arrived.push_back(index);
            changed.notify_all();
        };
    }
    std::vector<size_t> given_up;
    bool WaitForArrivals(size_t count) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, 10s, [&] { return arrived.size() >= count; });
    }
    void Release() {
        std::lock_guard<std::mutex> lock(mutex);
        released = true;
        changed.notify_all();
    }
};

TEST_F(IconLoader, AsksEachEntryOnceThePrioritisedFirstThenTheRestInOrder) {
    blocked = paths[0]; // holds the first lookup while the window says what it lists
    TIconLoader loader(shell, paths, Collect());
    while (shell.IconOrder().empty())
        std::this_thread::sleep_for(1ms);
    loader.Prioritise({7, 3, 7});
    Release();
    ASSERT_TRUE(WaitForArrivals(10));
    EXPECT_EQ(arrived, (std::vector<size_t>{0, 7, 3, 1, 2, 4, 5, 6, 8, 9}));
    EXPECT_EQ(shell.iconLookups, 10);
}

// The stalled entry counts as delivered without an icon, so that the window's hourglass ends; a
// late answer still comes, but none after closing.
TEST_F(IconLoader, AnEntryTheShellAnswersLateHoldsUpNoOtherAndIsGivenUpAtOnce) {
    blocked = paths[2];
    TIconLoader loader(shell, paths, Collect(), 100ms);
    ASSERT_TRUE(WaitForArrivals(10));
    EXPECT_EQ(given_up, std::vector<size_t>{2});
    Release();
    ASSERT_TRUE(WaitForArrivals(11));
    EXPECT_EQ(arrived.back(), 2u);

    {
        std::lock_guard<std::mutex> lock(mutex);
        blocked = paths[5];
        released = false;
        arrived.clear();
    }
    TIconLoader never(shell, paths, Collect(), 100ms);
    ASSERT_TRUE(WaitForArrivals(10));
    const auto closing = std::chrono::steady_clock::now();
    never.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - closing, 1s);
    Release(); // the shell lets go after the loader closed: nothing more arrives
    std::this_thread::sleep_for(100ms);
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(arrived.size(), 10u);
    EXPECT_EQ(shell.iconLookups, 20);
}

TEST_F(IconLoader, ClosingWhileLookingUpEndsAtOnceAndDeliversNothingMore) {
    shell.iconFor = [](const std::string& path) {
        std::this_thread::sleep_for(20ms); // a slow disk
        return ItemIconInfo{static_cast<int>(path[6] - '0'), false};
    };
    TIconLoader loader(shell, paths, Collect());
    ASSERT_TRUE(WaitForArrivals(2));
    const auto closing = std::chrono::steady_clock::now();
    loader.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - closing, 200ms);
    size_t count = 0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        count = arrived.size();
    }
    std::this_thread::sleep_for(100ms);
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(arrived.size(), count);
    EXPECT_LT(count, 10u);
}

} // namespace
