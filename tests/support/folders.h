// Real folders and files for the Windows tests and tools: a temporary folder removed afterwards,
// shortcuts made through the shell's link object, and pictures of folder trees to compare.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <utility>

// A new, empty folder in the temporary directory, removed with all its content on destruction.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    // The folder's path, without a trailing "\".
    const std::string& Path() const { return path_; }
    // A path inside the folder.
    std::string At(const std::string& relative) const { return path_ + "\\" + relative; }

private:
    std::string path_;
};

// Creates the folder and any missing parents.
void MakeFolders(const std::string& path);
// Writes a file with the given content; true on success.
bool WriteFile(const std::string& path, const std::string& content);
// What a shortcut says besides its target; an empty field is left unset.
struct ShortcutDetails {
    std::string description = "Orvane test shortcut";
    std::string arguments;
    std::string workingFolder;
    std::string iconFile; // with iconIndex, the icon shown instead of the target's own
    int iconIndex = 0;
};
// Creates a real .lnk shortcut through the shell's link object, over one that is there (whatever
// its attributes).
bool MakeShortcut(const std::string& linkPath, const std::string& target,
                  const ShortcutDetails& details = {});
// Adds file attributes (FILE_ATTRIBUTE_HIDDEN, ...) to a file or folder.
bool AddAttributes(const std::string& path, unsigned long attributes);
// Whether a file or folder is there, beyond MAX_PATH too.
bool Exists(const std::string& path);
// Removes a file, or a folder with everything in it, whatever their attributes, beyond MAX_PATH
// too; a folder link is removed as itself, never entered. Says whether the path is gone.
bool RemoveTree(const std::string& path);

// Notepad in the Windows folder: a target every system has.
std::string NotepadPath();

// Every file below a folder with a checksum of its content, and every folder below it, by their
// paths relative to it; read beyond MAX_PATH too.
struct Tree {
    std::map<std::string, uint64_t> files;
    std::set<std::string> folders;
    bool operator==(const Tree& o) const { return files == o.files && folders == o.folders; }
};
std::ostream& operator<<(std::ostream& out, const Tree& tree);
Tree Snapshot(const std::string& root);
// What must survive any move wherever the files end up: (file name, checksum) of every file.
std::multiset<std::pair<std::string, uint64_t>> Contents(const Tree& tree);

// Makes a folder the process's current directory for its lifetime.
class CurrentDirectoryScope {
public:
    explicit CurrentDirectoryScope(const std::string& folder);
    ~CurrentDirectoryScope();
    CurrentDirectoryScope(const CurrentDirectoryScope&) = delete;
    CurrentDirectoryScope& operator=(const CurrentDirectoryScope&) = delete;

private:
    std::wstring saved_;
};

bool RunningOnWine();

// Under Wine, a folder whose Linux directory is immutable (chattr +i): Wine then refuses to create
// anything in it or move anything out of it, even for root, as Windows refuses a user without
// rights. chattr runs outside Wine, and its process handle may signal before it has acted, so the
// effect itself is waited for (a few seconds at most), both ways. Active() is false, with
// Problem() saying why, where the folder does not refuse writes; Clear() is false, likewise, where
// it stays unwritable. Cleared again on destruction.
class UnwritableFolder {
public:
    explicit UnwritableFolder(const std::string& folder);
    ~UnwritableFolder();
    UnwritableFolder(const UnwritableFolder&) = delete;
    UnwritableFolder& operator=(const UnwritableFolder&) = delete;
    bool Active() const { return active_; }
    bool Clear();
    const std::string& Problem() const { return problem_; }

private:
    std::string folder_, unixPath_, problem_;
    bool active_ = false;
    bool flagged_ = false; // chattr +i was started and not undone yet
};
// Whether this process can show windows at all: under Wine without an X display it cannot, and
// the shell's questions then fail at once instead of being asked.
bool CanShowWindows();
