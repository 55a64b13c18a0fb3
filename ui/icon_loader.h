// Fetches the catalogue entries' icons from the shell on a worker thread, so that the window never
// waits for them: each entry is asked once, in the order the window wants them, and each result
// is handed over as it arrives.
#pragma once

#include "shell/shell_services.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class TIconLoader {
public:
    // Called on a worker thread, once per entry, with the entry's index and icon; for an entry
    // whose lookup stalled, first without an icon and again if the shell answers late. It must be
    // quick (the window posts a message).
    using TDelivery = std::function<void(size_t index, ItemIconInfo icon)>;

    // Starts looking up the icons of `paths` in their order. A lookup that takes longer than
    // `stall` (an unreachable network drive) is delivered without an icon and left to finish on
    // its own, and a new worker goes on with the rest.
    TIconLoader(ShellServices& shell, std::vector<std::string> paths, TDelivery deliver,
                std::chrono::milliseconds stall = std::chrono::seconds(2));
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
