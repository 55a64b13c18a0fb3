// The two folder actions: the backup copy of both Programs folders and the distribution of
// assigned entries into category folders.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class ShellServices;
struct ShellOpResult;

// The default backup folder's name, beside the executable.
constexpr const char* DefaultBackupFolderName = "backup";

// Says whether a shell copy or move was done. A failure shows the code the operation returned; a
// cancel by the user shows nothing, but still counts as not done.
bool ReportShellResult(ShellServices& shell, const ShellOpResult& result);

// True when `folder` (ending in "\") holds a backup: its "Programs\" or "Common_Programs\"
// folder holds anything.
bool HoldsBackup(ShellServices& shell, const std::string& folder);

// The backup folder offered beside the executable, without a trailing "\": `appDir` + "backup",
// or where that holds a backup, the first of "backup 2", "backup 3", ... that holds none.
std::string DefaultBackupFolder(ShellServices& shell, const std::string& appDir);

// Copies the user's and the all-users Programs folders into `backupFolder` + "Programs\" and
// + "Common_Programs\", then says whether both copies were made, and returns that. An unusable
// folder text, or a folder that holds a backup already (a copy into it would mix two states), is
// refused with a message before anything is created. A folder that cannot be created throws
// EInOutError and stops the action.
bool MakeBackup(ShellServices& shell, const std::string& backupFolder);

// What a distribution did.
struct TDistribution {
    bool Complete = true;   // every entry due was moved and named in its category folder
    bool Stopped = false;   // nothing moved: the journal could not be started (and said why)
    size_t MovedBefore = 0; // assigned entries this run had moved already: left where they are
    std::vector<std::string> Stayed; // why each entry that stayed at the top did, for the report
};

// What the next distribution would move: the ticked entries this run has not moved yet, and the
// categories they go to.
struct TPlannedMoves {
    size_t Entries = 0;
    size_t Categories = 0;
};
TPlannedMoves PlannedMoves();
// The final page's line about it.
std::string PlannedMovesText(const TPlannedMoves& plan);

// Moves every assigned entry that this run has not moved yet into the category folder of its own
// Programs folder, and after each move that succeeded writes the entry's localized-name line, if
// its Programs folder's desktop.ini has one, into the category folder's desktop.ini, and records
// the move in the distribution's journal. No move is handed to the shell onto a name the category
// folder has already: the same shortcut there is moved into the distribution's keeping folder
// first, a program group is merged into its namesake item by item (its emptied folder removed), and
// anything else stays where it is and is named in the report. Nothing moves when the journal cannot
// be started. A Programs folder that refuses access (no administrator rights) keeps its entries,
// with one message naming it, and the other folder's entries still move. Each other failed move
// shows its code and the loop goes on; a cancel in the shell's dialog stops it. A category folder
// that cannot be created for another reason throws EInOutError and stops the loop there. A category
// folder this distribution created and nothing reached is removed again, and the shell is told
// about every folder that changed.
TDistribution DistributeItems(ShellServices& shell);

// The message that ends a distribution; none when it stopped before it began.
std::string DistributionReport(const TDistribution& result);
