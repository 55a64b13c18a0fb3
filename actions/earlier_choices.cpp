#include "actions/earlier_choices.h"

#include "actions/journal.h"
#include "actions/record_checks.h"
#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "shell/shell_services.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

std::map<std::string, int32_t> EarlierChoices(ShellServices& shell) {
    // Both kinds of journal, each with the Programs folder its records may act in, newest first.
    std::vector<std::pair<std::string, std::string>> journals; // path, Programs folder
    for (const auto& [kind, programs] :
         {std::make_pair(TJournalKind::User, UserProgramsDir),
          std::make_pair(TJournalKind::AllUsers, CommonProgramsDir)}) {
        if (!programs)
            continue;
        for (std::string& path : JournalPaths(shell, kind))
            journals.emplace_back(std::move(path), *programs);
    }
    std::stable_sort(journals.begin(), journals.end(), [](const auto& a, const auto& b) {
        return FileNameOf(a.first) > FileNameOf(b.first);
    });
    std::map<std::string, int32_t> choices;
    for (const auto& [path, programs] : journals) {
        const std::optional<std::vector<TRecord>> records = ReadJournal(shell, path);
        if (!records)
            continue;
        const TMenuPlaces places(shell, programs, path);
        // Newest first: the last record of the newest journal wins.
        for (auto record = records->rbegin(); record != records->rend(); ++record) {
            if (record->State == TRecordState::Undone)
                continue;
            if (const auto destination = places.Destination(*record))
                choices.emplace(shell.FoldedName(destination->second), destination->first);
        }
    }
    return choices;
}
