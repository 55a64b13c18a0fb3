// orvane-catalogue: runs the start-up scan with the real shell services and prints the catalogue,
// one entry a line, as UTF-8. Options assign entries, suggest categories, make a backup, distribute
// and undo, in that order, so that the folder actions can be run and checked without the window.
#include "actions/backup.h"
#include "actions/distribution.h"
#include "actions/earlier_choices.h"
#include "actions/reapply.h"
#include "actions/undo.h"
#include "app/all_users_step_main.h"
#include "catalogue/catalogue.h"
#include "catalogue/missing_programs.h"
#include "catalogue/scan.h"
#include "catalogue/suggest.h"
#include "shell/windows_shell.h"
#include "win32/console.h"
#include "win32/handles.h"
#include "win32/system.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

const char* const Usage =
    "usage: orvane-catalogue [--assign INDEX=CATEGORY]... [--suggest] [--backup FOLDER]\n"
    "                        [--set-aside-missing] [--leave-out-group-links] [--distribute]\n"
    "                        [--undo]\n"
    "       orvane-catalogue --categories\n"
    "       orvane-catalogue --reapply\n"
    "  Scans both Start-menu Programs folders and prints the catalogue as\n"
    "  INDEX<TAB>ORIGIN<TAB>CATEGORY<TAB>DISPLAY NAME<TAB>PATH<TAB>LOCALIZED NAME<TAB>SOURCE\n"
    "  <TAB>MISSING\n"
    "  (ORIGIN is common or user; LOCALIZED NAME is empty when the entry has none; SOURCE is\n"
    "  where a suggested category came from: journal, known or details, else empty; MISSING is\n"
    "  \"missing\" for a shortcut whose program was removed, else empty).\n"
    "  --assign INDEX=CATEGORY  assigns entry INDEX to a category, numbered from 0 as\n"
    "                           --categories lists them (repeatable)\n"
    "  --suggest                gives every entry without a category the one suggested\n"
    "                           for it: the user's earlier choice, a known program, or\n"
    "                           what its target says of itself\n"
    "  --backup FOLDER          copies both Programs folders into FOLDER, unless it holds\n"
    "                           a backup already\n"
    "  --set-aside-missing      puts the shortcuts of removed programs, at the top and in\n"
    "                           the category folders, into Orvane's keeping (journaled)\n"
    "  --leave-out-group-links  a program group moved into a category leaves its uninstall,\n"
    "                           readme, help and web-site links in Orvane's keeping\n"
    "  --distribute             moves every assigned entry into its category folder,\n"
    "                           keeping a journal of the moves\n"
    "  --undo                   moves the entries of the most recent distribution not yet\n"
    "                           undone back where they were\n"
    "  Messages are printed one a line. The exit status is 1 when the backup, the\n"
    "  distribution or the undo is refused or incomplete.\n"
    "  --categories prints the category names, one a line, in category order, and nothing else.\n"
    "  --reapply puts the entries that updates recreated at the top back into the categories\n"
    "  earlier distributions, not undone, gave them, asking nothing and showing no dialog;\n"
    "  without administrator rights it names the all-users entries it leaves. It prints a line\n"
    "  per entry moved or left and a summary; the exit status is 1 when something was left.\n";

void Print(const std::string& text) {
    WriteUtf8(STD_OUTPUT_HANDLE, text);
}

void PrintError(const std::string& text) {
    WriteUtf8(STD_ERROR_HANDLE, "orvane-catalogue: " + text + "\n" + Usage);
}

// The shell services of the window, but messages go to standard output.
class ConsoleShell : public WindowsShell {
public:
    void ShowMessage(const std::string& text) override { Print(text + "\n"); }
};

struct Options {
    bool categories = false;
    std::vector<std::pair<long, long>> assignments;
    bool suggest = false;
    std::optional<std::string> backupFolder;
    bool distribute = false;
    TDistributionOptions distribution;
    bool undo = false;
    bool reapply = false;
};

bool ParseNumber(const std::string& text, long& value) {
    if (text.empty() || text.size() > 9)
        return false;
    size_t start = text[0] == '-' ? 1 : 0;
    if (start == text.size())
        return false;
    for (size_t i = start; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    value = std::stol(text);
    return true;
}

// Reads the options; on a mistake, says what is wrong and returns nothing.
std::optional<Options> Parse(const std::vector<std::string>& args, std::string& error) {
    Options options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--assign" && hasValue) {
            const std::string value = args[++i];
            const size_t equals = value.find('=');
            long index = 0;
            long category = 0;
            if (equals == std::string::npos || !ParseNumber(value.substr(0, equals), index) ||
                !ParseNumber(value.substr(equals + 1), category) || index < 0 || category < 0 ||
                category >= CategoryCount) {
                error = "bad assignment '" + value +
                        "': expected INDEX=CATEGORY with CATEGORY 0.." +
                        std::to_string(CategoryCount - 1);
                return std::nullopt;
            }
            options.assignments.emplace_back(index, category);
        } else if (arg == "--backup" && hasValue && !options.backupFolder) {
            options.backupFolder = args[++i];
        } else if (arg == "--suggest" && !options.suggest) {
            options.suggest = true;
        } else if (arg == "--categories" && args.size() == 1) {
            options.categories = true;
        } else if (arg == "--reapply" && args.size() == 1) {
            options.reapply = true;
        } else if (arg == "--set-aside-missing" &&
                   options.distribution.SetAside == TDistributionOptions::TSetAside::None) {
            options.distribution.SetAside = TDistributionOptions::TSetAside::Everywhere;
        } else if (arg == "--leave-out-group-links" && !options.distribution.LeaveOutGroupLinks) {
            options.distribution.LeaveOutGroupLinks = true;
        } else if (arg == "--distribute" && !options.distribute) {
            options.distribute = true;
        } else if (arg == "--undo" && !options.undo) {
            options.undo = true;
        } else {
            error = "unexpected argument '" + arg + "'";
            return std::nullopt;
        }
    }
    return options;
}

void PrintCatalogue(const std::vector<TSuggestionSource>& sources) {
    for (size_t i = 0; i < StartMenuItems.size(); ++i) {
        const TStartMenu& entry = StartMenuItems[i];
        const char* source = i < sources.size() ? SourceName(sources[i]) : "";
        Print(std::to_string(i) + "\t" + (entry.IsUser ? "user" : "common") + "\t" +
              std::to_string(entry.Category) + "\t" + DisplayName(entry.Path) + "\t" + entry.Path +
              "\t" + entry.LocalizedName + "\t" + source + "\t" +
              (entry.WithoutProgram ? "missing" : "") + "\n");
    }
}

// Suggests as the window's button does, reading every entry's details here and now.
TSuggestionRun Suggest(ShellServices& shell) {
    std::vector<TEntryFacts> facts;
    for (const TStartMenu& entry : StartMenuItems)
        facts.push_back(ReadEntryFacts(shell, entry.Path));
    return SuggestCategories(shell, facts, EarlierChoices(shell));
}

} // namespace

int main() {
    RestrictDllSearch();
    PreloadSystemLibraries();
    EnforceRedirectionTrust();
    const std::vector<std::string> args = CommandLineArguments();
    if (const std::optional<int> served = ServeAllUsersStepIfAsked(args))
        return *served;
    std::string error;
    const std::optional<Options> options = Parse(args, error);
    if (!options) {
        PrintError(error);
        return 2;
    }
    if (options->categories) {
        for (const std::string& name : CategoryNames)
            Print(name + "\n");
        return 0;
    }
    TComScope com;
    ConsoleShell shell;
    if (options->reapply) {
        shell.SetQuiet(true);
        const TReapplyResult result = Reapply(shell);
        Print(ReapplyReport(result) + "\n");
        return result.Complete() ? 0 : 1;
    }
    ScanStartMenu(shell);
    for (const auto& [index, category] : options->assignments) {
        if (static_cast<size_t>(index) >= StartMenuItems.size()) {
            PrintError("no entry " + std::to_string(index) + ": the catalogue has " +
                       std::to_string(StartMenuItems.size()) + " entries");
            return 2;
        }
    }
    for (const auto& [index, category] : options->assignments)
        StartMenuItems[static_cast<size_t>(index)].Category = static_cast<int32_t>(category);
    for (TStartMenu& entry : StartMenuItems)
        entry.WithoutProgram = IsWithoutProgram(shell, entry.Path);
    TSuggestionRun suggested;
    if (options->suggest)
        suggested = Suggest(shell);
    PrintCatalogue(suggested.Sources);
    if (options->suggest)
        Print(SuggestionReport(suggested) + "\n");
    try {
        if (options->backupFolder && !MakeBackup(shell, *options->backupFolder))
            return 1;
        // Setting aside without --distribute moves nothing else.
        const bool setAside =
            options->distribution.SetAside != TDistributionOptions::TSetAside::None;
        if (setAside && !options->distribute) {
            for (TStartMenu& entry : StartMenuItems)
                entry.Category = NoCategory;
        }
        if (options->distribute || setAside) {
            const TDistribution result = DistributeItems(shell, options->distribution);
            const std::string report = DistributionReport(result);
            if (!report.empty())
                Print(report + "\n");
            if (!result.Complete())
                return 1;
        }
        if (options->undo) {
            const TUndoResult result = UndoLastDistribution(shell);
            Print(UndoReport(result) + "\n");
            if (!result.Complete())
                return 1;
        }
    } catch (const EInOutError& e) {
        Print(ErrorBoxText(e.what()) + "\n");
        return 1;
    }
    return 0;
}
