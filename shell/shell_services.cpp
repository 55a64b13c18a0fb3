#include "shell/shell_services.h"

#include "texts/texts.h"

EInOutError::EInOutError(int code) : std::runtime_error(IoErrorText(code)), code_(code) {}

std::string IoErrorText(int code) {
    switch (code) {
    case ErrorFileNotFound:
        return Text(TText::FileNotFound);
    case ErrorPathNotFound:
        return Text(TText::InvalidFilename);
    case 4:
        return Text(TText::TooManyOpenFiles);
    case ErrorAccessDenied:
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

std::vector<TListedName> EntriesIn(ShellServices& shell, const std::string& folder) {
    std::vector<TListedName> entries;
    for (TListedName& listed :
         shell.ListFolderWithAttributes(folder + "\\*.*", ListAllAttributes)) {
        if (listed.Name != "." && listed.Name != "..")
            entries.push_back(std::move(listed));
    }
    return entries;
}

std::vector<std::string> NamesIn(ShellServices& shell, const std::string& folder) {
    std::vector<std::string> names;
    for (TListedName& entry : EntriesIn(shell, folder))
        names.push_back(std::move(entry.Name));
    return names;
}

bool ReportShellResult(ShellServices& shell, const ShellOpResult& result) {
    if (result.Succeeded())
        return true;
    if (!result.Aborted)
        shell.ShowMessage(std::to_string(result.Code));
    return false;
}

bool MoveHappened(ShellServices& shell, const std::string& from, const std::string& to) {
    return shell.PathExists(to) && !shell.PathExists(from);
}
