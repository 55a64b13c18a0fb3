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

std::vector<std::string> ShortcutsInCategories(ShellServices& shell, const std::string& programs) {
    std::vector<std::string> found;
    const auto add = [&](const std::string& folder, const std::string& name) {
        if (AsciiLower(ExtensionOf(name)) == ".lnk")
            found.push_back(folder + "\\" + name);
    };
    for (const std::string& category : CategoryNames) {
        const std::string folder = programs + "\\" + category;
        if (!shell.FolderExists(folder) || shell.IsFolderLink(folder))
            continue;
        for (const std::string& name : NamesIn(shell, folder)) {
            const std::string path = folder + "\\" + name;
            if (!shell.FolderExists(path)) {
                add(folder, name);
            } else if (!shell.IsFolderLink(path)) {
                for (const std::string& item : NamesIn(shell, path))
                    add(path, item);
            }
        }
    }
    return found;
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
