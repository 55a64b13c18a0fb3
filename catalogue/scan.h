// Fills the catalogue from the top level of the two Start-menu Programs folders.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

class ShellServices;

// The two Programs folders as the shell returned them, without a trailing "\". Nothing when the
// folder could not be located: such a folder is never scanned, copied or written to.
extern std::optional<std::string> CommonProgramsDir;
extern std::optional<std::string> UserProgramsDir;

// Appends one entry for each qualifying top-level name of `folder`, with `isUser` as its origin:
// every name but "." and "..", .ini files, category folders in any letter case and the shell's own
// folders. Each entry gets its localized name from desktop.ini where it has one.
void ScanProgramsFolder(ShellServices& shell, const std::string& folder, bool isUser);

// The names of `folder` that the scan lists: every name but .ini files, category folders in any
// letter case and the shell's own folders (`shellFolders`, spelled by ComparablePath).
std::vector<std::string> ListedNames(ShellServices& shell, const std::string& folder,
                                     const std::set<std::string>& shellFolders);

// The [LocalizedFileNames] lines of `folder`'s desktop.ini, by folded file name.
std::map<std::string, std::string> LocalizedFileNames(ShellServices& shell,
                                                      const std::string& folder);

// Locates both Programs folders and scans them: the all-users folder first, then the user's.
void ScanStartMenu(ShellServices& shell);

// Empties the catalogue and forgets both folders (a fresh run's state; used by tools and tests).
void ResetCatalogue();
