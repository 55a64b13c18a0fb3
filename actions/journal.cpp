#include "actions/journal.h"

#include "actions/journal_records.h"
#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "shell/shell_services.h"
#include "texts/texts.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace {

constexpr const char* JournalFolderName = "Orvane";
constexpr const char* KeepingFolderName = "replaced";
constexpr const char* JournalExtension = ".txt";
constexpr const char* RemovedMark = "removed";
constexpr unsigned FileExistsCode = 80; // ERROR_FILE_EXISTS
// How far below a Programs folder a record may reach: groups within groups, merged one by one.
constexpr size_t MaxDepth = 8;

std::optional<std::string> JournalFolder(ShellServices& shell) {
    const std::optional<std::string> base = shell.GetSpecialFolder(CSIDL_LOCAL_APPDATA_ID);
    if (!base || base->empty())
        return std::nullopt;
    return *base + "\\" + JournalFolderName;
}

// A journal's name: its start time in UTC, to the millisecond, which sorts as time runs.
std::string JournalName(std::chrono::system_clock::time_point at) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch());
    const std::time_t seconds = static_cast<std::time_t>(ms.count() / 1000);
    const std::tm* utc = std::gmtime(&seconds);
    char name[64] = {};
    std::snprintf(name, sizeof name, "%04d-%02d-%02d %02d.%02d.%02d.%03d%s", utc->tm_year + 1900,
                  utc->tm_mon + 1, utc->tm_mday, utc->tm_hour, utc->tm_min, utc->tm_sec,
                  static_cast<int>(ms.count() % 1000), JournalExtension);
    return name;
}

std::optional<bool> ParseFlag(const std::string& field) {
    if (field == "0" || field == "1")
        return field == "1";
    return std::nullopt;
}

std::optional<size_t> ParseIndex(const std::string& field) {
    if (field.empty() || field.size() > 9 ||
        !std::all_of(field.begin(), field.end(), [](char ch) { return ch >= '0' && ch <= '9'; }))
        return std::nullopt;
    return static_cast<size_t>(std::stoul(field));
}

// A name a folder listing can return: no separators, wildcards, stream or device syntax, and not
// "." or ".." (nor one Windows would trim into another name).
bool IsPlainName(const std::string& name) {
    if (name.empty() || name.back() == '.' || name.back() == ' ')
        return false;
    return std::none_of(name.begin(), name.end(), [](char ch) {
        return static_cast<unsigned char>(ch) < 0x20 ||
               std::string("<>:\"/\\|?*").find(ch) != std::string::npos;
    });
}

bool IsNumber(const std::string& name) {
    return ParseIndex(name).has_value();
}

} // namespace

// --- Writing --------------------------------------------------------------------------------

std::optional<TJournalWriter> TJournalWriter::Start(ShellServices& shell) {
    const std::optional<std::string> folder = JournalFolder(shell);
    unsigned code = 2; // ERROR_FILE_NOT_FOUND: the folder cannot be located
    if (folder) {
        try {
            if (!shell.FolderExists(*folder))
                shell.CreateFolder(*folder);
            // Two distributions in one millisecond: the later one takes the next.
            const auto now = std::chrono::system_clock::now();
            for (int later = 0; later < 1000; ++later) {
                const std::string path =
                    *folder + "\\" + JournalName(now + std::chrono::milliseconds(later));
                code = shell.AppendToFile(path, "", true);
                if (code == 0)
                    return TJournalWriter(path);
                if (code != FileExistsCode)
                    break;
            }
        } catch (const EInOutError& e) {
            code = static_cast<unsigned>(e.Code());
        }
    }
    shell.ShowMessage(Text(TText::JournalNotStarted, {std::to_string(code)}));
    return std::nullopt;
}

bool TJournalWriter::Write(ShellServices& shell, const std::string& line, const std::string& what) {
    const unsigned code = shell.AppendToFile(path_, line + "\r\n", false);
    if (code != 0)
        shell.ShowMessage(Text(TText::JournalNotWritten, {std::to_string(code), what}));
    return code == 0;
}

bool TJournalWriter::Append(ShellServices& shell, const TJournalMove& move) {
    const std::string line = move.IniKey.empty() ? "" : move.IniKey + "=" + move.IniValue;
    return Write(shell,
                 move.OldPath + "\t" + move.NewPath + "\t" + (move.CreatedFolder ? "1" : "0") +
                     "\t" + line + "\t" + (move.CreatedIni ? "1" : "0"),
                 move.NewPath);
}

bool TJournalWriter::AppendRemoval(ShellServices& shell, const std::string& folder) {
    return Write(shell, std::string(RemovedMark) + "\t" + folder, folder);
}

std::string TJournalWriter::KeepingFolder() const {
    return KeepingFolderOf(path_);
}

// --- Reading --------------------------------------------------------------------------------

std::vector<TRecord> ParseJournal(const std::string& text) {
    std::vector<TRecord> records;
    for (std::string line : Split(text, '\n')) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::vector<std::string> f = Split(line, '\t');
        const bool undone = f[0] == UndoneMark && f.size() == 2;
        if (undone || (f[0] == KeptMark && f.size() == 3)) {
            const std::optional<size_t> n = ParseIndex(f[1]);
            if (n && *n < records.size())
                records[*n].State = undone ? TRecordState::Undone : TRecordState::Kept;
        } else if (f[0] == RemovedMark && f.size() == 2) {
            TRecord removal;
            removal.Kind = TRecordKind::Removal;
            removal.Move.OldPath = f[1];
            records.push_back(removal);
        } else if (f.size() == 5) {
            // A line cut short by a run that stopped while writing it has fewer fields.
            const std::optional<bool> folder = ParseFlag(f[2]), ini = ParseFlag(f[4]);
            if (!folder || !ini)
                continue;
            TRecord record;
            record.Move = {f[0], f[1], *folder, "", "", *ini};
            if (!f[3].empty()) {
                const size_t equals = f[3].find('=');
                if (equals == std::string::npos || equals == 0)
                    continue;
                record.Move.IniKey = f[3].substr(0, equals);
                record.Move.IniValue = f[3].substr(equals + 1);
            }
            records.push_back(record);
        }
    }
    return records;
}

std::vector<std::string> JournalPaths(ShellServices& shell) {
    std::vector<std::string> paths;
    const std::optional<std::string> folder = JournalFolder(shell);
    if (!folder)
        return paths;
    std::vector<std::string> names =
        shell.ListFolder(*folder + "\\*" + JournalExtension, ListAllAttributes);
    std::sort(names.rbegin(), names.rend());
    for (const std::string& name : names) {
        if (IsPlainName(name))
            paths.push_back(*folder + "\\" + name);
    }
    return paths;
}

std::optional<std::vector<TRecord>> ReadJournal(ShellServices& shell, const std::string& path,
                                                std::vector<std::string>* skipped) {
    const std::optional<uint64_t> size = shell.FileSize(path);
    if (!size)
        return std::nullopt;
    if (*size > JournalSizeLimit) {
        if (skipped)
            skipped->push_back(path);
        return std::nullopt;
    }
    const std::optional<std::string> text = shell.ReadTextFile(path);
    // A file that grew past the limit since its size was read is not read either.
    if (!text || text->size() > JournalSizeLimit)
        return std::nullopt;
    return ParseJournal(*text);
}

std::string KeepingFolderOf(const std::string& journalPath) {
    std::string name = FileNameOf(journalPath);
    name.resize(name.size() - std::min(name.size(), std::string(JournalExtension).size()));
    return ParentOf(journalPath) + "\\" + KeepingFolderName + "\\" + name;
}

// --- The checks -----------------------------------------------------------------------------

TMenuPlaces::TMenuPlaces(ShellServices& shell, const std::string& journalPath)
    : shell_(shell), journalFolder_(ParentOf(journalPath)) {
    roots_[Common] = CommonProgramsDir.value_or("");
    roots_[User] = UserProgramsDir.value_or("");
    roots_[Keeping] = KeepingFolderOf(journalPath);
    for (int r = 0; r < RootCount; ++r)
        foldedRoots_[r] = roots_[r].empty() ? "" : shell.FoldedName(roots_[r]);
    for (size_t c = 0; c < CategoryNames.size(); ++c)
        foldedCategories_[c] = shell.FoldedName(CategoryNames[c]);
}

std::optional<TMenuPlaces::TPlace> TMenuPlaces::Locate(const std::string& path) const {
    const std::vector<std::string> parts = Split(path, '\\');
    // The root is the path less its last k names, spelled in any letter case, as Windows compares
    // paths; every name below it must be one a listing could return.
    for (size_t k = 1; k <= MaxDepth + 1 && k < parts.size(); ++k) {
        if (!IsPlainName(parts[parts.size() - k]))
            return std::nullopt;
        std::string prefix = parts[0];
        for (size_t i = 1; i + k < parts.size(); ++i)
            prefix += "\\" + parts[i];
        const std::string folded = shell_.FoldedName(prefix);
        for (int r = 0; r < RootCount; ++r) {
            if (!foldedRoots_[r].empty() && folded == foldedRoots_[r])
                return TPlace{
                    static_cast<TRoot>(r),
                    std::vector<std::string>(parts.end() - static_cast<long>(k), parts.end())};
        }
    }
    return std::nullopt;
}

std::optional<int32_t> TMenuPlaces::CategoryOf(const std::string& name) const {
    const std::string folded = shell_.FoldedName(name);
    for (int32_t c = 0; c < CategoryCount; ++c) {
        if (foldedCategories_[c] == folded)
            return c;
    }
    return std::nullopt;
}

bool TMenuPlaces::Allows(const TRecord& record) const {
    const TJournalMove& move = record.Move;
    const std::optional<TPlace> from = Locate(move.OldPath);
    if (!from || from->Root == Keeping)
        return false;
    const bool fromCategory = CategoryOf(from->Parts[0]).has_value();
    if (record.Kind == TRecordKind::Removal)
        return !fromCategory;
    const std::optional<TPlace> to = Locate(move.NewPath);
    if (!to)
        return false;
    const bool topLevel = from->Parts.size() == 1;
    // Only a top-level entry's move creates its category folder and writes its own name line.
    if (!topLevel || to->Root == Keeping) {
        if (move.CreatedFolder || move.CreatedIni || !move.IniKey.empty())
            return false;
    } else if ((move.CreatedIni && move.IniKey.empty()) ||
               (!move.IniKey.empty() &&
                shell_.FoldedName(move.IniKey) != shell_.FoldedName(from->Parts[0]))) {
        return false;
    }
    if (to->Root == Keeping) {
        // An entry of a category folder, kept under a numbered folder by its own name.
        return fromCategory && from->Parts.size() >= 2 && to->Parts.size() == 2 &&
               IsNumber(to->Parts[0]) && to->Parts[1] == from->Parts.back();
    }
    // The same names, one category folder further down in the same Programs folder.
    return !fromCategory && to->Root == from->Root && to->Parts.size() == from->Parts.size() + 1 &&
           CategoryOf(to->Parts[0]) &&
           std::equal(from->Parts.begin(), from->Parts.end(), to->Parts.begin() + 1);
}

bool TMenuPlaces::LinkBelow(const TPlace& place) const {
    std::string folder = roots_[place.Root];
    if (place.Root == Keeping) {
        // The keeping folder's own chain lies in the user's folder too.
        for (const std::string& path :
             {journalFolder_, journalFolder_ + "\\" + KeepingFolderName, folder}) {
            if (shell_.IsFolderLink(path))
                return true;
        }
    }
    for (size_t i = 0; i + 1 < place.Parts.size(); ++i) {
        folder += "\\" + place.Parts[i];
        if (shell_.IsFolderLink(folder))
            return true;
    }
    return false;
}

bool TMenuPlaces::ThroughLink(const TRecord& record) const {
    for (const std::string* path : {&record.Move.OldPath, &record.Move.NewPath}) {
        if (path->empty())
            continue;
        const std::optional<TPlace> place = Locate(*path);
        if (!place || LinkBelow(*place))
            return true;
    }
    return false;
}

std::optional<std::pair<int32_t, std::string>>
TMenuPlaces::Destination(const TRecord& record) const {
    if (record.Kind != TRecordKind::Move || !Allows(record))
        return std::nullopt;
    const std::optional<TPlace> to = Locate(record.Move.NewPath);
    if (to->Root == Keeping)
        return std::nullopt;
    return std::make_pair(*CategoryOf(to->Parts[0]), to->Parts[1]);
}

std::string TMenuPlaces::CategoryFolder(const TRecord& record) const {
    if (record.Kind != TRecordKind::Move || !Allows(record))
        return std::string();
    const std::optional<TPlace> to = Locate(record.Move.NewPath);
    return to->Root != Keeping && to->Parts.size() == 2 ? ParentOf(record.Move.NewPath)
                                                        : std::string();
}

// --- What the user chose before -------------------------------------------------------------

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
