#include "catalogue/scan.h"

#include "catalogue/catalogue.h"
#include "shell/shell_services.h"

#include <algorithm>
#include <map>
#include <set>

std::optional<std::string> CommonProgramsDir;
std::optional<std::string> UserProgramsDir;

// A folder path is joined with a name after being cut to this many characters.
constexpr size_t FolderPathLimit = 255;

namespace {

// The category names as the file system compares names: Windows takes "ИГРЫ" for the "Игры"
// folder.
std::set<std::string> FoldedCategoryNames(ShellServices& shell) {
    std::set<std::string> names;
    for (const std::string& category : CategoryNames)
        names.insert(shell.FoldedName(category));
    return names;
}

bool IsIniFile(const std::string& name) {
    return AsciiLower(ExtensionOf(name)) == ".ini";
}

// The shell's own folders that can be located, spelled for comparison. The system relies on them
// where they are: they are never listed, so never moved.
std::set<std::string> ShellOwnFolders(ShellServices& shell) {
    std::set<std::string> folders;
    for (int csidl : ShellOwnFolderIds) {
        const std::optional<std::string> folder = shell.GetSpecialFolder(csidl);
        if (folder && !folder->empty())
            folders.insert(shell.ComparablePath(*folder));
    }
    return folders;
}

// A listed name of a Programs folder with its spelling for comparison, and whether it is a folder
// that can have a desktop.ini of its own: one marked read-only or system, as the shell marks
// those whose desktop.ini it reads.
struct TListedEntry {
    std::string Name;
    std::string Folded;
    bool CanNameItself = false;
};

// The entry's own name from its desktop.ini (asked of a folder that can have one), or failing that
// the line of its folded name among the names of the files its Programs folder holds; empty when
// neither resolves.
std::string LocalizedNameOf(ShellServices& shell, const std::string& path,
                            const TListedEntry& entry,
                            const std::map<std::string, std::string>& fileNames) {
    if (entry.CanNameItself) {
        const std::string nameKey = shell.FoldedName(FolderNameKey);
        for (const auto& [key, value] : shell.DesktopIniSection(path, FolderInfoSection)) {
            if (shell.FoldedName(key) == nameKey) {
                if (const std::optional<std::string> name = shell.ResolveLocalizedName(value))
                    return *name;
            }
        }
    }
    const auto line = fileNames.find(entry.Folded);
    if (line != fileNames.end()) {
        if (const std::optional<std::string> name = shell.ResolveLocalizedName(line->second))
            return *name;
    }
    return std::string();
}

// The entries of `folder` that the scan lists (see ListedNames).
std::vector<TListedEntry> ListedEntries(ShellServices& shell, const std::string& folder,
                                        const std::set<std::string>& shellFolders) {
    const std::set<std::string> categories = FoldedCategoryNames(shell);
    // A listed name is the entry's long name, so the folder's spelling for comparison plus the
    // folded name is the entry's.
    const std::string comparableFolder = shell.ComparablePath(folder) + "\\";
    std::vector<TListedEntry> entries;
    for (TListedName& listed : EntriesIn(shell, folder)) {
        if (IsIniFile(listed.Name))
            continue;
        std::string folded = shell.FoldedName(listed.Name);
        if (categories.count(folded) ||
            (!shellFolders.empty() && shellFolders.count(comparableFolder + folded)))
            continue;
        const bool marked = (listed.Attributes & DirectoryAttribute) &&
                            (listed.Attributes & (ReadOnlyAttribute | SystemAttribute));
        entries.push_back({std::move(listed.Name), std::move(folded), marked});
    }
    return entries;
}

void Scan(ShellServices& shell, const std::string& folder, bool isUser,
          const std::set<std::string>& shellFolders) {
    const std::string prefix = Utf8Prefix(folder, FolderPathLimit) + "\\";
    const std::map<std::string, std::string> fileNames = LocalizedFileNames(shell, folder);
    for (const TListedEntry& entry : ListedEntries(shell, folder, shellFolders)) {
        std::string path = prefix + entry.Name;
        std::string localized = LocalizedNameOf(shell, path, entry, fileNames);
        StartMenuItems.push_back({std::move(path), NoCategory, isUser, std::move(localized)});
    }
}

} // namespace

std::vector<std::string> ListedNames(ShellServices& shell, const std::string& folder,
                                     const std::set<std::string>& shellFolders) {
    std::vector<std::string> names;
    for (TListedEntry& entry : ListedEntries(shell, folder, shellFolders))
        names.push_back(std::move(entry.Name));
    return names;
}

std::map<std::string, std::string> LocalizedFileNames(ShellServices& shell,
                                                      const std::string& folder) {
    std::map<std::string, std::string> lines;
    for (const auto& [key, value] : shell.DesktopIniSection(folder, FileNamesSection))
        lines.emplace(shell.FoldedName(key), value);
    return lines;
}

void ScanProgramsFolder(ShellServices& shell, const std::string& folder, bool isUser) {
    Scan(shell, folder, isUser, ShellOwnFolders(shell));
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
    const std::set<std::string> shellFolders = ShellOwnFolders(shell);
    if (CommonProgramsDir)
        Scan(shell, *CommonProgramsDir, false, shellFolders);
    UserProgramsDir = LocateFolder(shell, CSIDL_PROGRAMS_ID);
    if (UserProgramsDir)
        Scan(shell, *UserProgramsDir, true, shellFolders);
}

void ResetCatalogue() {
    StartMenuItems.clear();
    CurrentCategory = 0;
    CommonProgramsDir.reset();
    UserProgramsDir.reset();
}
