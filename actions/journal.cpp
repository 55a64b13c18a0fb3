#include "actions/journal.h"

#include "catalogue/catalogue.h"
#include "shell/shell_services.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <set>

const char* const UndoneText = "Все программы возвращены на прежние места!";
const char* const NothingToUndoText = "Нет распределений, которые можно отменить.";

namespace {

constexpr const char* JournalFolderName = "Orvane";
constexpr const char* JournalExtension = ".txt";
constexpr const char* UndoneMark = "undone";
constexpr const char* KeptMark = "kept";
constexpr unsigned FileExistsCode = 80; // ERROR_FILE_EXISTS

const char* const MovedSinceReason = "перемещён или удалён после распределения";
const char* const OldNameTakenReason = "прежнее имя уже занято";
const char* const CancelledReason = "возврат отменён";

std::optional<std::string> JournalFolder(ShellServices& shell) {
    const std::optional<std::string> base = shell.GetSpecialFolder(CSIDL_LOCAL_APPDATA_ID);
    if (!base || base->empty())
        return std::nullopt;
    return *base + "\\" + JournalFolderName;
}

std::string ParentOf(const std::string& path) {
    return path.substr(0, path.find_last_of('\\'));
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

std::string WithCode(const std::string& text, unsigned code) {
    return text + " (код " + std::to_string(code) + ")";
}

enum class TState { Pending, Undone, Kept };

struct TRecord {
    TJournalMove Move;
    TState State = TState::Pending;
};

std::vector<TRecord> ReadJournal(ShellServices& shell, const std::string& path) {
    std::vector<TRecord> records;
    const std::optional<std::string> text = shell.ReadTextFile(path);
    if (!text)
        return records;
    for (std::string line : Split(*text, '\n')) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::vector<std::string> f = Split(line, '\t');
        if ((f[0] == UndoneMark || f[0] == KeptMark) && f.size() >= 2) {
            const size_t n = std::strtoul(f[1].c_str(), nullptr, 10);
            if (n < records.size())
                records[n].State = f[0] == UndoneMark ? TState::Undone : TState::Kept;
        } else if (f.size() >= 5) {
            // A line cut short by a run that stopped while writing it has fewer fields.
            const size_t equals = f[3].find('=');
            TJournalMove move{f[0], f[1], f[2] == "1", "", "", f[4] == "1"};
            if (equals != std::string::npos) {
                move.IniKey = f[3].substr(0, equals);
                move.IniValue = f[3].substr(equals + 1);
            }
            records.push_back({move, TState::Pending});
        }
    }
    return records;
}

bool HasPending(const std::vector<TRecord>& records) {
    return std::any_of(records.begin(), records.end(),
                       [](const TRecord& r) { return r.State == TState::Pending; });
}

// The most recent journal that holds moves not yet undone, with its records; read newest first,
// and no further than that one.
std::optional<std::pair<std::string, std::vector<TRecord>>> PendingJournal(ShellServices& shell) {
    const std::optional<std::string> folder = JournalFolder(shell);
    if (!folder)
        return std::nullopt;
    std::vector<std::string> names =
        shell.ListFolder(*folder + "\\*" + JournalExtension, ListAllAttributes);
    std::sort(names.rbegin(), names.rend());
    for (const std::string& name : names) {
        const std::string path = *folder + "\\" + name;
        std::vector<TRecord> records = ReadJournal(shell, path);
        if (HasPending(records))
            return std::make_pair(path, std::move(records));
    }
    return std::nullopt;
}

// The name an entry is reported by: the one the Start menu shows where the journal has it.
std::string ReportedName(ShellServices& shell, const TJournalMove& move) {
    if (!move.IniKey.empty()) {
        if (const std::optional<std::string> name = shell.ResolveLocalizedName(move.IniValue))
            return *name;
    }
    return DisplayName(move.OldPath);
}

} // namespace

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
    shell.ShowMessage(WithCode("Не удалось начать журнал перемещений", code) +
                      ", а без него распределение нельзя было бы отменить. Ничего не перемещено.");
    return std::nullopt;
}

bool TJournalWriter::Append(ShellServices& shell, const TJournalMove& move) {
    const std::string line = move.IniKey.empty() ? "" : move.IniKey + "=" + move.IniValue;
    const unsigned code = shell.AppendToFile(path_,
                                             move.OldPath + "\t" + move.NewPath + "\t" +
                                                 (move.CreatedFolder ? "1" : "0") + "\t" + line +
                                                 "\t" + (move.CreatedIni ? "1" : "0") + "\r\n",
                                             false);
    if (code != 0)
        shell.ShowMessage(WithCode("Не удалось дописать журнал перемещений", code) +
                          ". Распределение остановлено; последнее перемещение в журнал не "
                          "попало, его придётся вернуть вручную:\n" +
                          move.NewPath);
    return code == 0;
}

bool MoveHappened(ShellServices& shell, const std::string& from, const std::string& to) {
    return shell.PathExists(to) && !shell.PathExists(from);
}

bool CanUndo(ShellServices& shell) {
    return PendingJournal(shell).has_value();
}

TUndoResult UndoLastDistribution(ShellServices& shell) {
    TUndoResult result;
    std::optional<std::pair<std::string, std::vector<TRecord>>> journal = PendingJournal(shell);
    if (!journal)
        return result;
    result.Found = true;
    const std::string& path = journal->first;
    std::vector<TRecord>& records = journal->second;
    std::set<std::string> changed;
    // Records that move n was moved back (no reason) or is left for good (with the reason).
    const auto mark = [&](size_t n, const char* reason) {
        records[n].State = reason ? TState::Kept : TState::Undone;
        const std::string line =
            reason ? std::string(KeptMark) + "\t" + std::to_string(n) + "\t" + reason
                   : std::string(UndoneMark) + "\t" + std::to_string(n);
        shell.AppendToFile(path, line + "\r\n", false);
    };
    bool cancelled = false;
    for (size_t n = records.size(); n-- > 0;) {
        const TJournalMove& move = records[n].Move;
        if (records[n].State != TState::Pending)
            continue;
        ++result.Tried;
        const std::string name = ReportedName(shell, move);
        if (cancelled) {
            result.Left.emplace_back(name, CancelledReason);
            continue;
        }
        // What the user changed after the distribution is left as it is, for good.
        const char* reason = !shell.PathExists(move.NewPath)  ? MovedSinceReason
                             : shell.PathExists(move.OldPath) ? OldNameTakenReason
                                                              : nullptr;
        if (reason) {
            mark(n, reason);
            result.Left.emplace_back(name, reason);
            continue;
        }
        const ShellOpResult moved =
            shell.ShellFileOperation(ShellOp::Move, move.NewPath, move.OldPath);
        if (!moved.Succeeded() || !MoveHappened(shell, move.NewPath, move.OldPath)) {
            // Tried again by the next undo.
            cancelled = moved.Aborted;
            const std::string failed = "не удалось переместить";
            result.Left.emplace_back(name, cancelled    ? CancelledReason
                                           : moved.Code ? WithCode(failed, moved.Code)
                                                        : failed);
            continue;
        }
        mark(n, nullptr);
        ++result.MovedBack;
        changed.insert(ParentOf(move.OldPath));
        changed.insert(ParentOf(move.NewPath));
        for (TStartMenu& entry : StartMenuItems) {
            if (entry.Path == move.OldPath)
                entry.Moved = false;
        }
    }

    // The category folders: the lines written for entries that are no longer there, then the
    // desktop.ini and the folder where the distribution created them and nothing else is left.
    std::map<std::string, std::pair<bool, bool>> folders; // created folder, created desktop.ini
    for (const TRecord& record : records) {
        const std::string folder = ParentOf(record.Move.NewPath);
        folders[folder].first |= record.Move.CreatedFolder;
        folders[folder].second |= record.Move.CreatedIni;
    }
    for (const TRecord& record : records) {
        const TJournalMove& move = record.Move;
        if (move.IniKey.empty() ||
            (record.State != TState::Undone && shell.PathExists(move.NewPath)))
            continue;
        const std::string folder = ParentOf(move.NewPath);
        shell.RemoveDesktopIniLine(folder, FileNamesSection, move.IniKey, folders[folder].second);
    }
    for (const auto& [folder, created] : folders) {
        if (created.first && shell.PathExists(folder) && shell.RemoveFolder(folder) == 0) {
            changed.erase(folder);
            changed.insert(ParentOf(folder));
        }
    }
    for (const std::string& folder : changed)
        shell.NotifyFolderChanged(folder);
    return result;
}

std::map<std::string, int32_t> EarlierChoices(ShellServices& shell) {
    std::map<std::string, int32_t> choices;
    const std::optional<std::string> folder = JournalFolder(shell);
    if (!folder)
        return choices;
    std::vector<std::string> names =
        shell.ListFolder(*folder + "\\*" + JournalExtension, ListAllAttributes);
    std::sort(names.rbegin(), names.rend());
    for (const std::string& name : names) {
        for (const TRecord& record : ReadJournal(shell, *folder + "\\" + name)) {
            if (record.State == TState::Undone)
                continue;
            const std::string category =
                shell.FoldedName(FileNameOf(ParentOf(record.Move.NewPath)));
            for (int32_t c = 0; c < CategoryCount; ++c) {
                if (shell.FoldedName(CategoryNames[static_cast<size_t>(c)]) == category)
                    choices.emplace(shell.FoldedName(FileNameOf(record.Move.OldPath)), c);
            }
        }
    }
    return choices;
}

std::string UndoReport(const TUndoResult& result) {
    if (!result.Found)
        return NothingToUndoText;
    if (result.Complete())
        return UndoneText;
    std::string text = "Возвращено на прежние места: " + std::to_string(result.MovedBack) + " из " +
                       std::to_string(result.Tried) + ". Остались где были:";
    for (const auto& [name, reason] : result.Left)
        text += "\n" + name + " — " + reason;
    return text;
}
