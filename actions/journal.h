// The journal each distribution keeps of its moves: the only code that writes or reads its lines.
//
// A journal is a UTF-8 text file, one file per distribution and Programs folder: the user's in the
// user's local application data (Orvane\), the all-users folder's in the machine's application
// data (Orvane\, a folder only administrators may change). It is named by the distribution's start
// time (UTC), so that names sort as the distributions ran and a distribution's two journals share
// their name. Each
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
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class ShellServices;
class TAppendFile;

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

// The two kinds of journal, by the Programs folder whose moves they hold.
enum class TJournalKind { User, AllUsers };

// The folder a kind of journal is kept in; nothing when it cannot be located.
std::optional<std::string> JournalFolder(ShellServices& shell, TJournalKind kind);

// A new journal's file name: now, to the millisecond.
std::string NewJournalName();
// Whether a file name is a journal's: "YYYY-MM-DD HH.MM.SS.mmm.txt".
bool IsJournalName(const std::string& name);

// A journal, opened once and written through its handle as it goes: each line is flushed to the
// disk before the next step.
class TJournalWriter {
public:
    // Starts a new journal file in `folder` (made where missing), named `name` where that is a
    // journal's name and free, else by the time now; on failure shows why (nothing may be moved
    // then) and returns nothing.
    static std::optional<TJournalWriter> Start(ShellServices& shell, const std::string& folder,
                                               const std::string& name = std::string());
    // The same in the folder of a kind of journal.
    static std::optional<TJournalWriter> Start(ShellServices& shell, TJournalKind kind,
                                               const std::string& name = std::string());
    // An existing journal, for the undo's marks; nothing when it cannot be opened (`code` says
    // why).
    static std::optional<TJournalWriter> Continue(ShellServices& shell, const std::string& path,
                                                  unsigned& code);
    TJournalWriter(TJournalWriter&&) noexcept;
    TJournalWriter& operator=(TJournalWriter&&) noexcept;
    ~TJournalWriter();

    // Appends the record of a move that succeeded; on failure shows why (the distribution stops)
    // and returns false.
    [[nodiscard]] bool Append(ShellServices& shell, const TJournalMove& move);
    // The same for a folder the distribution removed.
    [[nodiscard]] bool AppendRemoval(ShellServices& shell, const std::string& folder);
    // Marks record `n` as undone, or as left for good with a reason. Returns the OS error code, 0
    // on success.
    [[nodiscard]] unsigned MarkUndone(size_t n);
    [[nodiscard]] unsigned MarkKept(size_t n, const std::string& reason);

    const std::string& Path() const { return path_; }
    // Where this distribution keeps the entries it replaced: the folder named after the journal
    // in %LOCALAPPDATA%\Orvane\replaced.
    std::string KeepingFolder() const;

private:
    TJournalWriter(std::string path, std::unique_ptr<TAppendFile> file);
    [[nodiscard]] unsigned WriteLine(const std::string& line);
    [[nodiscard]] bool WriteStep(ShellServices& shell, const std::string& line,
                                 const std::string& what);
    std::string path_;
    std::unique_ptr<TAppendFile> file_;
};

// The records of a journal's text. Lines with missing, extra or malformed fields are ignored, and
// so are marks whose number is not that of an earlier record.
std::vector<TRecord> ParseJournal(const std::string& text);

// The journal files in `folder`, newest first.
std::vector<std::string> JournalPaths(ShellServices& shell, const std::string& folder);
// Those of a kind.
std::vector<std::string> JournalPaths(ShellServices& shell, TJournalKind kind);

// A journal's records; nothing when it cannot be read or is larger than JournalSizeLimit (then
// its path is added to `skipped`, when given).
std::optional<std::vector<TRecord>> ReadJournal(ShellServices& shell, const std::string& path,
                                                std::vector<std::string>* skipped = nullptr);

// The folder a distribution keeps the entries it replaced in: one per journal.
std::string KeepingFolderOf(const std::string& journalPath);

// The name of the folder inside the journals' folder that holds the keeping folders.
constexpr const char* KeepingFolderName = "replaced";
