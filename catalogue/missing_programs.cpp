#include "catalogue/missing_programs.h"

#include "catalogue/catalogue.h"

bool IsWithoutProgram(ShellServices& shell, const std::optional<TShortcutInfo>& shortcut) {
    return shortcut && !shortcut->Target.empty() && !shortcut->Advertised &&
           shortcut->Url.empty() && shell.ProbeTarget(shortcut->Target) == TTargetState::Missing;
}

bool IsWithoutProgram(ShellServices& shell, const std::string& path) {
    return AsciiLower(ExtensionOf(path)) == ".lnk" && !shell.FolderExists(path) &&
           IsWithoutProgram(shell, shell.ReadShortcut(path));
}

std::vector<std::string> ShortcutsWithoutProgram(ShellServices& shell, const std::string& folder) {
    std::vector<std::string> found;
    for (const std::string& name : NamesIn(shell, folder)) {
        const std::string path = folder + "\\" + name;
        if (shell.FolderExists(path)) {
            // A group inside the folder; a link to another folder is not followed.
            if (shell.IsFolderLink(path))
                continue;
            for (const std::string& item : NamesIn(shell, path)) {
                if (IsWithoutProgram(shell, path + "\\" + item))
                    found.push_back(path + "\\" + item);
            }
        } else if (IsWithoutProgram(shell, path)) {
            found.push_back(path);
        }
    }
    return found;
}
