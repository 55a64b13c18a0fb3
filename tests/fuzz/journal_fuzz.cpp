// libFuzzer target: arbitrary bytes as a journal in the user's journal folder. Every path a record
// names is put on the fake disk, so that the undo would act on it if it trusted the record; the
// undo, its button state and the earlier choices must never touch anything outside the two
// Programs folders and the journal folder, nor crash. Runs under AddressSanitizer and UBSan.
#include "actions/earlier_choices.h"
#include "actions/journal.h"
#include "actions/undo.h"
#include "catalogue/scan.h"
#include "support/fake_shell.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

const std::string Common = "C:\\ProgramData\\Programs";
const std::string User = "C:\\Users\\Ann\\Programs";
const std::string LocalAppData = "C:\\Users\\Ann\\Local";

void Check(bool condition) {
    if (!condition)
        abort();
}

// Inside `folder`, its name spelled in any letter case, as Windows compares paths, and every name
// below it one that Windows takes as it stands: no "." or "..", nothing it would trim. A name that
// merely starts with dots ("..Утилиты") is an ordinary folder inside.
bool Inside(FakeShell& shell, const std::string& path, const std::string& folder) {
    const std::string folded = shell.FoldedName(path);
    if (folded.compare(0, folder.size() + 1, shell.FoldedName(folder) + "\\") != 0)
        return false;
    const std::vector<std::string> names = Split(path.substr(folder.size() + 1), '\\');
    return std::all_of(names.begin(), names.end(), IsPlainName);
}

bool InMenu(FakeShell& shell, const std::string& path) {
    return Inside(shell, path, Common) || Inside(shell, path, User) ||
           Inside(shell, path, LocalAppData + "\\Orvane");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    ResetCatalogue();
    CommonProgramsDir = Common;
    UserProgramsDir = User;
    FakeShell shell;
    shell.specialFolders[CSIDL_LOCAL_APPDATA_ID] = LocalAppData;
    shell.folders = {LocalAppData, LocalAppData + "\\Orvane", Common, User};
    const std::string journal = LocalAppData + "\\Orvane\\2026-01-01 00.00.00.000.txt";
    shell.textFiles[journal] = text;
    for (const TRecord& record : ParseJournal(text)) {
        if (!record.Move.NewPath.empty())
            shell.files.insert(record.Move.NewPath);
        else
            shell.folders.insert(record.Move.OldPath);
    }

    CanUndo(shell);
    EarlierChoices(shell);
    const TUndoResult result = UndoLastDistribution(shell);
    Check(result.MovedBack <= result.Tried);
    UndoReport(result);
    for (const std::string& call : shell.calls) {
        if (call.rfind("Move(", 0) == 0) {
            const size_t arrow = call.find(" -> ");
            Check(InMenu(shell, call.substr(5, arrow - 5)));
            Check(InMenu(shell, call.substr(arrow + 4, call.size() - arrow - 5)));
        }
        for (const char* change :
             {"RemoveFolder(", "CreateFolder(", "RemoveDesktopIniLine(", "WriteDesktopIni("}) {
            if (call.rfind(change, 0) == 0)
                Check(InMenu(shell, call.substr(std::string(change).size())));
        }
    }
    ResetCatalogue();
    return 0;
}
