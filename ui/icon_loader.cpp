#include "ui/icon_loader.h"

#include "win32/handles.h"

#include <condition_variable>
#include <deque>
#include <mutex>

using Clock = std::chrono::steady_clock;

struct TIconLoader::TState {
    TState(ShellServices& shell, std::vector<std::string> paths, TDelivery deliver,
           std::chrono::milliseconds stall, TAlsoRead alsoRead)
        : shell(shell), paths(std::move(paths)), deliver(std::move(deliver)),
          alsoRead(std::move(alsoRead)), stall(stall) {}

    ShellServices& shell;
    const std::vector<std::string> paths;
    const TDelivery deliver;
    const TAlsoRead alsoRead;
    const std::chrono::milliseconds stall;

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<size_t> waiting; // entries not asked yet, the next first
    bool stopped = false;
    int generation = 0;          // only the worker of this generation takes entries
    bool busy = false;           // that worker is in a lookup ...
    Clock::time_point busySince; // ... since then ...
    size_t busyIndex = 0;        // ... of this entry
    int workers = 0;             // worker threads still running ...
    int stalled = 0;             // ... of which left behind in a stalled lookup
};

void TIconLoader::Spawn(const std::shared_ptr<TState>& state) {
    ++state->workers;
    std::thread(Work, state, state->generation).detach();
}

// One worker: takes the next entry while it is the current generation's, asks the shell, and
// delivers the result unless the loader was closed meanwhile.
void TIconLoader::Work(std::shared_ptr<TState> state, int generation) {
    const TComScope com; // the shell's icon lookups use COM
    std::unique_lock<std::mutex> lock(state->mutex);
    while (!state->stopped && state->generation == generation && !state->waiting.empty()) {
        const size_t index = state->waiting.front();
        state->waiting.pop_front();
        state->busy = true;
        state->busySince = Clock::now();
        state->busyIndex = index;
        const std::string path = state->paths[index];
        lock.unlock();
        ItemIconInfo icon;
        try {
            icon = state->shell.ItemIcon(path);
        } catch (...) {
            icon = {}; // shown without an icon, as when the shell has none
        }
        if (state->alsoRead) {
            try {
                state->alsoRead(index, path);
            } catch (...) {
                // The entry is judged by its name alone, as one whose details were given up.
            }
        }
        lock.lock();
        if (state->generation == generation)
            state->busy = false;
        if (!state->stopped)
            state->deliver(index, icon);
        state->changed.notify_all();
    }
    --state->workers;
    if (state->generation != generation)
        --state->stalled;
    state->changed.notify_all();
}

// Starts the first worker, and a new one whenever the current one stalls in a lookup. The stalled
// entry counts as delivered without an icon at once, so that the window waits for it no longer; a
// late answer is delivered too.
void TIconLoader::Supervise(std::shared_ptr<TState> state) {
    std::unique_lock<std::mutex> lock(state->mutex);
    Spawn(state);
    while (!state->stopped && (!state->waiting.empty() || state->busy)) {
        if (state->busy && Clock::now() - state->busySince >= state->stall) {
            ++state->generation;
            ++state->stalled;
            state->busy = false;
            state->deliver(state->busyIndex, ItemIconInfo{});
            Spawn(state);
            continue;
        }
        state->changed.wait_for(lock, state->stall);
    }
}

TIconLoader::TIconLoader(ShellServices& shell, std::vector<std::string> paths, TDelivery deliver,
                         std::chrono::milliseconds stall, TAlsoRead alsoRead)
    : state_(std::make_shared<TState>(shell, std::move(paths), std::move(deliver), stall,
                                      std::move(alsoRead))) {
    for (size_t i = 0; i < state_->paths.size(); ++i)
        state_->waiting.push_back(i);
    supervisor_ = std::thread(Supervise, state_);
}

TIconLoader::~TIconLoader() {
    Close();
}

void TIconLoader::Prioritise(const std::vector<size_t>& first) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    std::deque<size_t> front;
    std::vector<bool> moved(state_->paths.size(), false);
    std::vector<bool> waiting(state_->paths.size(), false);
    for (size_t index : state_->waiting)
        waiting[index] = true;
    for (size_t index : first) {
        if (index < waiting.size() && waiting[index] && !moved[index]) {
            front.push_back(index);
            moved[index] = true;
        }
    }
    for (size_t index : state_->waiting) {
        if (!moved[index])
            front.push_back(index);
    }
    state_->waiting.swap(front);
}

void TIconLoader::Close() {
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->stopped = true;
    }
    state_->changed.notify_all();
    if (supervisor_.joinable())
        supervisor_.join();
    // A worker in an ordinary lookup ends within it; one stalled in the shell is not waited for.
    std::unique_lock<std::mutex> lock(state_->mutex);
    state_->changed.wait_for(lock, state_->stall,
                             [&] { return state_->workers == state_->stalled; });
}

void TEntryDetails::Read(ShellServices& shell, size_t index, const std::string& path) {
    TEntryFacts facts = ReadEntryFacts(shell, path);
    std::lock_guard<std::mutex> lock(mutex_);
    if (index < facts_.size())
        facts_[index] = std::move(facts);
}

bool TEntryDetails::WithoutProgram(size_t index) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return index < facts_.size() && facts_[index].WithoutProgram;
}

std::vector<TEntryFacts> TEntryDetails::Facts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return facts_;
}

void TArrivedIcons::Expect(size_t count) {
    icons_.assign(count, std::nullopt);
    arrived_ = 0;
}

bool TArrivedIcons::Take(size_t index, const ItemIconInfo& icon) {
    if (index >= icons_.size())
        return false;
    std::optional<ItemIconInfo>& known = icons_[index];
    if (known && (known->Image >= 0 || icon.Image < 0))
        return false;
    if (!known)
        ++arrived_;
    known = icon;
    return true;
}
