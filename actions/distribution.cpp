#include "actions/distribution.h"

#include "actions/all_users_step.h"
#include "actions/journal.h"
#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "shell/shell_services.h"
#include "texts/texts.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

const std::optional<std::string>& RootOf(const TStartMenu& entry) {
    return entry.IsUser ? UserProgramsDir : CommonProgramsDir;
}

bool IsAssigned(const TStartMenu& entry) {
    return entry.Category >= 0 && entry.Category < CategoryCount && RootOf(entry);
}

bool IsDue(const TStartMenu& entry) {
    return IsAssigned(entry) && !entry.Moved;
}

// What the shell or the file system says when a folder may not be changed: the system's code and
// the shell's own one for a source it may not touch.
bool IsAccessDenied(unsigned code) {
    return code == ErrorAccessDenied || code == ShellAccessDeniedSource;
}

// Whether two files of one name are the same program: shortcuts to the same target with the same
// arguments and working folder, or the same bytes.
bool SameProgram(ShellServices& shell, const std::string& a, const std::string& b) {
    if (AsciiLower(ExtensionOf(a)) == ".lnk" && AsciiLower(ExtensionOf(b)) == ".lnk") {
        const std::optional<TShortcutInfo> x = shell.ReadShortcut(a), y = shell.ReadShortcut(b);
        if (x && y && !x->Target.empty() && !y->Target.empty())
            return shell.FoldedName(x->Target) == shell.FoldedName(y->Target) &&
                   x->Arguments == y->Arguments &&
                   shell.FoldedName(x->WorkingFolder) == shell.FoldedName(y->WorkingFolder);
    }
    const std::optional<uint64_t> sizeA = shell.FileSize(a), sizeB = shell.FileSize(b);
    if (!sizeA || !sizeB || *sizeA != *sizeB || *sizeA > JournalSizeLimit)
        return false;
    const std::optional<std::string> textA = shell.ReadTextFile(a), textB = shell.ReadTextFile(b);
    return textA && textB && *textA == *textB;
}

// One Programs folder's part of a distribution: its journal, the folders it made and changed, what
// it refused.
class TDistributionRun {
public:
    TDistributionRun(ShellServices& shell, const std::string& root, TJournalWriter& journal,
                     TDistribution& result)
        : shell_(shell), journal_(journal), result_(result), root_(root),
          // The names the Start menu shows for the folder's files, read before anything moves. A
          // moved entry's line is written into its category folder too; the line in the Programs
          // folder stays, so that an entry moved back gets its name again.
          names_(LocalizedFileNames(shell, root)) {}
    // Moves one entry; Done when it was moved, Stop when the distribution stops there.
    enum class TStep { Done, Left, Stop };
    TStep Distribute(const TFolderEntry& entry);
    // A category folder made for entries that did not arrive is not left empty, and the shell
    // learns of every folder that changed.
    void Finish();

private:
    std::optional<std::string> CategoryFolder(int32_t category);
    TStep MoveInto(const std::string& from, const std::string& to, const std::string& shown,
                   bool createdFolder, bool topLevel);
    TStep Move(TJournalMove record, bool topLevel);
    TStep Replace(const std::string& from, const std::string& to, const std::string& shown,
                  bool topLevel);
    TStep Merge(const std::string& from, const std::string& to);
    TStep Stay(const std::string& text);
    TStep Fail() {
        ++result_.Failed;
        return TStep::Left;
    }
    TStep Stop() {
        result_.Stopped = true;
        return TStep::Stop;
    }
    std::optional<std::string> KeepingFolder();
    void Refuse();
    void NameInCategory(TJournalMove& record);
    std::string ShownFolder(const std::string& path) const;

    ShellServices& shell_;
    TJournalWriter& journal_;
    TDistribution& result_;
    const std::string root_;
    const std::map<std::string, std::string> names_;
    std::map<std::string, bool> createdFolders_; // category folder -> this distribution made it
    std::set<std::string> filled_;               // category folders something was moved into
    std::set<std::string> changed_;
    bool refused_ = false; // the Programs folder may not be changed
    int kept_ = 0;         // entries moved into the keeping folder so far
};

// A Programs folder that refuses access keeps all its entries; the other one goes on.
void TDistributionRun::Refuse() {
    refused_ = true;
    result_.Refused.push_back(root_);
    shell_.ShowMessage(Text(TText::FolderOnlyAdmin, {root_}));
}

// The category folder, made where it is missing; nothing when the Programs folder refuses it or
// the folder is a link. A folder that cannot be made for another reason throws EInOutError.
std::optional<std::string> TDistributionRun::CategoryFolder(int32_t category) {
    const std::string target = root_ + "\\" + CategoryNames[static_cast<size_t>(category)];
    if (createdFolders_.count(target))
        return target;
    // A move through a link would leave the Programs folder.
    if (shell_.IsFolderLink(target))
        return std::nullopt;
    const bool existed = shell_.FolderExists(target);
    if (!existed) {
        try {
            shell_.CreateFolder(target);
        } catch (const EInOutError& e) {
            if (!IsAccessDenied(static_cast<unsigned>(e.Code())))
                throw;
            Refuse();
            return std::nullopt;
        }
        changed_.insert(root_);
    }
    createdFolders_[target] = !existed;
    return target;
}

TDistributionRun::TStep TDistributionRun::Distribute(const TFolderEntry& entry) {
    if (refused_)
        return TStep::Left;
    const std::string from = root_ + "\\" + entry.Name;
    const std::string& category = CategoryNames[static_cast<size_t>(entry.Category)];
    if (shell_.IsFolderLink(from))
        return Stay(Text(TText::EntryIsLink, {entry.Shown}));
    const std::optional<std::string> target = CategoryFolder(entry.Category);
    if (!target)
        return refused_ ? TStep::Left
                        : Stay(Text(TText::LinkedCategoryFolder, {entry.Shown, category}));
    const TStep step =
        MoveInto(from, *target + "\\" + entry.Name, entry.Shown, createdFolders_[*target], true);
    if (step == TStep::Done)
        filled_.insert(*target);
    return step;
}

// The entry's localized-name line of its Programs folder, written into the category folder's
// desktop.ini once it has moved, so that it keeps the name the Start menu showed; the move's
// record names the line.
void TDistributionRun::NameInCategory(TJournalMove& record) {
    const std::string name = FileNameOf(record.OldPath);
    const auto line = names_.find(shell_.FoldedName(name));
    if (line == names_.end())
        return;
    const std::string target = ParentOf(record.NewPath);
    // The same line from an earlier distribution stays that entry's: an undo of this move must
    // not take it out, since the earlier entry comes back from the keeping folder.
    for (const auto& [key, value] : shell_.DesktopIniSection(target, FileNamesSection)) {
        if (shell_.FoldedName(key) == shell_.FoldedName(name) && value == line->second)
            return;
    }
    record.CreatedIni = !shell_.PathExists(target + "\\desktop.ini");
    if (const unsigned code =
            shell_.WriteDesktopIni(target, FileNamesSection, name, line->second)) {
        shell_.ShowMessage(std::to_string(code));
        ++result_.Failed;
        record.CreatedIni = false;
        return;
    }
    record.IniKey = name;
    record.IniValue = line->second;
}

// Moves `from` to `to`, whose name may be taken: see DistributeItems.
TDistributionRun::TStep TDistributionRun::MoveInto(const std::string& from, const std::string& to,
                                                   const std::string& shown, bool createdFolder,
                                                   bool topLevel) {
    if (!shell_.PathExists(to))
        return Move({from, to, createdFolder}, topLevel);
    // A merge through a link would empty or fill a folder elsewhere.
    if (shell_.IsFolderLink(from) || shell_.IsFolderLink(to))
        return Stay(Text(TText::EntryIsLink, {shown}));
    const bool fromFolder = shell_.FolderExists(from), toFolder = shell_.FolderExists(to);
    if (fromFolder && toFolder)
        return Merge(from, to);
    if (!fromFolder && !toFolder && SameProgram(shell_, from, to))
        return Replace(from, to, shown, topLevel);
    return Stay(Text(TText::NameTaken, {shown, ShownFolder(to)}));
}

TDistributionRun::TStep TDistributionRun::Stay(const std::string& text) {
    result_.Stayed.push_back(text);
    return TStep::Left;
}

// The folder of `path` as the report names it: below its Programs folder.
std::string TDistributionRun::ShownFolder(const std::string& path) const {
    const std::string folder = ParentOf(path);
    return folder.size() > root_.size() ? folder.substr(root_.size() + 1) : folder;
}

// One move by the shell, checked and recorded; a top-level entry's name line goes with it.
TDistributionRun::TStep TDistributionRun::Move(TJournalMove record, bool topLevel) {
    const std::string& from = record.OldPath;
    const std::string& to = record.NewPath;
    const ShellOpResult moved = shell_.ShellFileOperation(ShellOp::Move, from, to);
    if (moved.Aborted) // the user cancelled the shell's dialog: the distribution stops here
        return Stop();
    if (IsAccessDenied(moved.Code)) {
        Refuse();
        return TStep::Left;
    }
    if (!ReportShellResult(shell_, moved))
        return Fail();
    if (!MoveHappened(shell_, from, to)) {
        shell_.ShowMessage(Text(TText::MoveNotMade, {from}));
        return Fail();
    }
    changed_.insert(ParentOf(from));
    changed_.insert(ParentOf(to));
    if (topLevel)
        NameInCategory(record);
    return journal_.Append(shell_, record) ? TStep::Done : Stop();
}

// This distribution's keeping folder, made with its parents where missing; nothing when it cannot
// be made.
std::optional<std::string> TDistributionRun::KeepingFolder() {
    const std::string folder = journal_.KeepingFolder() + "\\" + std::to_string(++kept_);
    try {
        for (const std::string& level : {ParentOf(ParentOf(folder)), ParentOf(folder), folder}) {
            if (!shell_.FolderExists(level))
                shell_.CreateFolder(level);
        }
    } catch (const EInOutError&) {
        return std::nullopt;
    }
    return folder;
}

// The same program is already in the category folder: that one goes into the keeping folder,
// and the new one takes its place.
TDistributionRun::TStep TDistributionRun::Replace(const std::string& from, const std::string& to,
                                                  const std::string& shown, bool topLevel) {
    const std::optional<std::string> keeping = KeepingFolder();
    const std::string kept = keeping ? *keeping + "\\" + FileNameOf(to) : std::string();
    const ShellOpResult moved = keeping ? shell_.ShellFileOperation(ShellOp::Move, to, kept)
                                        : ShellOpResult{ErrorPathNotFound, false};
    if (!moved.Succeeded() || !MoveHappened(shell_, to, kept)) {
        if (moved.Aborted)
            return Stop();
        return Stay(
            Text(TText::EarlierNotKept, {shown, ShownFolder(to), std::to_string(moved.Code)}));
    }
    changed_.insert(ParentOf(to));
    if (!journal_.Append(shell_, {to, kept}))
        return Stop();
    return Move({from, to}, topLevel);
}

// A program group whose name the category folder has: its items go into that folder one by one,
// each by the same rules, and the group's folder is removed once it is empty.
TDistributionRun::TStep TDistributionRun::Merge(const std::string& from, const std::string& to) {
    bool whole = true;
    for (const std::string& name : NamesIn(shell_, from)) {
        const TStep step =
            MoveInto(from + "\\" + name, to + "\\" + name, DisplayName(name), false, false);
        if (step == TStep::Stop)
            return step;
        whole &= step == TStep::Done;
    }
    if (!whole || !NamesIn(shell_, from).empty())
        return TStep::Left;
    if (const unsigned code = shell_.RemoveFolder(from))
        return Stay(Text(TText::EmptyGroupLeft, {FileNameOf(from), std::to_string(code)}));
    changed_.insert(ParentOf(from));
    return journal_.AppendRemoval(shell_, from) ? TStep::Done : Stop();
}

void TDistributionRun::Finish() {
    for (const auto& [folder, created] : createdFolders_) {
        // A folder that cannot be removed stays, empty: nothing is lost.
        if (created && !filled_.count(folder))
            static_cast<void>(shell_.RemoveFolder(folder));
    }
    for (const std::string& folder : changed_)
        shell_.NotifyFolderChanged(folder);
}

} // namespace

TPlannedMoves PlannedMoves() {
    TPlannedMoves plan;
    std::set<int32_t> categories;
    for (const TStartMenu& entry : StartMenuItems) {
        if (IsDue(entry)) {
            ++plan.Entries;
            plan.AllUsers += !entry.IsUser;
            categories.insert(entry.Category);
        }
    }
    plan.Categories = categories.size();
    return plan;
}

std::string PlannedMovesText(const TPlannedMoves& plan) {
    if (plan.Entries == 0)
        return Text(TText::NothingTicked);
    return Text(TText::PlannedMoves,
                {std::to_string(plan.Entries), std::to_string(plan.Categories)});
}

void DistributeFolder(ShellServices& shell, const std::string& root,
                      const std::vector<TFolderEntry>& entries, TJournalWriter& journal,
                      TDistribution& result, std::vector<bool>& moved) {
    moved.assign(entries.size(), false);
    TDistributionRun run(shell, root, journal, result);
    try {
        for (size_t i = 0; i < entries.size(); ++i) {
            const TDistributionRun::TStep step = run.Distribute(entries[i]);
            moved[i] = step == TDistributionRun::TStep::Done;
            if (step == TDistributionRun::TStep::Stop)
                break;
        }
    } catch (...) {
        run.Finish();
        throw;
    }
    run.Finish();
}

namespace {

void MergeInto(TDistribution& result, const TDistribution& part) {
    // A part that could not start its journal moved nothing: the distribution is incomplete.
    result.Stopped |= part.Stopped || part.NotStarted;
    result.Failed += part.Failed;
    result.Refused.insert(result.Refused.end(), part.Refused.begin(), part.Refused.end());
    result.Stayed.insert(result.Stayed.end(), part.Stayed.begin(), part.Stayed.end());
}

// The due entries of one origin, in catalogue order.
std::vector<size_t> DueEntries(bool isUser) {
    std::vector<size_t> due;
    for (size_t i = 0; i < StartMenuItems.size(); ++i) {
        if (StartMenuItems[i].IsUser == isUser && IsDue(StartMenuItems[i]))
            due.push_back(i);
    }
    return due;
}

// The all-users entries go to the all-users step as names and categories only.
void DistributeAllUsers(ShellServices& shell, const std::vector<size_t>& due,
                        const std::string& journal, TDistribution& result) {
    TAllUsersWork work;
    work.Journal = journal;
    for (size_t i : due)
        work.Entries.emplace_back(FileNameOf(StartMenuItems[i].Path), StartMenuItems[i].Category);
    const TAllUsersOutcome outcome = DoAllUsersWork(shell, work);
    MergeInto(result, outcome.Distribution);
    for (size_t i : due) {
        if (std::count(outcome.Moved.begin(), outcome.Moved.end(),
                       FileNameOf(StartMenuItems[i].Path)))
            StartMenuItems[i].Moved = true;
    }
    if (outcome.IoError)
        throw EInOutError(static_cast<int>(outcome.IoError));
}

void DistributeUser(ShellServices& shell, const std::vector<size_t>& due, TJournalWriter& journal,
                    TDistribution& result) {
    std::vector<TFolderEntry> entries;
    for (size_t i : due) {
        const TStartMenu& entry = StartMenuItems[i];
        entries.push_back({FileNameOf(entry.Path), entry.Category, Caption(entry)});
    }
    std::vector<bool> moved;
    DistributeFolder(shell, *UserProgramsDir, entries, journal, result, moved);
    for (size_t k = 0; k < due.size(); ++k)
        StartMenuItems[due[k]].Moved = moved[k];
}

} // namespace

bool AsksForAdministrator(ShellServices& shell, const TPlannedMoves& plan) {
    return plan.AllUsers > 0 && !shell.IsElevated();
}

TDistribution DistributeItems(ShellServices& shell) {
    TDistribution result;
    for (const TStartMenu& entry : StartMenuItems)
        result.MovedBefore += IsAssigned(entry) && entry.Moved;
    const std::vector<size_t> common = DueEntries(false), user = DueEntries(true);
    if (common.empty() && user.empty())
        return result;
    // Nothing is changed without a way back. The user's journal names the distribution; the
    // all-users step's journal takes the same name, so that both are undone together.
    std::optional<TJournalWriter> journal;
    if (!user.empty()) {
        journal = TJournalWriter::Start(shell, TJournalKind::User);
        if (!journal) {
            result.NotStarted = true;
            return result;
        }
    }
    // In catalogue order: the all-users entries first.
    if (!common.empty())
        DistributeAllUsers(shell, common, journal ? FileNameOf(journal->Path()) : NewJournalName(),
                           result);
    // A cancel, or a step the all-users journal missed, stops the distribution there.
    if (!user.empty() && !result.Stopped)
        DistributeUser(shell, user, *journal, result);
    return result;
}

std::string DistributionReport(const TDistribution& result) {
    if (result.NotStarted)
        return std::string();
    std::string text = Text(result.Complete() ? TText::Distributed : TText::DistributedIncomplete);
    for (const std::string& stayed : result.Stayed)
        text += "\n" + stayed;
    if (result.MovedBefore > 0)
        text += "\n" + Text(TText::MovedBefore, {std::to_string(result.MovedBefore)});
    return text;
}
