#include "catalogue/scan.h"

#include "catalogue/catalogue.h"
#include "shell/shell_services.h"

#include <algorithm>

std::optional<std::string> CommonProgramsDir;
std::optional<std::string> UserProgramsDir;

// A folder path is joined with a name after being cut to this many characters.
constexpr size_t FolderPathLimit = 255;

static bool IsCategoryName(const std::string& name) {
    return std::find(CategoryNames.begin(), CategoryNames.end(), name) != CategoryNames.end();
}

static bool IsIniFile(const std::string& name) {
    return AsciiLower(ExtensionOf(name)) == ".ini";
}

void ScanProgramsFolder(ShellServices& shell, const std::string& folder, bool isUser) {
    const std::string prefix = Utf8Prefix(folder, FolderPathLimit) + "\\";
    for (const std::string& name : shell.ListFolder(folder + "\\*.*", ListAllAttributes)) {
        if (name == "." || name == ".." || IsCategoryName(name) || IsIniFile(name))
            continue;
        StartMenuItems.push_back({prefix + name, NoCategory, isUser});
    }
}

// The folder's location, or nothing when the shell cannot tell it: an empty path would make the
// scan list the current drive's root.
static std::optional<std::string> LocateFolder(ShellServices& shell, int csidl) {
    std::optional<std::string> path = shell.GetSpecialFolder(csidl);
    if (path && path->empty())
        path.reset();
    return path;
}

void ScanStartMenu(ShellServices& shell) {
    CommonProgramsDir = LocateFolder(shell, CSIDL_COMMON_PROGRAMS_ID);
    if (CommonProgramsDir)
        ScanProgramsFolder(shell, *CommonProgramsDir, false);
    UserProgramsDir = LocateFolder(shell, CSIDL_PROGRAMS_ID);
    if (UserProgramsDir)
        ScanProgramsFolder(shell, *UserProgramsDir, true);
}

void ResetCatalogue() {
    StartMenuItems.clear();
    CurrentCategory = 0;
    CommonProgramsDir.reset();
    UserProgramsDir.reset();
}
