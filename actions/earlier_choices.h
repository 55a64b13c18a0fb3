// A source of the suggestions: the categories the user chose in earlier distributions, read from
// their journals.
#pragma once

#include "actions/journal.h"

#include <cstdint>
#include <map>
#include <string>

class ShellServices;

// The categories the user chose in distributions not undone: for each entry's file name, folded as
// the file system compares names (ShellServices::FoldedName), the category its newest such move
// put it into. Only records that pass the journal checks count.
std::map<std::string, int32_t> EarlierChoices(ShellServices& shell);

// The same from the journals of one Programs folder only: its choices for its own entries.
std::map<std::string, int32_t> EarlierChoices(ShellServices& shell, TJournalKind kind);
