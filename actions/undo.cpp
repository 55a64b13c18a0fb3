#include "actions/undo.h"

#include "actions/all_users_step.h"
#include "actions/journal.h"
#include "actions/record_checks.h"
#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "shell/shell_services.h"
#include "texts/texts.h"

#include <algorithm>
#include <map>
#include <set>

namespace {

// A refused record names its entry by no more than this many characters.
constexpr size_t ReportedNameLimit = 80;

bool HasPendingInMenu(const std::vector<TRecord>& records, const TMenuPlaces& places) {
    return std::any_of(records.begin(), records.end(), [&](const TRecord& r) {
        return r.State == TRecordState::Pending && places.Allows(r);
    });
}

// The newest journal of a folder that holds records not yet undone that belong to the Start menu
// below `programs`; read newest first, and no further than the first such one. Its file name, or
// empty.
std::string NewestPending(ShellServices& shell, const std::string& programs,
                          const std::string& folder) {
    for (const std::string& path : JournalPaths(shell, folder)) {
        std::optional<std::vector<TRecord>> records = ReadJournal(shell, path);
        if (records && HasPendingInMenu(*records, TMenuPlaces(shell, programs, path)))
            return FileNameOf(path);
    }
    return std::string();
}

// One undo of one journal: the moves back, newest first, then the folders the distribution made.
class TUndo {
public:
    TUndo(ShellServices& shell, const std::string& programs, std::string path,
          std::vector<TRecord> records, TJournalWriter journal, TUndoResult& result)
        : shell_(shell), programs_(programs), path_(std::move(path)), records_(std::move(records)),
          journal_(std::move(journal)), places_(shell, programs, path_), result_(result) {}

    void MoveBack() {
        for (size_t n = records_.size(); n-- > 0;) {
            if (records_[n].State == TRecordState::Pending)
                Undo(n);
        }
    }
    void TidyFolders();
    void Notify() {
        for (const std::string& folder : changed_)
            shell_.NotifyFolderChanged(folder);
    }

private:
    void Undo(size_t n);
    void UndoRemoval(const TJournalMove& move);
    void Leave(size_t n, const std::string& name, const std::string& reason, bool forGood);
    void Mark(size_t n, const std::string* reason);
    std::string ReportedName(const TJournalMove& move);

    void Restored(const std::string& oldPath);

    ShellServices& shell_;
    const std::string programs_;
    std::string path_;
    std::vector<TRecord> records_;
    TJournalWriter journal_;
    TMenuPlaces places_;
    TUndoResult& result_;
    std::set<std::string> changed_;
    bool cancelled_ = false;
};

// Records in the journal that record n was undone (no reason) or is left for good. A journal that
// cannot be marked would have the step taken again, or an undone choice taken for the user's: the
// undo stops.
void TUndo::Mark(size_t n, const std::string* reason) {
    records_[n].State = reason ? TRecordState::Kept : TRecordState::Undone;
    const unsigned code = reason ? journal_.MarkKept(n, *reason) : journal_.MarkUndone(n);
    if (code != 0 && result_.JournalError == 0)
        result_.JournalError = code;
}

void TUndo::Leave(size_t n, const std::string& name, const std::string& reason, bool forGood) {
    if (forGood)
        Mark(n, &reason);
    result_.Left.emplace_back(name, reason);
}

// The name an entry is reported by: the one the Start menu shows where the journal has it.
std::string TUndo::ReportedName(const TJournalMove& move) {
    if (!move.IniKey.empty()) {
        if (const std::optional<std::string> name = shell_.ResolveLocalizedName(move.IniValue))
            return *name;
    }
    return DisplayName(move.OldPath);
}

void TUndo::Undo(size_t n) {
    const TRecord& record = records_[n];
    const TJournalMove& move = record.Move;
    if (!places_.Allows(record) || places_.ThroughLink(record)) {
        // Never acted on: nothing is moved, removed or written for it.
        ++result_.Tried;
        Leave(n, Utf8Prefix(DisplayName(move.OldPath), ReportedNameLimit),
              Text(TText::NotInStartMenu), true);
        return;
    }
    if (record.Kind == TRecordKind::Removal) {
        UndoRemoval(move);
        Mark(n, nullptr);
        return;
    }
    ++result_.Tried;
    const std::string name = ReportedName(move);
    if (cancelled_ || result_.JournalError)
        return Leave(n, name, Text(cancelled_ ? TText::UndoCancelled : TText::UndoStopped), false);
    // What the user changed after the distribution is left as it is, for good.
    if (!shell_.PathExists(move.NewPath))
        return Leave(n, name, Text(TText::MovedSince), true);
    if (shell_.PathExists(move.OldPath))
        return Leave(n, name, Text(TText::OldNameTaken), true);
    const ShellOpResult moved =
        shell_.ShellFileOperation(ShellOp::Move, move.NewPath, move.OldPath);
    if (!moved.Succeeded() || !MoveHappened(shell_, move.NewPath, move.OldPath)) {
        // Tried again by the next undo.
        cancelled_ = moved.Aborted;
        return Leave(n, name,
                     cancelled_   ? Text(TText::UndoCancelled)
                     : moved.Code ? Text(TText::MoveBackFailedCode, {std::to_string(moved.Code)})
                                  : Text(TText::MoveBackFailed),
                     false);
    }
    Mark(n, nullptr);
    ++result_.MovedBack;
    changed_.insert(ParentOf(move.NewPath));
    Restored(move.OldPath);
}

// An entry is back where it was: a top-level one is named in the result, for the catalogue.
void TUndo::Restored(const std::string& oldPath) {
    changed_.insert(ParentOf(oldPath));
    if (shell_.FoldedName(ParentOf(oldPath)) == shell_.FoldedName(programs_))
        result_.Back.push_back(FileNameOf(oldPath));
}

// A program group's folder that a merge emptied and removed is made again, for its items to come
// back into.
void TUndo::UndoRemoval(const TJournalMove& move) {
    if (!shell_.PathExists(move.OldPath)) {
        try {
            shell_.CreateFolder(move.OldPath);
        } catch (const EInOutError&) {
            // The moves back make it themselves, as the shell makes a missing target folder.
        }
    }
    Restored(move.OldPath);
}

// The category folders: the lines written for entries that are no longer there, then the
// desktop.ini and the folder where the distribution created them and nothing else is left; and
// the keeping folders of entries that went back.
void TUndo::TidyFolders() {
    std::map<std::string, std::pair<bool, bool>> folders; // created folder, created desktop.ini
    for (const TRecord& record : records_) {
        const std::string folder = places_.CategoryFolder(record);
        if (folder.empty() || shell_.IsFolderLink(folder))
            continue;
        folders[folder].first |= record.Move.CreatedFolder;
        folders[folder].second |= record.Move.CreatedIni;
    }
    for (const TRecord& record : records_) {
        const TJournalMove& move = record.Move;
        const std::string folder = places_.CategoryFolder(record);
        if (move.IniKey.empty() || !folders.count(folder) ||
            (record.State != TRecordState::Undone && shell_.PathExists(move.NewPath)))
            continue;
        // A line that cannot be taken out names an entry no longer there: the shell ignores it.
        static_cast<void>(shell_.RemoveDesktopIniLine(folder, FileNamesSection, move.IniKey,
                                                      folders[folder].second));
    }
    for (const auto& [folder, created] : folders) {
        if (created.first && shell_.PathExists(folder) && shell_.RemoveFolder(folder) == 0) {
            changed_.erase(folder);
            changed_.insert(ParentOf(folder));
        }
    }
    const std::string keeping = KeepingFolderOf(path_);
    for (const TRecord& record : records_) {
        const std::string& kept = record.Move.NewPath;
        // A keeping folder that still holds something stays. Only a record the checks allow
        // names one: a record the journal already marked as undone was never checked here.
        if (record.State == TRecordState::Undone && ParentOf(ParentOf(kept)) == keeping &&
            places_.Allows(record))
            static_cast<void>(shell_.RemoveFolder(ParentOf(kept)));
    }
    if (shell_.PathExists(keeping))
        static_cast<void>(shell_.RemoveFolder(keeping));
}

} // namespace

void UndoJournalOf(ShellServices& shell, const std::string& programs, const std::string& folder,
                   const std::string& name, TUndoResult& result) {
    for (const std::string& path : JournalPaths(shell, folder)) {
        std::optional<std::vector<TRecord>> records = ReadJournal(shell, path, &result.Skipped);
        if (!records || std::none_of(records->begin(), records->end(), [](const TRecord& r) {
                return r.State == TRecordState::Pending;
            }))
            continue;
        // A newer journal none of whose records belong to the Start menu is no distribution: its
        // records are named and marked on the way to the distribution's.
        const bool distribution = HasPendingInMenu(*records, TMenuPlaces(shell, programs, path));
        if (distribution && !name.empty() && FileNameOf(path) != name)
            break; // an older distribution's: not this time
        unsigned code = 0;
        std::optional<TJournalWriter> journal = TJournalWriter::Continue(shell, path, code);
        if (!journal) {
            result.JournalError = code;
            break;
        }
        TUndo undo(shell, programs, path, std::move(*records), std::move(*journal), result);
        undo.MoveBack();
        if (distribution) {
            result.Found = true;
            undo.TidyFolders();
            undo.Notify();
            break;
        }
        if (result.JournalError)
            break;
    }
}

TUndoPlan NextUndo(ShellServices& shell) {
    TUndoPlan plan;
    const std::optional<std::string> userFolder = JournalFolder(shell, TJournalKind::User);
    const std::optional<std::string> commonFolder = JournalFolder(shell, TJournalKind::AllUsers);
    const std::string user = UserProgramsDir && userFolder
                                 ? NewestPending(shell, *UserProgramsDir, *userFolder)
                                 : std::string();
    const std::string common = CommonProgramsDir && commonFolder
                                   ? NewestPending(shell, *CommonProgramsDir, *commonFolder)
                                   : std::string();
    // The newest distribution first; its two journals share its name.
    plan.Journal = std::max(user, common);
    plan.User = !user.empty() && user == plan.Journal;
    plan.AllUsers = !common.empty() && common == plan.Journal;
    return plan;
}

bool AsksForAdministrator(ShellServices& shell, const TUndoPlan& plan) {
    return plan.AllUsers && !shell.IsElevated();
}

bool CanUndo(ShellServices& shell) {
    return NextUndo(shell).Any();
}

namespace {

// Entries whose top-level name came back count as not moved again in this run's catalogue.
void MarkBack(bool isUser, const std::vector<std::string>& back) {
    for (TStartMenu& entry : StartMenuItems) {
        if (entry.IsUser == isUser && std::count(back.begin(), back.end(), FileNameOf(entry.Path)))
            entry.Moved = false;
    }
}

void MergeInto(TUndoResult& result, const TUndoResult& part) {
    result.Found |= part.Found;
    result.Tried += part.Tried;
    result.MovedBack += part.MovedBack;
    result.Left.insert(result.Left.end(), part.Left.begin(), part.Left.end());
    result.Skipped.insert(result.Skipped.end(), part.Skipped.begin(), part.Skipped.end());
    result.Refused.insert(result.Refused.end(), part.Refused.begin(), part.Refused.end());
    if (!result.JournalError)
        result.JournalError = part.JournalError;
}

} // namespace

TUndoResult UndoLastDistribution(ShellServices& shell) {
    const TUndoPlan plan = NextUndo(shell);
    TUndoResult result;
    // The all-users journal through the all-users step, which asks for administrator rights where
    // this process has none; the user's here, with the user's own rights.
    if (plan.AllUsers) {
        TAllUsersWork work;
        work.Undo = true;
        work.Journal = plan.Journal;
        const TAllUsersOutcome outcome = DoAllUsersWork(shell, work);
        MergeInto(result, outcome.Undo);
        MarkBack(false, outcome.Undo.Back);
    }
    const std::optional<std::string> folder = JournalFolder(shell, TJournalKind::User);
    // Without a distribution of its own, the user's newer journals that hold nothing of the Start
    // menu are still named and marked.
    if (UserProgramsDir && folder && (plan.User || !plan.AllUsers)) {
        TUndoResult user;
        UndoJournalOf(shell, *UserProgramsDir, *folder, plan.User ? plan.Journal : std::string(),
                      user);
        MergeInto(result, user);
        MarkBack(true, user.Back);
    }
    return result;
}

std::string UndoReport(const TUndoResult& result) {
    std::vector<std::string> lines;
    if (!result.Found && result.Left.empty() && result.Refused.empty()) {
        lines.push_back(Text(TText::NothingToUndo));
    } else if (result.Complete()) {
        lines.push_back(Text(TText::Undone));
    } else if (result.Tried > 0 || !result.Left.empty()) {
        lines.push_back(Text(TText::UndonePartly,
                             {std::to_string(result.MovedBack), std::to_string(result.Tried)}));
        for (const auto& [name, reason] : result.Left)
            lines.push_back(Text(TText::LeftEntry, {name, reason}));
    }
    for (const std::string& folder : result.Refused)
        lines.push_back(Text(TText::UndoOnlyAdmin, {folder}));
    if (result.JournalError)
        lines.push_back(Text(TText::UndoJournalNotWritten, {std::to_string(result.JournalError)}));
    for (const std::string& journal : result.Skipped)
        lines.push_back(Text(TText::JournalSkipped, {FileNameOf(journal)}));
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : "\n") + line;
    return text;
}
