// The undo of a distribution, from its journal.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

class ShellServices;

// What an undo did.
struct TUndoResult {
    bool Found = false;   // there was a distribution with moves to undo
    size_t Tried = 0;     // its moves that were not undone yet
    size_t MovedBack = 0; // of those, moved back now
    std::vector<std::pair<std::string, std::string>> Left; // name and reason of each entry left
    std::vector<std::string> Skipped; // journals not read: larger than any distribution writes
    unsigned JournalError = 0; // the journal could not be marked (the OS code): the undo stopped
    std::vector<std::string> Back;    // the top-level names of the entries that came back
    std::vector<std::string> Refused; // Programs folders whose moves only an administrator may undo
    bool Complete() const { return MovedBack == Tried && JournalError == 0 && Refused.empty(); }
};

// What the next undo would take back: the newest distribution's journals, the user's and the
// all-users one, which share its name.
struct TUndoPlan {
    std::string Journal;   // the distribution's journal name; empty: nothing to undo
    bool User = false;     // the user's journal holds moves to undo
    bool AllUsers = false; // the all-users journal does (its undo needs administrator rights)
    bool Any() const { return User || AllUsers; }
};
TUndoPlan NextUndo(ShellServices& shell);
// Whether that undo asks for administrator rights (Windows' prompt).
bool AsksForAdministrator(ShellServices& shell, const TUndoPlan& plan);

// Whether some journal holds moves not yet undone that belong to the Start menu.
bool CanUndo(ShellServices& shell);

// Undoes the most recent distribution not yet wholly undone: moves each recorded entry back,
// newest first, when it is still where the distribution put it and its old name is free; then
// takes out the desktop.ini lines the distribution wrote and the category folders it created,
// once they are empty. Never overwrites or deletes an entry, and never acts on a record that does
// not belong to the Start menu (left for good, and named; so are those of newer journals that hold
// nothing else). Each step is marked in the journal as it is taken; where a mark cannot be written
// the undo stops there. Entries moved back in this run's catalogue count as not moved again.
TUndoResult UndoLastDistribution(ShellServices& shell);

// Undoes the journal `name` of `folder` (any name: its newest one with moves to undo), whose
// records may act only below `programs`, into `result`; newer journals that hold nothing of the
// Start menu are named and marked on the way.
void UndoJournalOf(ShellServices& shell, const std::string& programs, const std::string& folder,
                   const std::string& name, TUndoResult& result);

// The one message that reports an undo.
std::string UndoReport(const TUndoResult& result);
