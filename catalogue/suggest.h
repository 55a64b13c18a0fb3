// Suggested categories: what an entry says of itself, and the category that follows from it, from
// the user's earlier choices, the table of known programs or the words of the target's own texts.
// Platform-free: the facts are read through ShellServices, the tables are text compiled in.
#pragma once

#include "catalogue/catalogue.h"
#include "shell/shell_services.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Where a suggestion came from, strongest first.
enum class TSuggestionSource { None, Journal, Known, Details };

// The word the catalogue tool prints for a source: "journal", "known", "details", or "" for none.
const char* SourceName(TSuggestionSource source);

// What one shortcut says of the program it starts.
struct TLinkFacts {
    std::string Name;       // the shortcut's caption (its file name without the extension)
    std::string TargetFile; // the target's file name; empty when it has none
    std::string Comment;    // the shortcut's description
    std::string Url;        // an internet shortcut's address
    TVersionInfo Version;   // the target executable's own texts
};

// What an entry says of itself: for a shortcut, itself; for a program group, the shortcuts
// directly inside it.
struct TEntryFacts {
    bool IsGroup = false;
    std::vector<TLinkFacts> Links;
    bool WithoutProgram = false; // a shortcut whose program was removed: no category is suggested
};

// Reads an entry's facts: each shortcut's target, comment and address, and the version texts of
// a target executable. May wait on the disk or the network: never on the window's thread.
TEntryFacts ReadEntryFacts(ShellServices& shell, const std::string& path);

struct TSuggestion {
    int32_t Category = NoCategory;
    TSuggestionSource Source = TSuggestionSource::None;
};

// The category the user chose before for an entry of this name (`earlier`: EarlierChoices, by
// file name folded as the file system compares names), else the one the known-program table
// gives it, else the one the target's own texts give it; none where a source's signals disagree,
// and none but the earlier choice for Windows' own entries (those with a localized name).
TSuggestion SuggestCategory(ShellServices& shell, const TStartMenu& entry, const TEntryFacts& facts,
                            const std::map<std::string, int32_t>& earlier);

// What suggesting for the whole catalogue did.
struct TSuggestionRun {
    size_t Unassigned = 0;                  // entries that had no category
    size_t Given = 0;                       // of those, the entries that got one now
    std::vector<TSuggestionSource> Sources; // by catalogue index: where each new category came from
};

// Gives every entry without a category the one suggested for it; entries with a category keep it.
// `facts` is by catalogue index; an entry beyond it, or whose facts could not be read, is judged by
// its name alone.
TSuggestionRun SuggestCategories(ShellServices& shell, const std::vector<TEntryFacts>& facts,
                                 const std::map<std::string, int32_t>& earlier);

// Whether a shortcut says nothing of the program it belongs to: an uninstall, readme, help, licence
// or web-site link (`inGroup`: among a program group's links, where every link to an ordinary web
// address is one).
bool SaysNothingOfItsProgram(const TLinkFacts& link, bool inGroup);
// What a shortcut says of its program, read through the shell (`withVersion`: with its target's
// version texts).
TLinkFacts ReadLinkFacts(ShellServices& shell, const std::string& path, bool withVersion = true);

// The one message that reports a run.
std::string SuggestionReport(const TSuggestionRun& run);

// The lines of the tables that say nothing they understand (an unknown category, a token without
// words): none in a good build.
std::vector<std::string> SuggestionTableProblems();

// A text's words as the tables are matched: letters and digits (and "+", "#"), Latin and Cyrillic
// in lower case, "ё" as "е"; everything else separates words.
std::vector<std::string> FoldedWords(const std::string& text);
