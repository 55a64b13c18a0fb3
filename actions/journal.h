// The journal each distribution keeps of its moves: the only code that writes or reads its lines.
//
// A journal is a UTF-8 text file in the user's local application data (Orvane\), one file per
// distribution, named by its start time (UTC) so that names sort as the distributions ran. Each
// line is one record, its fields separated by tabs (Windows allows neither tabs nor line breaks in
// names):
//   OLD PATH, NEW PATH, FOLDER, INI LINE, INI FILE   a move the distribution made; FOLDER is 1
//                           when the distribution created the category folder, INI LINE the
//                           key=value line it wrote into the category folder's desktop.ini (empty:
//                           none), INI FILE 1 when that write created the desktop.ini
//   removed, FOLDER         the distribution removed a program group's folder that a merge into
//                           its namesake in the category folder had emptied
//   undone, N               record N (counted from 0) was undone
//   kept, N, REASON         record N was left as it is for good: the user changed its entry or took
//                           its old name after the distribution, or the record does not belong to
//                           the Start menu
// An entry that the distribution found already in its category folder (the same shortcut) is
// moved first into the distribution's keeping folder (KeepingFolderOf), a record of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class ShellServices;

// A journal larger than this is not read at all.
constexpr uint64_t JournalSizeLimit = uint64_t(16) << 20;

// One move a distribution made.
struct TJournalMove {
    std::string OldPath;
    std::string NewPath;
    bool CreatedFolder = false; // the distribution created the category folder
    std::string IniKey;         // the desktop.ini line written into the category folder ...
    std::string IniValue;       // ... (no key: none)
    bool CreatedIni = false;    // that write created the category folder's desktop.ini
};

enum class TRecordKind {
    Move,   // an entry moved from OldPath to NewPath
    Removal // the folder OldPath, emptied by a merge, was removed
};
enum class TRecordState { Pending, Undone, Kept };

struct TRecord {
    TRecordKind Kind = TRecordKind::Move;
    TJournalMove Move;
    TRecordState State = TRecordState::Pending;
};

// A journal, written as it goes: each line is flushed to the disk before the next step.
class TJournalWriter {
public:
    // Starts a new journal file; on failure shows why (nothing may be moved then) and returns
    // nothing.
    static std::optional<TJournalWriter> Start(ShellServices& shell);
    // An existing journal, for the undo's marks.
    static TJournalWriter Continue(std::string path) { return TJournalWriter(std::move(path)); }

    // Appends the record of a move that succeeded; on failure shows why (the distribution stops)
    // and returns false.
    [[nodiscard]] bool Append(ShellServices& shell, const TJournalMove& move);
    // The same for a folder the distribution removed.
    [[nodiscard]] bool AppendRemoval(ShellServices& shell, const std::string& folder);
    // Marks record `n` as undone, or as left for good with a reason. Returns the OS error code, 0
    // on success.
    [[nodiscard]] unsigned MarkUndone(ShellServices& shell, size_t n);
    [[nodiscard]] unsigned MarkKept(ShellServices& shell, size_t n, const std::string& reason);

    const std::string& Path() const { return path_; }
    // Where this distribution keeps the entries it replaced: the folder named after the journal
    // in %LOCALAPPDATA%\Orvane\replaced.
    std::string KeepingFolder() const;

private:
    explicit TJournalWriter(std::string path) : path_(std::move(path)) {}
    [[nodiscard]] unsigned WriteLine(ShellServices& shell, const std::string& line);
    [[nodiscard]] bool WriteStep(ShellServices& shell, const std::string& line,
                                 const std::string& what);
    std::string path_;
};

// The records of a journal's text. Lines with missing, extra or malformed fields are ignored, and
// so are marks whose number is not that of an earlier record.
std::vector<TRecord> ParseJournal(const std::string& text);

// The journal files, newest first.
std::vector<std::string> JournalPaths(ShellServices& shell);

// A journal's records; nothing when it cannot be read or is larger than JournalSizeLimit (then
// its path is added to `skipped`, when given).
std::optional<std::vector<TRecord>> ReadJournal(ShellServices& shell, const std::string& path,
                                                std::vector<std::string>* skipped = nullptr);

// The folder a distribution keeps the entries it replaced in: one per journal.
std::string KeepingFolderOf(const std::string& journalPath);

// The name of the folder inside the journals' folder that holds the keeping folders.
constexpr const char* KeepingFolderName = "replaced";
