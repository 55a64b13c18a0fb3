// The re-apply: the user's earlier choices made again, without the window. Programs that updates
// recreate at the top of a Programs folder go back into the category an earlier distribution, not
// undone, put them in, by the rules of any second distribution; nothing else moves.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class ShellServices;

// What a re-apply did: one line per entry moved or left, and the counts.
struct TReapplyResult {
    std::vector<std::string> Lines;
    size_t Moved = 0;
    size_t Left = 0;
    bool Complete() const { return Left == 0; }
};

// Scans both Programs folders and distributes again every top-level entry whose name (compared as
// Windows compares names) an earlier distribution of the same Programs folder, not undone, moved
// into a category: into that category, the newest choice winning. It writes a journal only when it
// moves something. It never asks for administrator rights: without them the all-users entries it
// would move are named and left. `shell` should be quiet: no window, no dialog, no question.
TReapplyResult Reapply(ShellServices& shell);

// The lines and the summary, for the console.
std::string ReapplyReport(const TReapplyResult& result);
