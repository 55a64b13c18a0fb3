#include "actions/earlier_choices.h"

#include "actions/journal.h"
#include "actions/record_checks.h"
#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "shell/shell_services.h"

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace {

// The journals of the kinds given, each with the Programs folder its records may act in, newest
// first; the choices they hold, the newest winning.
std::map<std::string, int32_t> ChoicesOf(ShellServices& shell,
                                         std::initializer_list<TJournalKind> kinds) {
    std::vector<std::pair<std::string, std::string>> journals; // path, Programs folder
    for (TJournalKind kind : kinds) {
        const std::optional<std::string>& programs =
            kind == TJournalKind::User ? UserProgramsDir : CommonProgramsDir;
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

} // namespace

std::vector<std::string> EarlierDestinations(ShellServices& shell, const std::string& programs,
                                             const std::string& journals) {
    std::vector<std::string> paths;
    std::set<std::string> seen;
    for (const std::string& path : JournalPaths(shell, journals)) {
        const std::optional<std::vector<TRecord>> records = ReadJournal(shell, path);
        if (!records)
            continue;
        const TMenuPlaces places(shell, programs, path);
        for (const TRecord& record : *records) {
            if (record.State != TRecordState::Undone && places.Destination(record) &&
                seen.insert(shell.FoldedName(record.Move.NewPath)).second)
                paths.push_back(record.Move.NewPath);
        }
    }
    return paths;
}

std::map<std::string, int32_t> EarlierChoices(ShellServices& shell) {
    return ChoicesOf(shell, {TJournalKind::User, TJournalKind::AllUsers});
}

std::map<std::string, int32_t> EarlierChoices(ShellServices& shell, TJournalKind kind) {
    return ChoicesOf(shell, {kind});
}
