// libFuzzer target: the scan's name rules, DisplayName and the backup-folder checks on arbitrary
// bytes. Runs under AddressSanitizer and UBSan; any crash, sanitizer report or broken rule aborts.
#include "actions/backup.h"
#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "support/fake_shell.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void Check(bool condition) {
    if (!condition)
        abort();
}

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        parts.push_back(text.substr(start, end - start));
    parts.push_back(text.substr(start));
    return parts;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> names = Split(input);

    for (const std::string& name : names) {
        const std::string display = DisplayName(name);
        const std::string file = FileNameOf(name);
        // The caption is the start of the file name, never longer.
        Check(file.compare(0, display.size(), display) == 0);
        Check(Utf8Length(display) <= Utf8Length(file));
        Check(Utf8Length(Utf8Prefix(name, 255)) <= 255);
    }

    ResetCatalogue();
    FakeShell shell;
    const std::string folder = names.front();
    shell.specialFolders[CSIDL_COMMON_PROGRAMS_ID] = folder;
    shell.specialFolders[CSIDL_PROGRAMS_ID] = folder + "u";
    // A folder listing never returns names holding "\\" or ":".
    std::vector<std::string>& listed = shell.listings[folder + "\\*.*"];
    for (const std::string& name : names) {
        if (name.find_first_of("\\:") == std::string::npos)
            listed.push_back(name);
    }
    ScanStartMenu(shell);
    for (const TStartMenu& entry : StartMenuItems) {
        const std::string name = FileNameOf(entry.Path);
        Check(entry.Category == NoCategory && !entry.IsUser);
        Check(name != "." && name != "..");
    }

    // Whatever text the user typed, the backup either refuses it or works below that folder.
    shell.calls.clear();
    MakeBackup(shell, input);
    for (const std::string& call : shell.calls)
        Check(call.rfind("ShowMessage(", 0) == 0 || call.find(input) != std::string::npos);
    ResetCatalogue();
    return 0;
}
