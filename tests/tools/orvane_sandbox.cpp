// orvane-sandbox: fills the two Start-menu Programs folders of a Wine prefix with a fixed sample of
// shortcuts, program groups and awkward names, so that Orvane can be tried and tested on them.
//
// Usage: orvane-sandbox [--clean] [--where] [--allow-windows]
//   --clean          empty both Programs folders before filling them
//   --where          print the two Programs folders (all users first) and change nothing
//   --allow-windows  run even when not under Wine (it rewrites the real Start menu there)
#include "catalogue/catalogue.h"
#include "sandbox_names.h"
#include "support/folders.h"
#include "win32/console.h"
#include "win32/handles.h"
#include "win32/system.h"
#include "win32/text.h"

#include <windows.h>

#include <shlobj.h>
#include <shlwapi.h>

#include <cstdio>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------------
// Failures and output

class Failure : public std::runtime_error {
public:
    explicit Failure(const std::string& what) : std::runtime_error(what) {}
};

std::string SystemMessage(DWORD code) {
    wchar_t text[512] = {};
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                       text, static_cast<DWORD>(sizeof text / sizeof text[0]), nullptr);
    std::string message = Narrow(std::wstring(text, length));
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.'))
        message.pop_back();
    std::string result = "error " + std::to_string(code);
    if (!message.empty())
        result += " (" + message + ")";
    return result;
}

[[noreturn]] void FailWithCode(const std::string& what, DWORD code) {
    throw Failure(what + ": " + SystemMessage(code));
}

[[noreturn]] void FailWithLastError(const std::string& what) {
    FailWithCode(what, GetLastError());
}

[[noreturn]] void FailWithResult(const std::string& what, HRESULT result) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(result));
    throw Failure(what + ": HRESULT " + hex);
}

void Print(const std::string& utf8) {
    WriteUtf8(STD_OUTPUT_HANDLE, utf8);
}
void PrintError(const std::string& utf8) {
    WriteUtf8(STD_ERROR_HANDLE, utf8);
}

// ---------------------------------------------------------------------------------------------
// File-system helpers (UTF-8 paths, "\"-separated)

struct DirEntry {
    std::string name;
    DWORD attributes;
};

// The names in a folder, without "." and "..".
std::vector<DirEntry> ListFolder(const std::string& folder) {
    WIN32_FIND_DATAW data{};
    const TFindHandle find(FindFirstFileW(Widen(folder + "\\*").c_str(), &data));
    std::vector<DirEntry> entries;
    if (!find) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_NO_MORE_FILES)
            return entries;
        FailWithCode("Cannot list " + folder, code);
    }
    do {
        const std::string name = Narrow(data.cFileName);
        if (name != "." && name != "..")
            entries.push_back({name, data.dwFileAttributes});
    } while (FindNextFileW(find.get(), &data));
    const DWORD code = GetLastError();
    if (code != ERROR_NO_MORE_FILES)
        FailWithCode("Cannot list " + folder, code);
    return entries;
}

bool IsFolder(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A directory junction or link counts as itself; its target is never entered.
bool IsRealFolder(DWORD attributes) {
    return IsFolder(attributes) && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

// Empties a folder; a folder link in it goes as itself, its target is never entered.
void EmptyFolder(const std::string& folder) {
    for (const DirEntry& entry : ListFolder(folder)) {
        if (!RemoveTree(folder + "\\" + entry.name))
            FailWithLastError("Cannot remove " + folder + "\\" + entry.name);
    }
}

// ---------------------------------------------------------------------------------------------
// The sample

enum class Scope { Common, User };

struct SampleShortcut {
    Scope scope;
    std::string path; // relative to the Programs folder; "\" separates program-group folders
    std::string target;
    std::string description;
    std::string arguments;
    std::string workingDir; // empty: the target's own folder
    int shell32Icon = -1;   // index of an icon in shell32.dll; -1: the target's own icon
    DWORD attributes = 0;   // set after saving; 0: left as the shell saved it
};

constexpr Scope C = Scope::Common;
constexpr Scope U = Scope::User;

// The sample's programs (name -> path) and shortcuts, from sandbox_sample.tsv in this program's
// resources; the first program stands in for any that is missing.
struct Sample {
    std::map<std::string, std::string> programs;
    std::string fallback;
    std::vector<SampleShortcut> shortcuts;
};

constexpr int kSampleResource = 1; // orvane_sandbox.rc

Sample ReadSample() {
    const HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(kSampleResource), RT_RCDATA);
    const HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const char* const data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (data == nullptr)
        throw Failure("The sample is missing from this program's resources");
    Sample sample;
    for (std::string line : Split(std::string(data, SizeofResource(nullptr, found)), '\n')) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> f = Split(line, '\t');
        if (f[0] == "program" && f.size() == 3) {
            if (sample.programs.empty())
                sample.fallback = f[2];
            sample.programs[f[1]] = f[2];
            continue;
        }
        const size_t fields = f.size();
        f.resize(8);
        const auto program = sample.programs.find(f[2]);
        if ((f[0] != "common" && f[0] != "user") || fields < 4 || fields > 8 ||
            program == sample.programs.end() ||
            f[6].find_first_not_of("0123456789") != std::string::npos ||
            (f[7] != "" && f[7] != "hidden" && f[7] != "system"))
            throw Failure("A line of the sample is not understood: " + line);
        sample.shortcuts.push_back({f[0] == "common" ? Scope::Common : Scope::User, f[1],
                                    program->second, f[3], f[4], f[5],
                                    f[6].empty() ? -1 : std::stoi(f[6]),
                                    f[7] == "hidden"   ? DWORD{FILE_ATTRIBUTE_HIDDEN}
                                    : f[7] == "system" ? DWORD{FILE_ATTRIBUTE_SYSTEM}
                                                       : DWORD{0}});
    }
    return sample;
}

// The desktop.ini files that give folders and the files in them the names a Russian Windows shows,
// through the names DLL as a Russian Windows' point at shell32.dll: mostly by "%SystemRoot%", once
// by a plain path, once as plain text. The two spellings of the Programs folders' file names check
// that .ini files are recognised in any letter case.
const char* const kNamesDll = "orvane-sandbox-names.dll";
const char* const kNamesModule = "@%SystemRoot%\\system32\\orvane-sandbox-names.dll,-";

struct SampleIni {
    Scope scope;
    std::string folder; // relative to the Programs folder; empty for the Programs folder itself
    const char* name;
    std::string text;
};

std::string FolderName(int id) {
    return "[.ShellClassInfo]\r\nLocalizedResourceName=" + std::string(kNamesModule) +
           std::to_string(id) + "\r\n";
}

std::vector<SampleIni> SampleInis() {
    const std::string m = kNamesModule;
    const std::string plainPath =
        "@" + ExpandEnvironment("%SystemRoot%\\system32\\") + kNamesDll + ",-";
    const std::string programs = "[.ShellClassInfo]\r\nLocalizedResourceName="
                                 "@%SystemRoot%\\system32\\shell32.dll,-21782\r\n"
                                 "[LocalizedFileNames]\r\n";
    return {
        {C, "", "desktop.ini",
         programs + "Windows Media Player.lnk=" + m + std::to_string(IDS_MEDIA_PLAYER) + "\r\n" +
             "Windows Fax and Scan.lnk=" + plainPath + std::to_string(IDS_FAX_AND_SCAN) + "\r\n" +
             "Remote Desktop Connection.lnk=Подключение к удалённому рабочему столу\r\n"},
        {U, "", "Desktop.INI",
         programs + "Sticky Notes.lnk=" + m + std::to_string(IDS_STICKY_NOTES) + "\r\n"},
        {C, "Accessories", "desktop.ini",
         FolderName(IDS_ACCESSORIES) + "[LocalizedFileNames]\r\nNotepad.lnk=" + m +
             std::to_string(IDS_NOTEPAD) + "\r\nCharacter Map.lnk=" + m +
             std::to_string(IDS_CHARACTER_MAP) + "\r\n"},
        {C, "Accessories\\System Tools", "desktop.ini",
         FolderName(IDS_SYSTEM_TOOLS) + "[LocalizedFileNames]\r\nSystem Information.lnk=" + m +
             std::to_string(IDS_SYSTEM_INFORMATION) + "\r\nDisk Cleanup.lnk=" + m +
             std::to_string(IDS_DISK_CLEANUP) + "\r\n"},
        {C, "Administrative Tools", "desktop.ini", FolderName(IDS_ADMINISTRATIVE_TOOLS)},
        {U, "Administrative Tools", "desktop.ini", FolderName(IDS_ADMINISTRATIVE_TOOLS)},
        {C, "Maintenance", "desktop.ini",
         FolderName(IDS_MAINTENANCE) + "[LocalizedFileNames]\r\nBackup and Restore.lnk=" + m +
             std::to_string(IDS_BACKUP_AND_RESTORE) + "\r\n"},
        {C, "StartUp", "desktop.ini", FolderName(IDS_STARTUP)},
        {U, "StartUp", "desktop.ini", FolderName(IDS_STARTUP)},
    };
}

// ---------------------------------------------------------------------------------------------
// Creation

std::string ProgramsFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    const HRESULT result =
        SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path);
    const char* what = csidl == CSIDL_COMMON_PROGRAMS ? "all-users" : "user's";
    if (FAILED(result))
        FailWithResult(std::string("Cannot locate the ") + what + " Programs folder", result);
    const std::string folder = Narrow(path);
    if (folder.empty() || !IsFolder(GetFileAttributesW(path)))
        throw Failure(std::string("The ") + what + " Programs folder is missing: " + folder);
    return folder;
}

std::string ResolveTarget(const std::string& target, const std::string& fallbackTarget) {
    const std::string path = ExpandEnvironment(target);
    if (Exists(path))
        return path;
    const std::string fallback = ExpandEnvironment(fallbackTarget);
    if (!Exists(fallback))
        throw Failure("Neither " + path + " nor " + fallback + " exists");
    PrintError("orvane-sandbox: warning: " + path + " is missing; using " + fallback + "\n");
    return fallback;
}

void CreateShortcut(const std::string& linkPath, const SampleShortcut& item,
                    const std::string& fallbackTarget) {
    const std::string target = ResolveTarget(item.target, fallbackTarget);
    ShortcutDetails details{item.description, item.arguments,
                            item.workingDir.empty() ? ParentOf(target)
                                                    : ExpandEnvironment(item.workingDir)};
    if (item.shell32Icon >= 0) {
        details.iconFile = ExpandEnvironment("%SystemRoot%\\system32\\shell32.dll");
        details.iconIndex = item.shell32Icon;
    }
    if (!MakeShortcut(linkPath, target, details))
        throw Failure("Cannot save the shortcut " + linkPath);
}

void SetAttributes(const std::string& path, DWORD attributes) {
    if (!SetFileAttributesW(Widen(path).c_str(), attributes))
        FailWithLastError("Cannot set the attributes of " + path);
    if ((GetFileAttributesW(Widen(path).c_str()) & attributes) != attributes)
        throw Failure("The attributes of " + path + " did not stick");
}

// Writes a desktop.ini as the shell does: UTF-16 with a byte-order mark, hidden and system, in a
// folder marked as one whose desktop.ini the shell reads.
void WriteDesktopIni(const std::string& folder, const SampleIni& ini) {
    const std::string path = folder + "\\" + ini.name;
    const std::wstring text = L"\xFEFF" + Widen(ini.text);
    // A hidden and system file cannot be written over as it is.
    if (!RemoveTree(path) ||
        !WriteFile(path, std::string(reinterpret_cast<const char*>(text.data()),
                                     text.size() * sizeof(wchar_t))))
        FailWithLastError("Cannot write " + path);
    SetAttributes(path, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    if (!PathMakeSystemFolderW(Widen(folder).c_str()))
        FailWithLastError("Cannot mark " + folder + " as a system folder");
}

// Copies the names DLL from beside this program into the system folder, where the sample's
// desktop.ini files expect it.
void InstallNamesDll() {
    const std::string source = ExecutableFolder() + kNamesDll;
    const std::string target = ExpandEnvironment("%SystemRoot%\\system32\\") + kNamesDll;
    if (!CopyFileW(Widen(source).c_str(), Widen(target).c_str(), FALSE))
        FailWithLastError("Cannot copy " + source + " to " + target);
}

void Fill(const Sample& sample, Scope scope, const std::string& folder) {
    for (const SampleShortcut& item : sample.shortcuts) {
        if (item.scope != scope)
            continue;
        const std::string linkPath = folder + "\\" + item.path;
        MakeFolders(ParentOf(linkPath));
        CreateShortcut(linkPath, item, sample.fallback);
        if (item.attributes != 0)
            SetAttributes(linkPath, item.attributes);
    }
    for (const SampleIni& ini : SampleInis()) {
        if (ini.scope == scope)
            WriteDesktopIni(ini.folder.empty() ? folder : folder + "\\" + ini.folder, ini);
    }
}

// ---------------------------------------------------------------------------------------------
// Summary, counted from what is on disk

struct Counts {
    int topShortcuts = 0;
    int topFolders = 0;
    int topOther = 0;
    int categoryFolders = 0; // top-level folders bearing a category name exactly
    int hidden = 0;          // top-level entries, desktop.ini aside
    int system = 0;
    int scanEntries = 0; // top-level names other than .ini files and category names
    int nestedShortcuts = 0;
    int nestedFolders = 0;
    int nestedOther = 0;
};

void CountNested(const std::string& folder, Counts& counts) {
    for (const DirEntry& entry : ListFolder(folder)) {
        if (IsFolder(entry.attributes)) {
            ++counts.nestedFolders;
            if (IsRealFolder(entry.attributes))
                CountNested(folder + "\\" + entry.name, counts);
        } else if (AsciiLower(ExtensionOf(entry.name)) == ".lnk") {
            ++counts.nestedShortcuts;
        } else {
            ++counts.nestedOther;
        }
    }
}

// The shell's own folders (startup, administrative tools), which Orvane never lists.
bool IsShellOwnFolder(const std::string& path) {
    for (int csidl :
         {CSIDL_STARTUP, CSIDL_COMMON_STARTUP, CSIDL_ADMINTOOLS, CSIDL_COMMON_ADMINTOOLS}) {
        wchar_t folder[MAX_PATH] = {};
        if (SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder)) &&
            lstrcmpiW(folder, Widen(path).c_str()) == 0)
            return true;
    }
    return false;
}

Counts Count(const std::string& folder) {
    const std::set<std::string> categories(CategoryNames.begin(), CategoryNames.end());
    Counts counts;
    for (const DirEntry& entry : ListFolder(folder)) {
        const bool isIni = AsciiLower(ExtensionOf(entry.name)) == ".ini";
        if (IsFolder(entry.attributes)) {
            ++counts.topFolders;
            if (categories.count(entry.name) != 0)
                ++counts.categoryFolders;
            if (IsRealFolder(entry.attributes))
                CountNested(folder + "\\" + entry.name, counts);
        } else if (AsciiLower(ExtensionOf(entry.name)) == ".lnk") {
            ++counts.topShortcuts;
        } else {
            ++counts.topOther;
        }
        if (!isIni && (entry.attributes & FILE_ATTRIBUTE_HIDDEN) != 0)
            ++counts.hidden;
        if (!isIni && (entry.attributes & FILE_ATTRIBUTE_SYSTEM) != 0)
            ++counts.system;
        if (!isIni && categories.count(entry.name) == 0 &&
            !IsShellOwnFolder(folder + "\\" + entry.name))
            ++counts.scanEntries;
    }
    return counts;
}

void PrintCounts(const char* title, const std::string& folder, const Counts& c) {
    Print(std::string(title) + ": " + folder + "\n");
    Print("  top level:      " + std::to_string(c.topShortcuts) + " shortcuts, " +
          std::to_string(c.topFolders) + " folders (" + std::to_string(c.categoryFolders) +
          " named as a category), " + std::to_string(c.topOther) + " other files; " +
          std::to_string(c.hidden) + " hidden, " + std::to_string(c.system) + " system\n");
    Print("  inside folders: " + std::to_string(c.nestedShortcuts) + " shortcuts, " +
          std::to_string(c.nestedFolders) + " folders, " + std::to_string(c.nestedOther) +
          " other files\n");
    Print("  entries to sort: " + std::to_string(c.scanEntries) + "\n");
}

// ---------------------------------------------------------------------------------------------

const char* const kUsage =
    "Usage: orvane-sandbox [--clean] [--where] [--allow-windows]\n"
    "Fills the all-users and the user's Start-menu Programs folders with a fixed sample.\n"
    "  --clean          empty both Programs folders first\n"
    "  --where          print the two Programs folders (all users first), change nothing\n"
    "  --allow-windows  run outside Wine too (rewrites the real Start menu)\n";

int Run(const std::vector<std::string>& args) {
    bool clean = false;
    bool where = false;
    bool allowWindows = false;
    for (const std::string& arg : args) {
        if (arg == "--clean") {
            clean = true;
        } else if (arg == "--where") {
            where = true;
        } else if (arg == "--allow-windows") {
            allowWindows = true;
        } else if (arg == "--help" || arg == "-h" || arg == "/?") {
            Print(kUsage);
            return 0;
        } else {
            PrintError("orvane-sandbox: unknown argument " + arg + "\n" + kUsage);
            return 2;
        }
    }
    if (!RunningOnWine() && !allowWindows) {
        PrintError("orvane-sandbox: not running under Wine; refusing to rewrite this machine's "
                   "Start menu (pass --allow-windows to do it anyway)\n");
        return 2;
    }

    const TComScope com;
    if (!com.Initialised())
        throw Failure("Cannot initialise COM");
    const std::string common = ProgramsFolder(CSIDL_COMMON_PROGRAMS);
    const std::string user = ProgramsFolder(CSIDL_PROGRAMS);
    if (AsciiLower(common) == AsciiLower(user))
        throw Failure("Both Programs folders are the same folder: " + common);
    if (where) {
        Print(common + "\n" + user + "\n");
        return 0;
    }

    if (clean) {
        EmptyFolder(common);
        EmptyFolder(user);
    }
    InstallNamesDll();
    const Sample sample = ReadSample();
    Fill(sample, Scope::Common, common);
    Fill(sample, Scope::User, user);

    const Counts commonCounts = Count(common);
    const Counts userCounts = Count(user);
    Print("orvane-sandbox: the Start menu sample is in place.\n");
    PrintCounts("All users", common, commonCounts);
    PrintCounts("User", user, userCounts);
    Print("Total entries to sort: " +
          std::to_string(commonCounts.scanEntries + userCounts.scanEntries) + "\n");
    return 0;
}

} // namespace

int main() {
    return RunConsoleProgram(Run, "orvane-sandbox: ");
}
