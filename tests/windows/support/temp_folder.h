// Real folders and files for the Windows tests: a temporary folder removed afterwards, shortcuts
// made through the shell's link object, and a checksum picture of a folder tree.
#pragma once

#include <cstdint>
#include <map>
#include <string>

// A new, empty folder in the temporary directory, removed with all its content on destruction.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    // The folder's path, without a trailing "\".
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// Creates the folder and any missing parents.
void MakeFolders(const std::string& path);
// Writes a file with the given content; true on success.
bool WriteFile(const std::string& path, const std::string& content);
// Creates a real .lnk shortcut through the shell's link object.
bool MakeShortcut(const std::string& linkPath, const std::string& target);
// Adds file attributes (FILE_ATTRIBUTE_HIDDEN, ...) to a file or folder.
bool AddAttributes(const std::string& path, unsigned long attributes);
bool Exists(const std::string& path);

// Every file below `root`, by its path relative to `root`, with a checksum of its content.
std::map<std::string, uint64_t> FileChecksums(const std::string& root);

// Initialises COM for the calling thread for its lifetime.
struct ComScope {
    ComScope();
    ~ComScope();
};
