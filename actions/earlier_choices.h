// A source of the suggestions: the categories the user chose in earlier distributions, read from
// their journals.
#pragma once

#include "actions/journal.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class ShellServices;

// The categories the user chose in distributions not undone: for each entry's file name, folded as
// the file system compares names (ShellServices::FoldedName), the category its newest such move
// put it into. Only records that pass the journal checks count.
std::map<std::string, int32_t> EarlierChoices(ShellServices& shell);

// Where the journals in `journals`, whose records may act below `programs`, put entries into
// category folders and have not undone it: the entries' new paths (a group's folder for a group),
// each once.
std::vector<std::string> EarlierDestinations(ShellServices& shell, const std::string& programs,
                                             const std::string& journals);

// The same from the journals of one Programs folder only: its choices for its own entries.
std::map<std::string, int32_t> EarlierChoices(ShellServices& shell, TJournalKind kind);
