// The two folder actions: the backup copy of both Programs folders and the distribution of
// assigned entries into category folders.
#pragma once

#include <cstddef>
#include <string>

class ShellServices;

// The default backup folder's name, beside the executable.
constexpr const char* DefaultBackupFolderName = "backup";

extern const char* const BackupDoneText;
extern const char* const BackupIncompleteText;
extern const char* const BackupPathNotFullText;
extern const char* const BackupInsideStartMenuText;
extern const char* const DistributedText;
extern const char* const DistributedIncompleteText;

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
};

// Moves every assigned entry that this run has not moved yet into the category folder of its own
// Programs folder, and after each move that succeeded writes the entry's localized-name line, if
// its Programs folder's desktop.ini has one, into the category folder's desktop.ini, and records
// the move in the distribution's journal. Nothing moves when the journal cannot be started. A
// Programs folder that refuses access (no administrator rights) keeps its entries, with one
// message naming it, and the other folder's entries still move. Each other failed move shows its
// code and the loop goes on; a cancel in the shell's dialog stops it. A category folder that
// cannot be created for another reason throws EInOutError and stops the loop there. A category
// folder this distribution created and nothing reached is removed again, and the shell is told
// about every folder that changed.
TDistribution DistributeItems(ShellServices& shell);

// The message that ends a distribution; none when it stopped before it began.
std::string DistributionReport(const TDistribution& result);
