#include "actions/distribution.h"

#include "actions/all_users_step.h"
#include "actions/earlier_choices.h"
#include "actions/journal.h"
#include "catalogue/catalogue.h"
#include "catalogue/missing_programs.h"
#include "catalogue/scan.h"
#include "catalogue/suggest.h"
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
                     const TDistributionOptions& options, TDistribution& result)
        : shell_(shell), journal_(journal), options_(options), result_(result), root_(root),
          // The names the Start menu shows for the folder's files, read before anything moves. A
          // moved entry's line is written into its category folder too; the line in the Programs
          // folder stays, so that an entry moved back gets its name again.
          names_(LocalizedFileNames(shell, root)) {}
    // Moves one entry; Done when it was moved, Stop when the distribution stops there.
    enum class TStep { Done, Left, Stop };
    TStep Distribute(const TFolderEntry& entry);
    // Puts what the plan names into keeping, and removes a group in a category folder it leaves
    // empty; the names of the top-level entries set aside.
    std::vector<std::string> SetAside(const TSetAsidePlan& plan);
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
    TStep Keep(const std::string& path);
    void LeaveOutLinks(const std::string& group);
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
    const TDistributionOptions& options_;
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
    if (options_.LeaveOutGroupLinks && shell_.FolderExists(from))
        LeaveOutLinks(from);
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

// An item goes into keeping, as an earlier copy does.
TDistributionRun::TStep TDistributionRun::Keep(const std::string& path) {
    const std::optional<std::string> keeping = KeepingFolder();
    const std::string kept = keeping ? *keeping + "\\" + FileNameOf(path) : std::string();
    const ShellOpResult moved = keeping ? shell_.ShellFileOperation(ShellOp::Move, path, kept)
                                        : ShellOpResult{ErrorPathNotFound, false};
    if (moved.Aborted)
        return Stop();
    if (!ReportShellResult(shell_, moved) || !MoveHappened(shell_, path, kept))
        return Fail();
    changed_.insert(ParentOf(path));
    return journal_.Append(shell_, {path, kept}) ? TStep::Done : Stop();
}

std::vector<std::string> TDistributionRun::SetAside(const TSetAsidePlan& plan) {
    std::vector<std::string> top;
    for (const std::string& name : plan.Top) {
        if (result_.Stopped)
            return top;
        if (Keep(root_ + "\\" + name) == TStep::Done) {
            ++result_.SetAside;
            top.push_back(name);
        }
    }
    std::set<std::string> groups;
    for (const std::string& path : plan.InCategories) {
        if (result_.Stopped)
            return top;
        if (Keep(path) != TStep::Done)
            continue;
        ++result_.SetAside;
        // A group inside a category folder, which it may leave empty.
        if (ParentOf(ParentOf(ParentOf(path))) == root_)
            groups.insert(ParentOf(path));
    }
    for (const std::string& group : groups) {
        if (result_.Stopped || !NamesIn(shell_, group).empty() || shell_.RemoveFolder(group) != 0)
            continue;
        changed_.insert(ParentOf(group));
        if (!journal_.AppendRemoval(shell_, group))
            Stop();
    }
    return top;
}

// The links of a group that say nothing of its program stay out of the category, in keeping;
// a group that would be left with no program keeps them all.
void TDistributionRun::LeaveOutLinks(const std::string& group) {
    std::vector<std::string> noise;
    bool program = false;
    for (const std::string& name : NamesIn(shell_, group)) {
        const std::string path = group + "\\" + name;
        const std::string extension = AsciiLower(ExtensionOf(name));
        if ((extension != ".lnk" && extension != ".url") || shell_.FolderExists(path))
            continue;
        if (SaysNothingOfItsProgram(ReadLinkFacts(shell_, path, false), true))
            noise.push_back(path);
        else
            program = true;
    }
    if (!program)
        return;
    for (const std::string& path : noise) {
        if (Keep(path) == TStep::Stop)
            return;
    }
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

TSetAsidePlan PlanSetAside(ShellServices& shell, const std::string& root,
                           const std::string& journals, const TDistributionOptions& options) {
    TSetAsidePlan plan;
    std::vector<std::string> candidates;
    if (options.SetAside == TDistributionOptions::TSetAside::Everywhere) {
        for (const std::string& name : NamesIn(shell, root)) {
            if (IsWithoutProgram(shell, root + "\\" + name))
                plan.Top.push_back(name);
        }
        for (const std::string& category : CategoryNames) {
            const std::string folder = root + "\\" + category;
            if (shell.FolderExists(folder) && !shell.IsFolderLink(folder)) {
                std::vector<std::string> found = ShortcutsWithoutProgram(shell, folder);
                plan.InCategories.insert(plan.InCategories.end(), found.begin(), found.end());
            }
        }
    } else if (options.SetAside == TDistributionOptions::TSetAside::OwnMoves) {
        // What an earlier distribution put into a category folder: a shortcut, or a group's items.
        for (const std::string& path : EarlierDestinations(shell, root, journals)) {
            std::vector<std::string> items{path};
            if (shell.FolderExists(path) && !shell.IsFolderLink(path)) {
                items.clear();
                for (const std::string& name : NamesIn(shell, path))
                    items.push_back(path + "\\" + name);
            }
            for (const std::string& item : items) {
                if (IsWithoutProgram(shell, item))
                    plan.InCategories.push_back(item);
            }
        }
    }
    return plan;
}

void DistributeFolder(ShellServices& shell, const std::string& root,
                      const std::vector<TFolderEntry>& entries, const TSetAsidePlan& plan,
                      const TDistributionOptions& options, TJournalWriter& journal,
                      TDistribution& result, std::vector<bool>& moved,
                      std::vector<std::string>& setAside) {
    moved.assign(entries.size(), false);
    TDistributionRun run(shell, root, journal, options, result);
    try {
        // The shortcuts of removed programs at the top first, so that none is distributed.
        setAside = run.SetAside({plan.Top, {}});
        std::set<std::string> gone;
        for (const std::string& name : setAside)
            gone.insert(shell.FoldedName(name));
        for (size_t i = 0; i < entries.size() && !result.Stopped; ++i) {
            if (gone.count(shell.FoldedName(entries[i].Name)))
                continue;
            const TDistributionRun::TStep step = run.Distribute(entries[i]);
            moved[i] = step == TDistributionRun::TStep::Done;
        }
        // Those in the category folders after the moves, the groups moved now among them.
        if (options.SetAside != TDistributionOptions::TSetAside::None && !result.Stopped) {
            TSetAsidePlan inCategories =
                PlanSetAside(shell, root, ParentOf(journal.Path()), options);
            inCategories.Top.clear();
            run.SetAside(inCategories);
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
    result.SetAside += part.SetAside;
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
// Catalogue entries of one origin whose names a step moved (or set aside) count as moved.
void MarkMoved(bool isUser, const std::vector<std::string>& names) {
    for (TStartMenu& entry : StartMenuItems) {
        if (entry.IsUser == isUser &&
            std::count(names.begin(), names.end(), FileNameOf(entry.Path)))
            entry.Moved = true;
    }
}

// The all-users entries go to the all-users step as names and categories only, with what it is to
// set aside or leave out; it judges every shortcut again itself.
void DistributeAllUsers(ShellServices& shell, const std::vector<size_t>& due,
                        const TDistributionOptions& options, const std::string& journal,
                        TDistribution& result) {
    TAllUsersWork work;
    work.Journal = journal;
    work.Options = options;
    for (size_t i : due)
        work.Entries.emplace_back(FileNameOf(StartMenuItems[i].Path), StartMenuItems[i].Category);
    const TAllUsersOutcome outcome = DoAllUsersWork(shell, work);
    MergeInto(result, outcome.Distribution);
    MarkMoved(false, outcome.Moved);
    if (outcome.IoError)
        throw EInOutError(static_cast<int>(outcome.IoError));
}

void DistributeUser(ShellServices& shell, const std::vector<size_t>& due, const TSetAsidePlan& plan,
                    const TDistributionOptions& options, TJournalWriter& journal,
                    TDistribution& result) {
    std::vector<TFolderEntry> entries;
    for (size_t i : due) {
        const TStartMenu& entry = StartMenuItems[i];
        entries.push_back({FileNameOf(entry.Path), entry.Category, Caption(entry)});
    }
    std::vector<bool> moved;
    std::vector<std::string> setAside;
    DistributeFolder(shell, *UserProgramsDir, entries, plan, options, journal, result, moved,
                     setAside);
    for (size_t k = 0; k < due.size(); ++k)
        StartMenuItems[due[k]].Moved = moved[k];
    MarkMoved(true, setAside);
}

// What one Programs folder has for a distribution to do: its due entries, what it would set aside.
struct TFolderWork {
    std::vector<size_t> Due;
    TSetAsidePlan Plan;
    bool Empty() const { return Due.empty() && Plan.Empty(); }
};

TFolderWork WorkOf(ShellServices& shell, bool isUser, const TDistributionOptions& options) {
    TFolderWork work;
    work.Due = DueEntries(isUser);
    const std::optional<std::string>& root = isUser ? UserProgramsDir : CommonProgramsDir;
    const std::optional<std::string> journals =
        JournalFolder(shell, isUser ? TJournalKind::User : TJournalKind::AllUsers);
    if (root && journals)
        work.Plan = PlanSetAside(shell, *root, *journals, options);
    return work;
}

} // namespace

bool AsksForAdministrator(ShellServices& shell, const TPlannedMoves& plan) {
    return plan.AllUsers > 0 && !shell.IsElevated();
}

TDistribution DistributeItems(ShellServices& shell, const TDistributionOptions& options) {
    TDistribution result;
    for (const TStartMenu& entry : StartMenuItems)
        result.MovedBefore += IsAssigned(entry) && entry.Moved;
    TFolderWork common = WorkOf(shell, false, options);
    const TFolderWork user = WorkOf(shell, true, options);
    if (!options.MayAskForRights && !shell.IsElevated())
        common = TFolderWork();
    if (common.Empty() && user.Empty())
        return result;
    // Nothing is changed without a way back. The user's journal names the distribution; the
    // all-users step's journal takes the same name, so that both are undone together.
    std::optional<TJournalWriter> journal;
    if (!user.Empty()) {
        journal = TJournalWriter::Start(shell, TJournalKind::User);
        if (!journal) {
            result.NotStarted = true;
            return result;
        }
    }
    // In catalogue order: the all-users entries first.
    if (!common.Empty())
        DistributeAllUsers(shell, common.Due, options,
                           journal ? FileNameOf(journal->Path()) : NewJournalName(), result);
    // A cancel, or a step the all-users journal missed, stops the distribution there.
    if (!user.Empty() && !result.Stopped)
        DistributeUser(shell, user.Due, user.Plan, options, *journal, result);
    return result;
}

std::string DistributionReport(const TDistribution& result) {
    if (result.NotStarted)
        return std::string();
    std::string text = Text(result.Complete() ? TText::Distributed : TText::DistributedIncomplete);
    for (const std::string& stayed : result.Stayed)
        text += "\n" + stayed;
    if (result.SetAside > 0)
        text += "\n" + Text(TText::SetAsideCount, {std::to_string(result.SetAside)});
    if (result.MovedBefore > 0)
        text += "\n" + Text(TText::MovedBefore, {std::to_string(result.MovedBefore)});
    return text;
}
