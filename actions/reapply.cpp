#include "actions/reapply.h"

#include "actions/distribution.h"
#include "actions/earlier_choices.h"
#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "shell/shell_services.h"
#include "texts/texts.h"

#include <map>

namespace {

// Gives each top-level entry the category its Programs folder's journals last chose for its name;
// the all-users ones only where this process may change that folder, the others are named.
void AssignEarlierChoices(ShellServices& shell, TReapplyResult& result) {
    const std::map<std::string, int32_t> user = EarlierChoices(shell, TJournalKind::User);
    const std::map<std::string, int32_t> common = EarlierChoices(shell, TJournalKind::AllUsers);
    const bool elevated = shell.IsElevated();
    for (TStartMenu& entry : StartMenuItems) {
        const std::map<std::string, int32_t>& choices = entry.IsUser ? user : common;
        const auto choice = choices.find(shell.FoldedName(FileNameOf(entry.Path)));
        if (choice == choices.end())
            continue;
        if (entry.IsUser || elevated) {
            entry.Category = choice->second;
        } else {
            ++result.Left;
            result.Lines.push_back(
                Text(TText::ReapplyNeedsAdministrator,
                     {Caption(entry), CategoryNames[static_cast<size_t>(choice->second)]}));
        }
    }
}

} // namespace

TReapplyResult Reapply(ShellServices& shell) {
    ResetCatalogue();
    ScanStartMenu(shell);
    TReapplyResult result;
    AssignEarlierChoices(shell, result);
    TDistribution distribution;
    // The shortcuts of removed programs that earlier distributions put into category folders go
    // into keeping, as their uninstallers would have removed them; the all-users folder's only
    // with administrator rights.
    TDistributionOptions options;
    options.SetAside = TDistributionOptions::TSetAside::OwnMoves;
    options.MayAskForRights = false;
    try {
        distribution = DistributeItems(shell, options);
    } catch (const EInOutError& e) {
        result.Lines.push_back(ErrorBoxText(e.what()));
        distribution.Stopped = true;
    }
    for (const TStartMenu& entry : StartMenuItems) {
        if (entry.Category == NoCategory)
            continue;
        if (entry.Moved) {
            ++result.Moved;
            result.Lines.push_back(
                Text(TText::Reapplied,
                     {Caption(entry), CategoryNames[static_cast<size_t>(entry.Category)]}));
        } else {
            ++result.Left;
        }
    }
    if (distribution.SetAside > 0) {
        result.Moved += distribution.SetAside;
        result.Lines.push_back(Text(TText::SetAsideCount, {std::to_string(distribution.SetAside)}));
    }
    // Why each entry that stayed did: the distribution's own report lines.
    result.Lines.insert(result.Lines.end(), distribution.Stayed.begin(), distribution.Stayed.end());
    return result;
}

std::string ReapplyReport(const TReapplyResult& result) {
    std::string text;
    for (const std::string& line : result.Lines)
        text += line + "\n";
    if (result.Moved == 0 && result.Left == 0)
        return text + Text(TText::NothingToReapply);
    return text +
           Text(TText::ReapplySummary, {std::to_string(result.Moved), std::to_string(result.Left)});
}
