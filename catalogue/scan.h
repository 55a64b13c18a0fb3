// Fills the catalogue from the top level of the two Start-menu Programs folders.
#pragma once

#include <optional>
#include <string>

class ShellServices;

// The two Programs folders as the shell returned them, without a trailing "\". Nothing when the
// folder could not be located: such a folder is never scanned, copied or written to.
extern std::optional<std::string> CommonProgramsDir;
extern std::optional<std::string> UserProgramsDir;

// Appends one entry for each qualifying top-level name of `folder`, with `isUser` as its origin.
void ScanProgramsFolder(ShellServices& shell, const std::string& folder, bool isUser);

// Locates both Programs folders and scans them: the all-users folder first, then the user's.
void ScanStartMenu(ShellServices& shell);

// Empties the catalogue and forgets both folders (a fresh run's state; used by tools and tests).
void ResetCatalogue();
