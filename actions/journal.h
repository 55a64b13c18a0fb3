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
//   undone, N               move N (counted from 0) was moved back
//   kept, N, REASON         move N was left where it is for good, since the user changed its entry
//                           or took its old name after the distribution
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class ShellServices;

// The messages of the undo.
extern const char* const UndoneText;
extern const char* const NothingToUndoText;

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
    const std::string& Path() const { return path_; }

private:
    explicit TJournalWriter(std::string path) : path_(std::move(path)) {}
    std::string path_;
};

// What an undo did.
struct TUndoResult {
    bool Found = false;   // there was a distribution with moves to undo
    size_t Tried = 0;     // its moves that were not undone yet
    size_t MovedBack = 0; // of those, moved back now
    std::vector<std::pair<std::string, std::string>> Left; // name and reason of each entry left
    bool Complete() const { return MovedBack == Tried; }
};

// Whether a move the shell reported as done really happened: the entry is at `to` and no longer at
// `from`. (Wine's shell, for one, reports a move it was refused as done.)
bool MoveHappened(ShellServices& shell, const std::string& from, const std::string& to);

// Whether some journal holds moves not yet undone.
bool CanUndo(ShellServices& shell);

// Undoes the most recent distribution not yet wholly undone: moves each recorded entry back,
// newest first, when it is still where the distribution put it and its old name is free; then
// takes out the desktop.ini lines the distribution wrote and the category folders it created,
// once they are empty. Never overwrites or deletes an entry. Entries moved back in this run's
// catalogue count as not moved again.
TUndoResult UndoLastDistribution(ShellServices& shell);

// The categories the user chose in distributions not undone: for each entry's file name, folded as
// the file system compares names (ShellServices::FoldedName), the category its newest such move
// put it into. Only records that pass the journal checks count.
std::map<std::string, int32_t> EarlierChoices(ShellServices& shell);

// The one message that reports an undo.
std::string UndoReport(const TUndoResult& result);
