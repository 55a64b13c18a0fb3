#include "shell/shell_services.h"

EInOutError::EInOutError(int code) : std::runtime_error(IoErrorText(code)), code_(code) {}

std::string IoErrorText(int code) {
    switch (code) {
    case 2:
        return "File not found";
    case 3:
        return "Invalid filename";
    case 4:
        return "Too many open files";
    case 5:
        return "File access denied";
    case 100:
        return "Read beyond end of file";
    case 101:
        return "Disk full";
    case 106:
        return "Invalid numeric input";
    default:
        return "I/O error " + std::to_string(code);
    }
}

std::string ErrorBoxText(const std::string& text) {
    if (!text.empty() && static_cast<unsigned char>(text.back()) <= '.')
        return text;
    return text + ".";
}

void OpenLink(ShellServices& shell, const std::string& target) {
    if (shell.IsElevated() && shell.OpenThroughDesktopShell(target))
        return;
    shell.OpenInShell(target);
}
