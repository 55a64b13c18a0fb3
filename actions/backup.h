// The backup copy of both Programs folders, made before the distribution so that the menu can be
// restored by hand.
#pragma once

#include <string>

class ShellServices;

// The default backup folder's name, beside the executable.
constexpr const char* DefaultBackupFolderName = "backup";

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
