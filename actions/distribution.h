// The distribution of assigned entries into the category folders of their Programs folders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class ShellServices;
class TJournalWriter;

// What a distribution did. Whether it is complete follows from what it recorded.
struct TDistribution {
    bool NotStarted = false; // nothing moved: the journal could not be started (and said why)
    bool Stopped = false;    // it stopped before the end: a cancel, or a step the journal missed
    size_t Failed = 0;       // moves and name lines that failed, each shown with its code
    std::vector<std::string> Refused; // Programs folders only an administrator may change
    std::vector<std::string> Stayed;  // why each entry that stayed at the top did, for the report
    size_t MovedBefore = 0; // assigned entries this run had moved already: left where they are
    size_t SetAside = 0;    // shortcuts without a program put into keeping

    // Every entry due was moved and named in its category folder.
    bool Complete() const {
        return !NotStarted && !Stopped && Failed == 0 && Refused.empty() && Stayed.empty();
    }
};

// What a distribution does beside moving the ticked entries.
struct TDistributionOptions {
    // Shortcuts without a program (catalogue/missing_programs.h) put into Orvane's keeping: none;
    // every one at the top and in the nine category folders (and the groups in them); or, for the
    // re-apply, those in the category folders that an earlier distribution, not undone, put there.
    enum class TSetAside { None, Everywhere, OwnMoves };
    TSetAside SetAside = TSetAside::None;
    // A program group moved into a category leaves its uninstall, readme, help, licence and
    // web-site links in keeping, unless it would be left with no program.
    bool LeaveOutGroupLinks = false;
    // Without administrator rights, the all-users folder's part is asked for (Windows' prompt);
    // false: it is left out (the re-apply never asks).
    bool MayAskForRights = true;
};

// The shortcuts without a program a distribution will set aside in one Programs folder, judged
// when it is planned (and again by the all-users step, which trusts no plan of the user's).
struct TSetAsidePlan {
    std::vector<std::string> Top;          // names at the top of the folder
    std::vector<std::string> InCategories; // paths in the category folders and their groups
    bool Empty() const { return Top.empty() && InCategories.empty(); }
};
// The plan for `root`, whose journals are in `journals`.
TSetAsidePlan PlanSetAside(ShellServices& shell, const std::string& root,
                           const std::string& journals, const TDistributionOptions& options);

// What the next distribution would move: the ticked entries this run has not moved yet, and the
// categories they go to.
struct TPlannedMoves {
    size_t Entries = 0;
    size_t Categories = 0;
    size_t AllUsers = 0; // of the entries, those of the all-users Programs folder
};
TPlannedMoves PlannedMoves();
// The final page's line about it.
std::string PlannedMovesText(const TPlannedMoves& plan);
// Whether distributing them asks for administrator rights (Windows' prompt): the all-users folder
// has work and this process has no such rights.
bool AsksForAdministrator(ShellServices& shell, const TPlannedMoves& plan);

// Moves every assigned entry that this run has not moved yet into the category folder of its own
// Programs folder: the user's entries in this process, with the user's rights; the all-users ones
// through the all-users step (all_users_step.h), which asks for administrator rights where this
// process has none. After each move that succeeded writes the entry's localized-name line, if
// its Programs folder's desktop.ini has one, into the category folder's desktop.ini, and records
// the move in the distribution's journal. No move is handed to the shell onto a name the category
// folder has already: the same shortcut there is moved into the distribution's keeping folder
// first, a program group is merged into its namesake item by item (its emptied folder removed), and
// anything else stays where it is and is named in the report. Nothing moves when the journal cannot
// be started, and the run stops where a step cannot be written to it. A Programs folder that
// refuses access (no administrator rights, or the user declines to give them) keeps its entries,
// with one message naming it, and the other folder's entries still move. An entry or category
// folder that is a folder link stays, and is named. Each other failed move shows its code and the
// loop goes on; a cancel in the shell's dialog stops it. A category folder that cannot be created
// for another reason throws EInOutError and stops the loop there. A category folder this
// distribution created and nothing reached is removed again, and the shell is told about every
// folder that changed.
TDistribution DistributeItems(ShellServices& shell, const TDistributionOptions& options = {});

// The message that ends a distribution; none when it did not start.
std::string DistributionReport(const TDistribution& result);

// One entry of a Programs folder to distribute.
struct TFolderEntry {
    std::string Name; // its name at the top of the Programs folder
    int32_t Category = 0;
    std::string Shown; // the name the report gives it
};

// Distributes entries of one Programs folder, `root`, by the rules of DistributeItems and sets
// aside what `plan` names, recording each step in `journal` and what came of it in `result`;
// `moved` tells, by entry, which were moved, `setAside` names the top-level entries put into
// keeping. Throws EInOutError as DistributeItems does, once it has tidied up.
void DistributeFolder(ShellServices& shell, const std::string& root,
                      const std::vector<TFolderEntry>& entries, const TSetAsidePlan& plan,
                      const TDistributionOptions& options, TJournalWriter& journal,
                      TDistribution& result, std::vector<bool>& moved,
                      std::vector<std::string>& setAside);
