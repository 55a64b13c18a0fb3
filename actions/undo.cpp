#include "actions/undo.h"

#include "actions/journal.h"
#include "actions/record_checks.h"
#include "catalogue/catalogue.h"
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

struct TPendingJournal {
    std::string Path;
    std::vector<TRecord> Records;
};

// Whether a journal holds records not yet undone that belong to the Start menu; read newest first,
// and no further than the first such one.
bool AnyPendingJournal(ShellServices& shell) {
    for (const std::string& path : JournalPaths(shell)) {
        std::optional<std::vector<TRecord>> records = ReadJournal(shell, path);
        if (records && HasPendingInMenu(*records, TMenuPlaces(shell, path)))
            return true;
    }
    return false;
}

// One undo of one journal: the moves back, newest first, then the folders the distribution made.
class TUndo {
public:
    TUndo(ShellServices& shell, TPendingJournal journal, TUndoResult& result)
        : shell_(shell), path_(std::move(journal.Path)), records_(std::move(journal.Records)),
          journal_(TJournalWriter::Continue(path_)), places_(shell, path_), result_(result) {}

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

    ShellServices& shell_;
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
    const unsigned code =
        reason ? journal_.MarkKept(shell_, n, *reason) : journal_.MarkUndone(shell_, n);
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
    changed_.insert(ParentOf(move.OldPath));
    changed_.insert(ParentOf(move.NewPath));
    for (TStartMenu& entry : StartMenuItems) {
        if (entry.Path == move.OldPath)
            entry.Moved = false;
    }
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
    changed_.insert(ParentOf(move.OldPath));
    for (TStartMenu& entry : StartMenuItems) {
        if (entry.Path == move.OldPath)
            entry.Moved = false;
    }
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
        // A keeping folder that still holds something stays.
        if (record.State == TRecordState::Undone && ParentOf(ParentOf(kept)) == keeping)
            static_cast<void>(shell_.RemoveFolder(ParentOf(kept)));
    }
    if (shell_.PathExists(keeping))
        static_cast<void>(shell_.RemoveFolder(keeping));
}

} // namespace

bool CanUndo(ShellServices& shell) {
    return AnyPendingJournal(shell);
}

TUndoResult UndoLastDistribution(ShellServices& shell) {
    TUndoResult result;
    for (const std::string& path : JournalPaths(shell)) {
        std::optional<std::vector<TRecord>> records = ReadJournal(shell, path, &result.Skipped);
        if (!records || std::none_of(records->begin(), records->end(), [](const TRecord& r) {
                return r.State == TRecordState::Pending;
            }))
            continue;
        // A newer journal none of whose records belong to the Start menu is no distribution: its
        // records are named and marked on the way to the distribution's.
        const bool distribution = HasPendingInMenu(*records, TMenuPlaces(shell, path));
        TUndo undo(shell, {path, std::move(*records)}, result);
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
    return result;
}

std::string UndoReport(const TUndoResult& result) {
    std::string text;
    if (!result.Found && result.Left.empty()) {
        text = Text(TText::NothingToUndo);
    } else if (result.Complete()) {
        text = Text(TText::Undone);
    } else {
        text = Text(TText::UndonePartly,
                    {std::to_string(result.MovedBack), std::to_string(result.Tried)});
        for (const auto& [name, reason] : result.Left)
            text += "\n" + Text(TText::LeftEntry, {name, reason});
    }
    if (result.JournalError)
        text += "\n" + Text(TText::UndoJournalNotWritten, {std::to_string(result.JournalError)});
    for (const std::string& journal : result.Skipped)
        text += "\n" + Text(TText::JournalSkipped, {FileNameOf(journal)});
    return text;
}
