#include "catalogue/suggest.h"

#include "catalogue/missing_programs.h"
#include "texts/texts.h"

#include <algorithm>
#include <optional>
#include <set>
#include <string_view>

// The tables, compiled in from catalogue/data/*.txt.
extern const char KnownProgramsText[];
extern const char SuggestWordsText[];

namespace {

// At most this many shortcuts of a program group are read: enough to tell what it holds.
constexpr size_t MaxGroupLinks = 40;

// ---------------------------------------------------------------------------------------------
// Folding texts into words

char32_t FoldCodePoint(char32_t cp) {
    if ((cp >= U'A' && cp <= U'Z') || (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) ||
        (cp >= 0x410 && cp <= 0x42F))
        return cp + 0x20;
    if (cp == 0x401 || cp == 0x451) // Ё, ё
        return 0x435;
    if (cp >= 0x400 && cp <= 0x40F)
        return cp + 0x50;
    return cp;
}

// Letters and digits of any script; punctuation, symbols (®, ™, «, –) and spaces are not.
bool IsWordCharacter(char32_t cp) {
    if (cp < 0x80)
        return (cp >= '0' && cp <= '9') || (cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z') ||
               cp == '+' || cp == '#';
    if (cp < 0xC0)
        return cp == 0xB5; // µ
    return cp != 0xD7 && cp != 0xF7 && !(cp >= 0x2000 && cp <= 0x214F) &&
           !(cp >= 0x3000 && cp <= 0x303F) && cp != 0xFEFF;
}

// The whole text folded, separators kept: for file names.
std::string FoldedText(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size();)
        AppendUtf8(out, FoldCodePoint(NextCodePoint(text, i)));
    return out;
}

std::string Trimmed(const std::string& text) {
    const size_t start = text.find_first_not_of(" \t\r");
    if (start == std::string::npos)
        return std::string();
    return text.substr(start, text.find_last_not_of(" \t\r") - start + 1);
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// ---------------------------------------------------------------------------------------------
// The tables

// Words to find in a text, whole or (Prefix) as a word's beginning, in this order.
struct TPhrase {
    std::vector<std::pair<std::string, bool>> Words; // word, matched as a prefix
    bool Whole = false;                              // the text must be exactly these words
    int32_t Category = NoCategory;
};

// Phrases by their first word, whole or (ByFirstPrefix) as a prefix: a text's word is looked up,
// and each of its beginnings, instead of trying every phrase on it.
struct TPhraseIndex {
    std::map<std::string, std::vector<TPhrase>, std::less<>> ByFirstWord;
    std::map<std::string, std::vector<TPhrase>, std::less<>> ByFirstPrefix;
    size_t LongestPrefix = 0;

    void Add(TPhrase phrase) {
        const auto& [first, prefix] = phrase.Words.front();
        if (prefix)
            LongestPrefix = std::max(LongestPrefix, first.size());
        (prefix ? ByFirstPrefix : ByFirstWord)[first].push_back(std::move(phrase));
    }
};

struct TTables {
    TPhraseIndex KnownNames;
    std::map<std::string, std::set<int32_t>> KnownTargets; // folded file name -> categories
    TPhraseIndex Words;
    std::map<std::string, int32_t> Schemes; // an address's scheme -> category
    TPhraseIndex SkipNames;                 // category unused
    std::vector<std::string> SkipTargets;   // folded, "*" at either end
    std::set<std::string> Hosts;            // folded file names
    std::vector<std::string> Problems;      // lines that say nothing the tables understand
};

bool MatchesAt(const TPhrase& phrase, const std::vector<std::string>& words, size_t at) {
    if (phrase.Whole && (at != 0 || words.size() != phrase.Words.size()))
        return false;
    if (at + phrase.Words.size() > words.size())
        return false;
    for (size_t k = 0; k < phrase.Words.size(); ++k) {
        const auto& [word, prefix] = phrase.Words[k];
        const std::string& seen = words[at + k];
        if (prefix ? seen.compare(0, word.size(), word) != 0 : seen != word)
            return false;
    }
    return true;
}

// Adds the category of every phrase found in `words` to `found`.
void FindPhrases(const TPhraseIndex& index, const std::vector<std::string>& words,
                 std::set<int32_t>& found) {
    const auto tryAll = [&](const std::vector<TPhrase>& phrases, size_t at) {
        for (const TPhrase& phrase : phrases)
            if (MatchesAt(phrase, words, at))
                found.insert(phrase.Category);
    };
    for (size_t at = 0; at < words.size(); ++at) {
        const std::string_view word = words[at];
        if (auto phrases = index.ByFirstWord.find(word); phrases != index.ByFirstWord.end())
            tryAll(phrases->second, at);
        for (size_t length = 1; length <= std::min(word.size(), index.LongestPrefix); ++length) {
            if (auto phrases = index.ByFirstPrefix.find(word.substr(0, length));
                phrases != index.ByFirstPrefix.end())
                tryAll(phrases->second, at);
        }
    }
}

// A phrase as written in a table: "=" first for a whole name, "*" after a word for a prefix.
std::optional<TPhrase> ParsePhrase(std::string token, int32_t category) {
    TPhrase phrase;
    phrase.Category = category;
    if (!token.empty() && token[0] == '=') {
        phrase.Whole = true;
        token.erase(0, 1);
    }
    for (const std::string& piece : Split(token, ' ')) {
        const std::vector<std::string> words = FoldedWords(piece);
        for (size_t k = 0; k < words.size(); ++k)
            phrase.Words.emplace_back(words[k], k + 1 == words.size() && EndsWith(piece, "*"));
    }
    if (phrase.Words.empty())
        return std::nullopt;
    return phrase;
}

int32_t CategoryNamed(const std::string& name) {
    for (int32_t c = 0; c < CategoryCount; ++c)
        if (CategoryNames[static_cast<size_t>(c)] == name)
            return c;
    return NoCategory;
}

// One line of a table: "KEY: TOKEN, TOKEN, ...".
void ParseLine(TTables& tables, const std::string& line, bool known) {
    const size_t colon = line.find(':');
    const std::string key = Trimmed(line.substr(0, colon == std::string::npos ? 0 : colon));
    const int32_t category = CategoryNamed(key);
    const bool skip = !known && key == "skip";
    const bool skipTarget = !known && key == "skip-target";
    const bool host = !known && key == "host";
    if (colon == std::string::npos || (category == NoCategory && !skip && !skipTarget && !host)) {
        tables.Problems.push_back(line);
        return;
    }
    for (const std::string& part : Split(line.substr(colon + 1), ',')) {
        const std::string token = Trimmed(part);
        const std::string folded = FoldedText(token);
        if (skipTarget) {
            tables.SkipTargets.push_back(folded);
        } else if (host) {
            tables.Hosts.insert(folded);
        } else if (known && EndsWith(folded, ".exe")) {
            tables.KnownTargets[folded].insert(category);
        } else if (!known && EndsWith(folded, "://")) {
            tables.Schemes[folded.substr(0, folded.size() - 3)] = category;
        } else if (std::optional<TPhrase> phrase = ParsePhrase(token, category)) {
            (known ? tables.KnownNames : skip ? tables.SkipNames : tables.Words).Add(*phrase);
        } else {
            tables.Problems.push_back(line + " (" + token + ")");
        }
    }
}

void ParseTable(TTables& tables, const char* text, bool known) {
    for (const std::string& raw : Split(text, '\n')) {
        const std::string line = Trimmed(raw);
        if (!line.empty() && line[0] != '#')
            ParseLine(tables, line, known);
    }
}

const TTables& Tables() {
    static const TTables tables = [] {
        TTables t;
        ParseTable(t, KnownProgramsText, true);
        ParseTable(t, SuggestWordsText, false);
        return t;
    }();
    return tables;
}

bool MatchesGlob(const std::string& name, const std::string& glob) {
    if (glob.size() > 1 && glob.front() == '*')
        return EndsWith(name, glob.substr(1));
    if (glob.size() > 1 && glob.back() == '*')
        return name.compare(0, glob.size() - 1, glob, 0, glob.size() - 1) == 0;
    return name == glob;
}

// ---------------------------------------------------------------------------------------------
// The rules

std::string SchemeOf(const std::string& url) {
    const size_t end = url.find("://");
    return end == std::string::npos ? std::string() : FoldedText(url.substr(0, end));
}

// A shortcut that says nothing of a program: an uninstall, readme, help or web-site link (in a
// group, every link to an ordinary web address is one).
bool SaysNothing(const TLinkFacts& link, bool inGroup) {
    const TTables& tables = Tables();
    std::set<int32_t> found;
    FindPhrases(tables.SkipNames, FoldedWords(link.Name), found);
    if (!found.empty())
        return true;
    const std::string target = FoldedText(link.TargetFile);
    for (const std::string& glob : tables.SkipTargets)
        if (MatchesGlob(target, glob))
            return true;
    const std::string scheme = SchemeOf(link.Url);
    return inGroup && (scheme == "http" || scheme == "https");
}

// The one category of a set, or none when it is empty or holds several.
TSuggestion OneOf(const std::set<int32_t>& categories, TSuggestionSource source) {
    if (categories.size() != 1)
        return {};
    return {*categories.begin(), source};
}

} // namespace

std::vector<std::string> FoldedWords(const std::string& text) {
    std::vector<std::string> words(1);
    for (size_t i = 0; i < text.size();) {
        const char32_t cp = NextCodePoint(text, i);
        if (IsWordCharacter(cp))
            AppendUtf8(words.back(), FoldCodePoint(cp));
        else if (!words.back().empty())
            words.emplace_back();
    }
    if (words.back().empty())
        words.pop_back();
    return words;
}

const char* SourceName(TSuggestionSource source) {
    switch (source) {
    case TSuggestionSource::Journal:
        return "journal";
    case TSuggestionSource::Known:
        return "known";
    case TSuggestionSource::Details:
        return "details";
    default:
        return "";
    }
}

std::vector<std::string> SuggestionTableProblems() {
    return Tables().Problems;
}

namespace {

TLinkFacts LinkFactsOf(ShellServices& shell, const std::string& path,
                       const std::optional<TShortcutInfo>& shortcut, bool withVersion) {
    TLinkFacts link;
    link.Name = DisplayName(path);
    if (!shortcut)
        return link;
    link.TargetFile = FileNameOf(shortcut->Target);
    link.Comment = shortcut->Comment;
    link.Url = shortcut->Url;
    const std::string target = FoldedText(link.TargetFile);
    if (withVersion && EndsWith(target, ".exe") && !Tables().Hosts.count(target))
        link.Version = shell.ReadVersionInfo(shortcut->Target);
    return link;
}

} // namespace

TLinkFacts ReadLinkFacts(ShellServices& shell, const std::string& path, bool withVersion) {
    return LinkFactsOf(shell, path, shell.ReadShortcut(path), withVersion);
}

bool SaysNothingOfItsProgram(const TLinkFacts& link, bool inGroup) {
    return SaysNothing(link, inGroup);
}

TEntryFacts ReadEntryFacts(ShellServices& shell, const std::string& path) {
    TEntryFacts facts;
    if (!shell.FolderExists(path)) {
        const std::optional<TShortcutInfo> shortcut = shell.ReadShortcut(path);
        facts.Links.push_back(LinkFactsOf(shell, path, shortcut, true));
        facts.WithoutProgram =
            AsciiLower(ExtensionOf(path)) == ".lnk" && IsWithoutProgram(shell, shortcut);
        return facts;
    }
    facts.IsGroup = true;
    for (const std::string& name : shell.ListFolder(path + "\\*", ListAllAttributes)) {
        const std::string extension = AsciiLower(ExtensionOf(name));
        if ((extension == ".lnk" || extension == ".url") && facts.Links.size() < MaxGroupLinks)
            facts.Links.push_back(ReadLinkFacts(shell, path + "\\" + name));
    }
    return facts;
}

TSuggestion SuggestCategory(ShellServices& shell, const TStartMenu& entry, const TEntryFacts& facts,
                            const std::map<std::string, int32_t>& earlier) {
    // A shortcut whose program was removed belongs to no category.
    if (facts.WithoutProgram || entry.WithoutProgram)
        return {};
    if (auto choice = earlier.find(shell.FoldedName(FileNameOf(entry.Path)));
        choice != earlier.end() && choice->second >= 0 && choice->second < CategoryCount)
        return {choice->second, TSuggestionSource::Journal};
    if (!entry.LocalizedName.empty())
        return {};
    TLinkFacts own;
    if (!facts.IsGroup && !facts.Links.empty())
        own = facts.Links.front();
    own.Name = DisplayName(entry.Path);
    if (SaysNothing(own, false))
        return {};

    const TTables& tables = Tables();
    std::set<int32_t> known;
    FindPhrases(tables.KnownNames, FoldedWords(own.Name), known);
    // A group's own name is its maker's word for all it holds.
    if (facts.IsGroup && !known.empty())
        return OneOf(known, TSuggestionSource::Known);
    std::vector<const TLinkFacts*> links;
    if (facts.IsGroup) {
        for (const TLinkFacts& link : facts.Links)
            if (!SaysNothing(link, true))
                links.push_back(&link);
    } else {
        links.push_back(&own);
    }
    for (const TLinkFacts* link : links) {
        if (facts.IsGroup)
            FindPhrases(tables.KnownNames, FoldedWords(link->Name), known);
        if (auto target = tables.KnownTargets.find(FoldedText(link->TargetFile));
            target != tables.KnownTargets.end())
            known.insert(target->second.begin(), target->second.end());
    }
    if (!known.empty())
        return OneOf(known, TSuggestionSource::Known);

    std::set<int32_t> details;
    for (const TLinkFacts* link : links) {
        for (const std::string* text :
             {&link->Version.FileDescription, &link->Version.ProductName, &link->Comment})
            FindPhrases(tables.Words, FoldedWords(*text), details);
        if (auto scheme = tables.Schemes.find(SchemeOf(link->Url)); scheme != tables.Schemes.end())
            details.insert(scheme->second);
    }
    return OneOf(details, TSuggestionSource::Details);
}

TSuggestionRun SuggestCategories(ShellServices& shell, const std::vector<TEntryFacts>& facts,
                                 const std::map<std::string, int32_t>& earlier) {
    TSuggestionRun run;
    run.Sources.assign(StartMenuItems.size(), TSuggestionSource::None);
    const TEntryFacts unread;
    for (size_t i = 0; i < StartMenuItems.size(); ++i) {
        TStartMenu& entry = StartMenuItems[i];
        if (entry.Category != NoCategory)
            continue;
        ++run.Unassigned;
        const TSuggestion suggestion =
            SuggestCategory(shell, entry, i < facts.size() ? facts[i] : unread, earlier);
        if (suggestion.Category == NoCategory)
            continue;
        entry.Category = suggestion.Category;
        run.Sources[i] = suggestion.Source;
        ++run.Given;
    }
    return run;
}

std::string SuggestionReport(const TSuggestionRun& run) {
    if (run.Unassigned == 0)
        return Text(TText::AllHaveCategories);
    if (run.Given == 0)
        return Text(TText::NoneSuggested);
    return Text(TText::Suggested, {std::to_string(run.Given), std::to_string(run.Unassigned)});
}
