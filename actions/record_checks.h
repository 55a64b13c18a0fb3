// The checks that keep what a journal's records ask for inside the Start menu. Shared by the undo
// and by the suggestions that read the user's earlier choices.
//
// A user's journal lies in a folder any program of the user's may write to: what a record says is
// acted on only when it has the shape of a step a distribution takes, inside the Programs folder
// the journal belongs to (the user's, or for a journal of the all-users step the all-users one)
// and the journal's own keeping folder. A record that names another folder, the other Programs
// folder included, is foreign.
#pragma once

#include "actions/journal.h"
#include "catalogue/catalogue.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class ShellServices;

// Where the records of one journal may act: below `programs` (empty: nowhere) and the journal's
// keeping folder.
class TMenuPlaces {
public:
    TMenuPlaces(ShellServices& shell, const std::string& programs, const std::string& journalPath);

    // Whether a record has the shape of a distribution's step inside the Start menu:
    //  - an entry of the Programs folder (or an item of its group, further down) moved to the same
    //    place below a category folder of that Programs folder; only a top-level entry's move may
    //    create the category folder and name the entry's own desktop.ini line;
    //  - an entry of the Programs folder, not a category folder itself, moved into the journal's
    //    keeping folder, under a numbered folder of its own and its own name;
    //  - a folder below the Programs folder, not a category folder itself, removed.
    bool Allows(const TRecord& record) const;
    // Whether a folder that the record's paths go through (below their Programs or keeping
    // folder) is a folder link, which would lead out of it.
    bool ThroughLink(const TRecord& record) const;
    // The category a record moved an entry into, and the entry's top-level name (for an item of
    // a group, the group's); nothing for other records and records not allowed.
    std::optional<std::pair<int32_t, std::string>> Destination(const TRecord& record) const;
    // The category folder a top-level entry's move went into; empty for other records.
    std::string CategoryFolder(const TRecord& record) const;

private:
    enum TRoot { Programs, Keeping, RootCount };
    struct TPlace {
        TRoot Root;
        std::vector<std::string> Parts; // the names below the root
    };
    std::optional<TPlace> Locate(const std::string& path) const;
    std::optional<int32_t> CategoryOf(const std::string& name) const;
    bool LinkBelow(const TPlace& place) const;

    ShellServices& shell_;
    std::string roots_[RootCount];       // as located; empty: none
    std::string foldedRoots_[RootCount]; // in one letter case
    std::string journalFolder_;
    std::string foldedCategories_[CategoryCount];
};
