#include "actions/backup.h"

#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "shell/shell_services.h"
#include "texts/texts.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

// The two copies inside a backup folder: the user's Programs folder and the all-users one.
constexpr const char* UserCopyFolder = "Programs";
constexpr const char* CommonCopyFolder = "Common_Programs";

bool IsAsciiLetter(char ch) {
    return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z');
}

// A full path: a drive letter with "\" or a UNC path (\\server\share), with no characters that
// Windows forbids in names and no "." or ".." steps, which would make it relative again.
bool IsFullPath(const std::string& text) {
    std::string rest;
    if (text.size() >= 3 && IsAsciiLetter(text[0]) && text[1] == ':' && text[2] == '\\') {
        rest = text.substr(3);
    } else if (text.size() > 2 && text[0] == '\\' && text[1] == '\\') {
        rest = text.substr(2);
        const std::vector<std::string> parts = Split(rest, '\\');
        if (parts.size() < 2 || parts[0].empty() || parts[1].empty())
            return false;
    } else {
        return false;
    }
    for (char ch : rest) {
        if (static_cast<unsigned char>(ch) < 0x20 ||
            std::string("<>:\"|?*/").find(ch) != std::string::npos)
            return false;
    }
    for (const std::string& part : Split(rest, '\\')) {
        if (part == "." || part == "..")
            return false;
    }
    return true;
}

std::string WithSeparator(std::string path) {
    while (!path.empty() && path.back() == '\\')
        path.pop_back();
    return path + "\\";
}

// True when `inner` is `outer` or lies inside it, however either is spelled.
bool IsWithin(ShellServices& shell, const std::string& inner, const std::string& outer) {
    const std::string i = WithSeparator(shell.ComparablePath(inner));
    const std::string o = WithSeparator(shell.ComparablePath(outer));
    return i.compare(0, o.size(), o) == 0;
}

// True when a backup into `folder` would copy into the Start menu: the folder lies inside a
// Programs folder, or one of its two copies would land on, inside or around one.
bool TouchesStartMenu(ShellServices& shell, const std::string& folder) {
    for (const std::optional<std::string>& programs : {UserProgramsDir, CommonProgramsDir}) {
        if (!programs)
            continue;
        if (IsWithin(shell, folder, *programs))
            return true;
        for (const char* copy : {UserCopyFolder, CommonCopyFolder}) {
            if (IsWithin(shell, folder + copy, *programs) ||
                IsWithin(shell, *programs, folder + copy))
                return true;
        }
    }
    return false;
}

// Copies the content of a Programs folder into `target`, creating `target` (one level) first.
bool CopyFolder(ShellServices& shell, const std::optional<std::string>& source,
                const std::string& target) {
    if (!shell.FolderExists(target))
        shell.CreateFolder(target);
    // A folder that could not be located is not copied: the backup is then incomplete.
    if (!source)
        return false;
    return ReportShellResult(shell,
                             shell.ShellFileOperation(ShellOp::Copy, *source + "\\*.*", target));
}

} // namespace

bool HoldsBackup(ShellServices& shell, const std::string& folder) {
    for (const char* copy : {UserCopyFolder, CommonCopyFolder}) {
        if (!NamesIn(shell, folder + copy).empty())
            return true;
    }
    return false;
}

std::string DefaultBackupFolder(ShellServices& shell, const std::string& appDir) {
    std::string folder = appDir + DefaultBackupFolderName;
    for (int n = 2; HoldsBackup(shell, folder + "\\") && n < 10000; ++n)
        folder = appDir + DefaultBackupFolderName + " " + std::to_string(n);
    return folder;
}

bool MakeBackup(ShellServices& shell, const std::string& backupFolder) {
    if (!IsFullPath(backupFolder)) {
        shell.ShowMessage(Text(TText::BackupPathNotFull));
        return false;
    }
    const std::string folder = backupFolder.back() == '\\' ? backupFolder : backupFolder + "\\";
    // Copying a folder into itself never ends, and a copy must not land in the Start menu.
    if (TouchesStartMenu(shell, folder)) {
        shell.ShowMessage(Text(TText::BackupInsideStartMenu));
        return false;
    }
    // A copy over an older one would mix two states of the menu and replace the older files, the
    // ones worth keeping.
    if (HoldsBackup(shell, folder)) {
        shell.ShowMessage(Text(TText::BackupFolderHoldsBackup, {folder}));
        return false;
    }
    const bool userCopied = CopyFolder(shell, UserProgramsDir, folder + UserCopyFolder + "\\");
    const bool commonCopied =
        CopyFolder(shell, CommonProgramsDir, folder + CommonCopyFolder + "\\");
    shell.ShowMessage(
        Text(userCopied && commonCopied ? TText::BackupDone : TText::BackupIncomplete));
    return userCopied && commonCopied;
}
