// Fetches the catalogue entries' icons, and what the entries say of themselves, from the shell on a
// worker thread, so that the window never waits for them: each entry is asked once, in the order
// the window wants them, and each result is handed over as it arrives.
#pragma once

#include "catalogue/suggest.h"
#include "shell/shell_services.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// How long one entry's lookup may take before it is given up (an unreachable network drive).
constexpr std::chrono::milliseconds LookupStallLimit = std::chrono::seconds(2);

class TIconLoader {
public:
    // Called on a worker thread, once per entry, with the entry's index and icon; for an entry
    // whose lookup stalled, first without an icon and again if the shell answers late. It must be
    // quick (the window posts a message).
    using TDelivery = std::function<void(size_t index, ItemIconInfo icon)>;
    // Called on the worker after an entry's icon and before its delivery, with its index and path:
    // more that is read of each entry once, under the same stall limit.
    using TAlsoRead = std::function<void(size_t index, const std::string& path)>;

    // Starts looking up the icons of `paths` in their order. A lookup that takes longer than
    // `stall` (an unreachable network drive) is delivered without an icon and left to finish on
    // its own, and a new worker goes on with the rest.
    TIconLoader(ShellServices& shell, std::vector<std::string> paths, TDelivery deliver,
                std::chrono::milliseconds stall = LookupStallLimit, TAlsoRead alsoRead = {});
    ~TIconLoader();
    TIconLoader(const TIconLoader&) = delete;
    TIconLoader& operator=(const TIconLoader&) = delete;

    // Asks these entries next, in this order; those asked already are left out.
    void Prioritise(const std::vector<size_t>& first);

    // Stops: no lookup starts and no result is delivered after this returns. Every worker has
    // ended, but one the shell still holds in a stalled lookup, which ends when the shell lets go.
    void Close();

private:
    struct TState;
    static void Spawn(const std::shared_ptr<TState>& state);
    static void Work(std::shared_ptr<TState> state, int generation);
    static void Supervise(std::shared_ptr<TState> state);

    std::shared_ptr<TState> state_;
    std::thread supervisor_;
};

// What the entries say of themselves (ReadEntryFacts), read on the icon loader's workers beside
// each icon, for the suggestions: a shortcut's target may be on a drive that does not answer.
class TEntryDetails {
public:
    explicit TEntryDetails(size_t count) : facts_(count) {}
    // Reads one entry's details; on a worker.
    void Read(ShellServices& shell, size_t index, const std::string& path);
    // Every entry's details read so far; an entry not read (or given up) has none.
    std::vector<TEntryFacts> Facts() const;
    // Whether an entry read so far is a shortcut whose program was removed.
    bool WithoutProgram(size_t index) const;

private:
    mutable std::mutex mutex_;
    std::vector<TEntryFacts> facts_;
};

// The icons the loader has delivered, by entry index, and how many it still owes.
class TArrivedIcons {
public:
    // Waits for `count` entries' icons, none arrived.
    void Expect(size_t count);
    // An entry's icon; nothing until it has arrived.
    const std::optional<ItemIconInfo>& operator[](size_t index) const { return icons_[index]; }
    size_t Outstanding() const { return icons_.size() - arrived_; }
    // Takes a delivered icon; false when it changes nothing: an index beyond the entries, or a
    // second delivery without an image. A lookup given up as stalled arrives without an icon; its
    // late answer may still fill it in.
    bool Take(size_t index, const ItemIconInfo& icon);

private:
    std::vector<std::optional<ItemIconInfo>> icons_;
    size_t arrived_ = 0; // how many of icons_ hold one
};
