// The all-users Programs folder's part of a distribution or an undo: the one step that needs
// administrator rights. Where this process has them, it runs here; else this program is started
// again with them (Windows asks the user) and handed only the work: names and categories, or an
// undo. The step trusts nothing a program of the user's can write: it finds the all-users folder
// from the machine's settings, takes only names of entries at the top of that folder now, keeps
// its journal and the entries it replaces in the machine's application data (Orvane\, a folder
// only administrators may change), and never reads the user's folders, journals or registry.
#pragma once

#include "actions/distribution.h"
#include "actions/undo.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class ShellServices;

// What the step is asked to do.
struct TAllUsersWork {
    bool Undo = false;
    std::string Journal; // the distribution's journal name: the all-users journal takes it where
                         // it is free, and an undo undoes that journal
    std::vector<std::pair<std::string, int32_t>> Entries; // top-level names and their categories
    TDistributionOptions Options; // what to set aside or leave out (the step judges for itself)
};

// What came of it.
struct TAllUsersOutcome {
    TDistribution Distribution;
    std::vector<std::string> Moved; // the top-level names the distribution moved or set aside
    TUndoResult Undo;
    unsigned IoError = 0; // a category folder could not be made (the OS code): the loop stopped
    std::vector<std::string> Messages; // what a step in another process said, in order
};

// The work and the outcome as the two processes hand them over: lines of text.
std::string FormatWork(const TAllUsersWork& work);
std::string FormatOutcome(const TAllUsersOutcome& outcome);
std::optional<TAllUsersOutcome> ParseOutcome(const std::string& text);

// Does the work here; this process must have administrator rights. Names that are not plain names
// of entries at the top of the all-users folder, and categories out of range, are refused and
// named; the rest goes on.
TAllUsersOutcome RunAllUsersWork(ShellServices& shell, const TAllUsersWork& work);

// The step as the program started with administrator rights runs it: the work's text, as any
// program of the user's may have written it, in; its outcome out (without the messages, which the
// program collects).
TAllUsersOutcome ServeAllUsersStep(ShellServices& shell, const std::string& request);

// Does the work where it must be done: here when this process has administrator rights, else
// through the step started with them. A declined prompt leaves the all-users entries where they
// are, with one message naming the folder. What a step in another process said is shown here.
TAllUsersOutcome DoAllUsersWork(ShellServices& shell, const TAllUsersWork& work);
