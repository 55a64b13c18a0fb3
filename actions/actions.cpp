#include "actions/actions.h"

#include "actions/journal.h"
#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "shell/shell_services.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

const char* const BackupDoneText = "Резервная копия создана!";
const char* const BackupIncompleteText = "Резервная копия создана не полностью!";
const char* const BackupPathNotFullText = "Укажите полный путь к папке для резервной копии.";
const char* const BackupInsideStartMenuText =
    "Папка для резервной копии не может находиться внутри меню \"Пуск\".";
const char* const DistributedText = "Программы успешно распределены по категориям!";
const char* const DistributedIncompleteText =
    "Не все программы удалось распределить по категориям!";

namespace {

// Says whether a shell copy or move was done. A failure shows the code the operation returned; a
// cancel by the user shows nothing, but still counts as not done.
bool Report(ShellServices& shell, const ShellOpResult& result) {
    if (result.Succeeded())
        return true;
    if (!result.Aborted)
        shell.ShowMessage(std::to_string(result.Code));
    return false;
}

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
        for (const char* copy : {"Programs\\", "Common_Programs\\"}) {
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
    return Report(shell, shell.ShellFileOperation(ShellOp::Copy, *source + "\\*.*", target));
}

} // namespace

bool HoldsBackup(ShellServices& shell, const std::string& folder) {
    for (const char* copy : {"Programs\\", "Common_Programs\\"}) {
        for (const std::string& name : shell.ListFolder(folder + copy + "*.*", ListAllAttributes)) {
            if (name != "." && name != "..")
                return true;
        }
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
        shell.ShowMessage(BackupPathNotFullText);
        return false;
    }
    const std::string folder = backupFolder.back() == '\\' ? backupFolder : backupFolder + "\\";
    // Copying a folder into itself never ends, and a copy must not land in the Start menu.
    if (TouchesStartMenu(shell, folder)) {
        shell.ShowMessage(BackupInsideStartMenuText);
        return false;
    }
    // A copy over an older one would mix two states of the menu and replace the older files, the
    // ones worth keeping.
    if (HoldsBackup(shell, folder)) {
        shell.ShowMessage("В папке \"" + folder +
                          "\" уже есть резервная копия. Укажите, пожалуйста, другую папку.");
        return false;
    }
    const bool userCopied = CopyFolder(shell, UserProgramsDir, folder + "Programs\\");
    const bool commonCopied = CopyFolder(shell, CommonProgramsDir, folder + "Common_Programs\\");
    shell.ShowMessage(userCopied && commonCopied ? BackupDoneText : BackupIncompleteText);
    return userCopied && commonCopied;
}

namespace {

// What the shell or the file system says when a folder may not be changed: the system's code and
// the shell's own one for a source it may not touch (DE_ACCESSDENIEDSRC).
bool IsAccessDenied(unsigned code) {
    return code == 5 || code == 0x78;
}

} // namespace

TDistribution DistributeItems(ShellServices& shell) {
    TDistribution result;
    const auto rootOf = [](const TStartMenu& entry) -> const std::optional<std::string>& {
        return entry.IsUser ? UserProgramsDir : CommonProgramsDir;
    };
    const auto isAssigned = [&](const TStartMenu& entry) {
        return entry.Category >= 0 && entry.Category < CategoryCount && rootOf(entry);
    };
    for (const TStartMenu& entry : StartMenuItems)
        result.MovedBefore += isAssigned(entry) && entry.Moved;
    const auto isDue = [&](const TStartMenu& entry) { return isAssigned(entry) && !entry.Moved; };
    if (std::none_of(StartMenuItems.begin(), StartMenuItems.end(), isDue))
        return result;
    // Nothing is changed without a way back.
    std::optional<TJournalWriter> journal = TJournalWriter::Start(shell);
    if (!journal) {
        result.Complete = false;
        result.Stopped = true;
        return result;
    }
    // The names the Start menu shows for the files of each Programs folder, read before anything
    // moves. A moved entry's line is written into its category folder too; the line in the Programs
    // folder stays, so that an entry moved back gets its name again.
    const auto namesIn = [&](const std::optional<std::string>& root) {
        return root ? LocalizedFileNames(shell, *root) : std::map<std::string, std::string>();
    };
    const std::map<std::string, std::string> commonNames = namesIn(CommonProgramsDir);
    const std::map<std::string, std::string> userNames = namesIn(UserProgramsDir);
    std::map<std::string, bool> createdFolders; // category folder -> this distribution created it
    std::set<std::string> filled;               // category folders something was moved into
    std::set<std::string> refused;              // Programs folders this user may not change
    std::set<std::string> changed;
    // A Programs folder that refuses access keeps all its entries; the other one goes on.
    const auto refuse = [&](const std::string& root) {
        refused.insert(root);
        result.Complete = false;
        shell.ShowMessage("Папку \"" + root +
                          "\" может изменять только администратор, поэтому её программы остались "
                          "на месте. Чтобы распределить их, запустите Orvane от имени "
                          "администратора.");
    };
    const auto finish = [&] {
        // A category folder made for entries that did not arrive is not left empty.
        for (const auto& [folder, created] : createdFolders) {
            if (created && !filled.count(folder))
                shell.RemoveFolder(folder);
        }
        for (const std::string& folder : changed)
            shell.NotifyFolderChanged(folder);
    };
    try {
        for (TStartMenu& entry : StartMenuItems) {
            if (!isDue(entry) || refused.count(*rootOf(entry)))
                continue;
            const std::string& root = *rootOf(entry);
            const std::string target = root + "\\" + CategoryNames[entry.Category];
            if (!createdFolders.count(target)) {
                const bool existed = shell.FolderExists(target);
                if (!existed) {
                    try {
                        shell.CreateFolder(target);
                    } catch (const EInOutError& e) {
                        if (!IsAccessDenied(static_cast<unsigned>(e.Code())))
                            throw;
                        refuse(root);
                        continue;
                    }
                    changed.insert(root);
                }
                createdFolders[target] = !existed;
            }
            const std::string name = FileNameOf(entry.Path);
            TJournalMove move{entry.Path, target + "\\" + name, createdFolders[target]};
            const ShellOpResult moved =
                shell.ShellFileOperation(ShellOp::Move, move.OldPath, move.NewPath);
            if (moved.Aborted) {
                // The user cancelled the shell's dialog: the distribution stops here.
                result.Complete = false;
                break;
            }
            if (IsAccessDenied(moved.Code)) {
                refuse(root);
                continue;
            }
            if (!Report(shell, moved)) {
                result.Complete = false;
                continue;
            }
            if (!MoveHappened(shell, move.OldPath, move.NewPath)) {
                shell.ShowMessage("Не удалось переместить \"" + move.OldPath + "\".");
                result.Complete = false;
                continue;
            }
            entry.Moved = true;
            filled.insert(target);
            changed.insert(root);
            changed.insert(target);
            const std::map<std::string, std::string>& names =
                entry.IsUser ? userNames : commonNames;
            const auto line = names.find(shell.FoldedName(name));
            if (line != names.end()) {
                move.CreatedIni = !shell.PathExists(target + "\\desktop.ini");
                if (const unsigned code =
                        shell.WriteDesktopIni(target, FileNamesSection, name, line->second)) {
                    shell.ShowMessage(std::to_string(code));
                    result.Complete = false;
                } else {
                    move.IniKey = name;
                    move.IniValue = line->second;
                }
            }
            if (!journal->Append(shell, move)) {
                result.Complete = false;
                break;
            }
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return result;
}

std::string DistributionReport(const TDistribution& result) {
    if (result.Stopped)
        return std::string();
    std::string text = result.Complete ? DistributedText : DistributedIncompleteText;
    if (result.MovedBefore > 0)
        text += "\nПрограммы, перемещённые раньше (" + std::to_string(result.MovedBefore) +
                "), повторно не перемещались.";
    return text;
}
