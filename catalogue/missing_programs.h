// Shortcuts of removed programs, told apart with care: a shortcut is judged to be without a program
// only when its target is a path (not a shell object, an installer's advertised shortcut or an
// internet address) on a drive that is present, fixed and readable now, and the target is not
// there. A target on a missing or locked drive, a network share or a removable disk, and a
// shortcut whose target cannot be read, are never judged so.
#pragma once

#include "shell/shell_services.h"

#include <optional>
#include <string>
#include <vector>

// The judgement on a shortcut already read (nothing: it could not be read).
bool IsWithoutProgram(ShellServices& shell, const std::optional<TShortcutInfo>& shortcut);
// The judgement on the file at `path`: only a shell link (.lnk) can be without a program.
bool IsWithoutProgram(ShellServices& shell, const std::string& path);

// The shell links (.lnk) in the nine category folders of `programs` and the groups in them, by
// path: where shortcuts of removed programs are looked for. Only listed, none read.
std::vector<std::string> ShortcutsInCategories(ShellServices& shell, const std::string& programs);

// The shortcuts without a program in `folder` and in the folders directly inside it (a category
// folder and its program groups), by path.
std::vector<std::string> ShortcutsWithoutProgram(ShellServices& shell, const std::string& folder);
