#include "actions/journal.h"

#include "catalogue/catalogue.h"
#include "shell/shell_services.h"
#include "texts/texts.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace {

constexpr const char* JournalFolderName = "Orvane";
constexpr const char* JournalExtension = ".txt";
// The first field of a line that is not a move.
constexpr const char* RemovedMark = "removed";
constexpr const char* UndoneMark = "undone";
constexpr const char* KeptMark = "kept";

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

bool IsDigits(const std::string& text, size_t from, size_t count) {
    return std::all_of(text.begin() + static_cast<long>(from),
                       text.begin() + static_cast<long>(from + count),
                       [](char ch) { return ch >= '0' && ch <= '9'; });
}

} // namespace

std::optional<std::string> JournalFolder(ShellServices& shell, TJournalKind kind) {
    const std::optional<std::string> base = kind == TJournalKind::User
                                                ? shell.GetSpecialFolder(CSIDL_LOCAL_APPDATA_ID)
                                                : shell.MachineFolder(TMachineFolder::ProgramData);
    if (!base || base->empty())
        return std::nullopt;
    return *base + "\\" + JournalFolderName;
}

std::string NewJournalName() {
    return JournalName(std::chrono::system_clock::now());
}

bool IsJournalName(const std::string& name) {
    const std::string pattern = "0000-00-00 00.00.00.000" + std::string(JournalExtension);
    if (name.size() != pattern.size())
        return false;
    for (size_t i = 0; i < name.size(); ++i) {
        if (pattern[i] == '0' ? !IsDigits(name, i, 1) : name[i] != pattern[i])
            return false;
    }
    return true;
}

// --- Writing --------------------------------------------------------------------------------

TJournalWriter::TJournalWriter(std::string path, std::unique_ptr<TAppendFile> file)
    : path_(std::move(path)), file_(std::move(file)) {}
TJournalWriter::TJournalWriter(TJournalWriter&&) noexcept = default;
TJournalWriter& TJournalWriter::operator=(TJournalWriter&&) noexcept = default;
TJournalWriter::~TJournalWriter() = default;

std::optional<TJournalWriter> TJournalWriter::Start(ShellServices& shell, const std::string& folder,
                                                    const std::string& name) {
    unsigned code = ErrorFileNotFound;
    try {
        if (!shell.FolderExists(folder))
            shell.CreateFolder(folder);
        std::vector<std::string> names;
        if (IsJournalName(name))
            names.push_back(name);
        // Two distributions in one millisecond: the later one takes the next.
        const auto now = std::chrono::system_clock::now();
        for (int later = 0; later < 1000; ++later)
            names.push_back(JournalName(now + std::chrono::milliseconds(later)));
        for (const std::string& candidate : names) {
            const std::string path = folder + "\\" + candidate;
            if (std::unique_ptr<TAppendFile> file = shell.OpenForAppend(path, true, code))
                return TJournalWriter(path, std::move(file));
            if (code != ErrorFileExists)
                break;
        }
    } catch (const EInOutError& e) {
        code = static_cast<unsigned>(e.Code());
    }
    shell.ShowMessage(Text(TText::JournalNotStarted, {std::to_string(code)}));
    return std::nullopt;
}

std::optional<TJournalWriter> TJournalWriter::Start(ShellServices& shell, TJournalKind kind,
                                                    const std::string& name) {
    if (const std::optional<std::string> folder = JournalFolder(shell, kind))
        return Start(shell, *folder, name);
    shell.ShowMessage(Text(TText::JournalNotStarted, {std::to_string(ErrorFileNotFound)}));
    return std::nullopt;
}

std::optional<TJournalWriter> TJournalWriter::Continue(ShellServices& shell,
                                                       const std::string& path, unsigned& code) {
    std::unique_ptr<TAppendFile> file = shell.OpenForAppend(path, false, code);
    if (!file)
        return std::nullopt;
    return TJournalWriter(path, std::move(file));
}

unsigned TJournalWriter::WriteLine(const std::string& line) {
    return file_->Append(line + "\r\n");
}

bool TJournalWriter::WriteStep(ShellServices& shell, const std::string& line,
                               const std::string& what) {
    const unsigned code = WriteLine(line);
    if (code != 0)
        shell.ShowMessage(Text(TText::JournalNotWritten, {std::to_string(code), what}));
    return code == 0;
}

bool TJournalWriter::Append(ShellServices& shell, const TJournalMove& move) {
    const std::string line = move.IniKey.empty() ? "" : move.IniKey + "=" + move.IniValue;
    return WriteStep(shell,
                     move.OldPath + "\t" + move.NewPath + "\t" + (move.CreatedFolder ? "1" : "0") +
                         "\t" + line + "\t" + (move.CreatedIni ? "1" : "0"),
                     move.NewPath);
}

bool TJournalWriter::AppendRemoval(ShellServices& shell, const std::string& folder) {
    return WriteStep(shell, std::string(RemovedMark) + "\t" + folder, folder);
}

unsigned TJournalWriter::MarkUndone(size_t n) {
    return WriteLine(std::string(UndoneMark) + "\t" + std::to_string(n));
}

unsigned TJournalWriter::MarkKept(size_t n, const std::string& reason) {
    return WriteLine(std::string(KeptMark) + "\t" + std::to_string(n) + "\t" + reason);
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
        // The journal is written in UTF-8: a line that is not names nothing Orvane wrote.
        if (!IsValidUtf8(line))
            continue;
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

std::vector<std::string> JournalPaths(ShellServices& shell, const std::string& folder) {
    std::vector<std::string> paths;
    std::vector<std::string> names =
        shell.ListFolder(folder + "\\*" + JournalExtension, ListAllAttributes);
    std::sort(names.rbegin(), names.rend());
    for (const std::string& name : names) {
        if (IsPlainName(name))
            paths.push_back(folder + "\\" + name);
    }
    return paths;
}

std::vector<std::string> JournalPaths(ShellServices& shell, TJournalKind kind) {
    const std::optional<std::string> folder = JournalFolder(shell, kind);
    return folder ? JournalPaths(shell, *folder) : std::vector<std::string>();
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
