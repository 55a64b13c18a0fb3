// The two folder actions: the backup copy of both Programs folders and the distribution of
// assigned entries into category folders.
#pragma once

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

// Copies the user's and the all-users Programs folders into `backupFolder` + "Programs\" and
// + "Common_Programs\", then says whether both copies were made. An unusable folder text is
// refused with a message before anything is created. A folder that cannot be created throws
// EInOutError and stops the action.
void MakeBackup(ShellServices& shell, const std::string& backupFolder);

// Moves every assigned entry into the category folder of its own Programs folder, and after each
// move that succeeded writes the entry's localized-name line, if its Programs folder's desktop.ini
// has one, into the category folder's desktop.ini. Returns true when every move and write
// succeeded; each failure shows its code and the loop goes on. A category folder that cannot be
// created throws EInOutError and stops the loop there.
bool DistributeItems(ShellServices& shell);
