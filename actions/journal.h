// The way back from a distribution: the journal each distribution keeps of its moves, and the undo
// that reads it.
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
// moved first into the distribution's keeping folder (KeepingFolder), a record of its own.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class ShellServices;

// One move a distribution made.
struct TJournalMove {
    std::string OldPath;
    std::string NewPath;
    bool CreatedFolder = false; // the distribution created the category folder
    std::string IniKey;         // the desktop.ini line written into the category folder ...
    std::string IniValue;       // ... (no key: none)
    bool CreatedIni = false;    // that write created the category folder's desktop.ini
};

// The journal of a distribution, written as it goes.
class TJournalWriter {
public:
    // Starts a new journal file; on failure shows why (nothing may be moved then) and returns
    // nothing.
    static std::optional<TJournalWriter> Start(ShellServices& shell);
    // Appends the record of a move that succeeded and flushes it; on failure shows why and
    // returns false.
    bool Append(ShellServices& shell, const TJournalMove& move);
    // The same for a folder the distribution removed.
    bool AppendRemoval(ShellServices& shell, const std::string& folder);
    const std::string& Path() const { return path_; }
    // Where this distribution keeps the entries it replaced: the folder named after the journal
    // in %LOCALAPPDATA%\Orvane\replaced.
    std::string KeepingFolder() const;

private:
    explicit TJournalWriter(std::string path) : path_(std::move(path)) {}
    bool Write(ShellServices& shell, const std::string& line, const std::string& what);
    std::string path_;
};

// What an undo did.
struct TUndoResult {
    bool Found = false;   // there was a distribution with moves to undo
    size_t Tried = 0;     // its moves that were not undone yet
    size_t MovedBack = 0; // of those, moved back now
    std::vector<std::pair<std::string, std::string>> Left; // name and reason of each entry left
    std::vector<std::string> Skipped; // journals not read: larger than any distribution writes
    bool Complete() const { return MovedBack == Tried; }
};

// Whether a move the shell reported as done really happened: the entry is at `to` and no longer at
// `from`. (Wine's shell, for one, reports a move it was refused as done.)
bool MoveHappened(ShellServices& shell, const std::string& from, const std::string& to);

// Whether some journal holds moves not yet undone that belong to the Start menu.
bool CanUndo(ShellServices& shell);

// Undoes the most recent distribution not yet wholly undone: moves each recorded entry back,
// newest first, when it is still where the distribution put it and its old name is free; then
// takes out the desktop.ini lines the distribution wrote and the category folders it created,
// once they are empty. Never overwrites or deletes an entry, and never acts on a record that does
// not belong to the Start menu (left for good, and named; so are those of newer journals that hold
// nothing else). Entries moved back in this run's catalogue count as not moved again.
TUndoResult UndoLastDistribution(ShellServices& shell);

// The categories the user chose in distributions not undone: for each entry's file name, folded as
// the file system compares names (ShellServices::FoldedName), the category its newest such move
// put it into. Only records that pass the journal checks count.
std::map<std::string, int32_t> EarlierChoices(ShellServices& shell);

// The one message that reports an undo.
std::string UndoReport(const TUndoResult& result);
