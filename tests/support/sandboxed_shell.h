// The real Windows shell over Programs folders, a local application data folder (where the user's
// journals go) and a machine's application data folder (the all-users step's) of a test's own,
// with messages recorded instead of shown. With
// `performShellOperations` off, copies and moves are recorded and reported as done without touching
// the disk (for backup texts whose copy would run into its own target).
#pragma once

#include "shell/windows_shell.h"

#include <optional>
#include <string>
#include <vector>

class SandboxedShell : public WindowsShell {
public:
    std::optional<std::string> common, user; // the Programs folders; the shell's own: none
    std::optional<std::string> localAppData;
    std::optional<std::string> programData; // none: the machine's own
    std::vector<std::string> messages;
    std::vector<std::string> operations;
    bool performShellOperations = true;

    std::optional<std::string> GetSpecialFolder(int csidl) override {
        if (csidl == CSIDL_COMMON_PROGRAMS_ID)
            return common;
        if (csidl == CSIDL_LOCAL_APPDATA_ID)
            return localAppData;
        return csidl == CSIDL_PROGRAMS_ID ? user : std::nullopt;
    }
    // The all-users step finds the all-users folder from the machine's settings: here, the test's.
    std::optional<std::string> MachineFolder(TMachineFolder folder) override {
        if (folder == TMachineFolder::CommonPrograms)
            return common;
        if (folder == TMachineFolder::ProgramData && programData)
            return programData;
        return WindowsShell::MachineFolder(folder);
    }
    ShellOpResult ShellFileOperation(ShellOp op, const std::string& from,
                                     const std::string& to) override {
        operations.push_back((op == ShellOp::Copy ? "copy " : "move ") + from + " -> " + to);
        if (!performShellOperations)
            return {};
        return WindowsShell::ShellFileOperation(op, from, to);
    }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
};
