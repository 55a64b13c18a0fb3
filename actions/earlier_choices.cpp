#include "actions/earlier_choices.h"

#include "actions/journal.h"
#include "actions/record_checks.h"
#include "shell/shell_services.h"

std::map<std::string, int32_t> EarlierChoices(ShellServices& shell) {
    std::map<std::string, int32_t> choices;
    for (const std::string& path : JournalPaths(shell)) {
        const std::optional<std::vector<TRecord>> records = ReadJournal(shell, path);
        if (!records)
            continue;
        const TMenuPlaces places(shell, path);
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
