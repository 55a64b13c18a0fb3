// The category table, the catalogue of Start-menu entries and the operations the wizard performs
// on them. Platform-free: texts are UTF-8.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

constexpr int CategoryCount = 9;
constexpr int32_t NoCategory = -1;

// Each name is also its category's folder name and button caption; the index is the icon index.
extern const std::array<std::string, CategoryCount> CategoryNames;

struct TStartMenu {
    std::string Path;              // Programs folder + "\" + the name as the listing returned it
    int32_t Category = NoCategory; // 0..8 or NoCategory
    bool IsUser = false;           // false: all-users Programs folder; true: the user's
    std::string LocalizedName;     // the name the Start menu shows from desktop.ini; empty: none
    bool Moved = false;            // this run moved it into its category folder (and not back)
    bool WithoutProgram = false;   // a shortcut whose program was removed (missing_programs.h)
};

// Process-wide catalogue state. An entry's index in StartMenuItems is its identity for the run.
extern std::vector<TStartMenu> StartMenuItems;
extern int32_t CurrentCategory;

// A catalogue index with the check mark it is shown with.
struct TCheckedItem {
    size_t Index;
    bool Checked;
    bool operator==(const TCheckedItem& o) const {
        return Index == o.Index && Checked == o.Checked;
    }
};

// Entries to list for `category`: unassigned ones and those of `category`, in catalogue order;
// checked exactly when assigned.
std::vector<TCheckedItem> VisibleItems(int32_t category);

// Writes the shown check marks back: checked entries get `category`, unchecked ones NoCategory.
void ApplyChecks(int32_t category, const std::vector<TCheckedItem>& items);

// The last path component: the part after the last "\" or ":".
std::string FileNameOf(const std::string& path);

// The folder part of a path: everything before its last "\" (the whole path when it has none).
std::string ParentOf(const std::string& path);

// A name a folder listing can return: no separators, wildcards, stream or device syntax, and not
// "." or ".." (nor one Windows would trim into another name).
bool IsPlainName(const std::string& name);

// The extension of a path's file name, from its last "." (empty if there is none).
std::string ExtensionOf(const std::string& path);

// The parts of a text between `separator`s, empty ones included (one part for a text without any).
std::vector<std::string> Split(const std::string& text, char separator);

// A copy with the ASCII letters lower-cased; other bytes, and so the length, stay as they are.
std::string AsciiLower(std::string text);

// The caption shown for an entry: its file name with the extension cut off.
std::string DisplayName(const std::string& path);

// The caption an entry is listed with: its localized name where it has one, else DisplayName.
std::string Caption(const TStartMenu& entry);

// The code point of a UTF-8 text that starts at byte `i`, and `i` moved past it.
char32_t NextCodePoint(const std::string& text, size_t& i);

// Whether a text is well-formed UTF-8: every sequence complete, shortest and below U+110000, and
// no surrogates.
bool IsValidUtf8(const std::string& text);

// Appends a code point to a text in UTF-8.
void AppendUtf8(std::string& out, char32_t cp);

// Number of characters (code points) in a UTF-8 text.
size_t Utf8Length(const std::string& text);

// The first `count` characters of a UTF-8 text.
std::string Utf8Prefix(const std::string& text, size_t count);
