#include "shell/shell_services.h"

#include "texts/texts.h"

EInOutError::EInOutError(int code) : std::runtime_error(IoErrorText(code)), code_(code) {}

std::string IoErrorText(int code) {
    switch (code) {
    case 2:
        return Text(TText::FileNotFound);
    case 3:
        return Text(TText::InvalidFilename);
    case 4:
        return Text(TText::TooManyOpenFiles);
    case 5:
        return Text(TText::FileAccessDenied);
    case 100:
        return Text(TText::ReadBeyondEnd);
    case 101:
        return Text(TText::DiskFull);
    case 106:
        return Text(TText::InvalidNumericInput);
    default:
        return Text(TText::IoError, {std::to_string(code)});
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
