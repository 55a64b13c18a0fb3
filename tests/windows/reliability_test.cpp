// Reliability of the backup and the distribution on real folders through the real shell: generated
// Start menus lose nothing, faults on the way stop or skip with a clear message and lose nothing,
// and backup-folder texts that cannot be used are refused before anything is created.
#include "actions/actions.h"
#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "shell/wide_text.h"
#include "shell/windows_shell.h"
#include "windows/support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <thread>

namespace {

// --- The real shell with Programs folders of the test's own ----------------------------------

// The real shell, but with the Programs folders the test names and the messages recorded. With
// `performShellOperations` off, copies and moves are recorded and reported as done without
// touching the disk (for texts whose copy would run into its own target).
class SandboxedShell : public WindowsShell {
public:
    std::optional<std::string> common, user;
    std::vector<std::string> messages;
    std::vector<std::string> operations;
    bool performShellOperations = true;

    std::optional<std::string> GetSpecialFolder(int csidl) override {
        return csidl == CSIDL_COMMON_PROGRAMS_ID ? common : user;
    }
    ShellOpResult ShellFileOperation(ShellOp op, const std::string& from,
                                     const std::string& to) override {
        operations.push_back((op == ShellOp::Copy ? "copy " : "move ") + from + " -> " + to);
        if (!performShellOperations)
            return {};
        return WindowsShell::ShellFileOperation(op, from, to);
    }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
};

bool RunningOnWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// The path in its "\\?\" form, which the file calls accept beyond MAX_PATH.
std::wstring LongForm(const std::string& path) {
    return L"\\\\?\\" + Widen(path);
}

bool PathExists(const std::string& path) {
    return GetFileAttributesW(LongForm(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The I/O error an action raised, as its code and the standard error box's text; {0, ""} if none.
template <typename Action> std::pair<int, std::string> IoFailure(Action&& action) {
    try {
        action();
    } catch (const EInOutError& e) {
        return {e.Code(), ErrorBoxText(e.what())};
    }
    return {0, ""};
}

bool IsDecimal(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
}

// --- Pictures of folder trees ----------------------------------------------------------------

// Every file below a folder with a checksum of its content, and every folder below it, by their
// paths relative to it. Read through "\\?\" paths, so entries beyond MAX_PATH are seen too.
struct Tree {
    std::map<std::string, uint64_t> files;
    std::set<std::string> folders;
    bool operator==(const Tree& o) const { return files == o.files && folders == o.folders; }
};

std::ostream& operator<<(std::ostream& out, const Tree& tree) {
    out << "{";
    for (const std::string& folder : tree.folders)
        out << "\n  [" << folder << "]";
    for (const auto& [path, sum] : tree.files)
        out << "\n  " << path << " #" << std::hex << sum << std::dec;
    return out << "\n}";
}

uint64_t Checksum(const std::string& path) {
    uint64_t hash = 1469598103934665603ull; // FNV-1a
    const HANDLE file = CreateFileW(LongForm(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        for (DWORD i = 0; i < got; ++i)
            hash = (hash ^ static_cast<unsigned char>(buffer[i])) * 1099511628211ull;
    }
    CloseHandle(file);
    return hash;
}

// Closes a directory listing when it goes out of scope.
struct FindScope {
    HANDLE handle;
    ~FindScope() {
        if (handle != INVALID_HANDLE_VALUE)
            FindClose(handle);
    }
};

void Walk(const std::string& root, const std::string& relative, Tree& tree) {
    const std::string folder = relative.empty() ? root : root + "\\" + relative;
    WIN32_FIND_DATAW data;
    FindScope find{FindFirstFileW((LongForm(folder) + L"\\*").c_str(), &data)};
    if (find.handle == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = Narrow(data.cFileName);
        if (name == "." || name == "..")
            continue;
        const std::string path = relative.empty() ? name : relative + "\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            tree.folders.insert(path);
            Walk(root, path, tree);
        } else {
            tree.files[path] = Checksum(root + "\\" + path);
        }
    } while (FindNextFileW(find.handle, &data));
}

Tree Snapshot(const std::string& root) {
    Tree tree;
    Walk(root, "", tree);
    return tree;
}

// Removes a folder with everything in it through "\\?\" paths: the temporary folder's own clean-up
// cannot reach entries beyond MAX_PATH, and what it leaves would be found by a later run.
void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAW data;
    {
        FindScope find{FindFirstFileW((LongForm(folder) + L"\\*").c_str(), &data)};
        if (find.handle != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = Narrow(data.cFileName);
                if (name == "." || name == "..")
                    continue;
                const std::string path = folder + "\\" + name;
                SetFileAttributesW(LongForm(path).c_str(), FILE_ATTRIBUTE_NORMAL);
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(path);
                else
                    DeleteFileW(LongForm(path).c_str());
            } while (FindNextFileW(find.handle, &data));
        }
    }
    RemoveDirectoryW(LongForm(folder).c_str());
}

// The multiset of (file name, checksum) of a tree: what must survive any move, wherever the files
// end up.
std::multiset<std::pair<std::string, uint64_t>> Contents(const Tree& tree) {
    std::multiset<std::pair<std::string, uint64_t>> contents;
    for (const auto& [path, sum] : tree.files)
        contents.insert({FileNameOf(path), sum});
    return contents;
}

// --- Answering the shell's dialogs -----------------------------------------------------------

// Answers every dialog box of this process from a second thread with the button `answer` (or,
// when that button is not shown, by closing the box, which is how a user cancels it), so that a
// question from the shell can never block a test. Records the caption and text of each box.
class DialogWatcher {
public:
    explicit DialogWatcher(int answer) : answer_(answer), thread_([this] { Run(); }) {}
    ~DialogWatcher() {
        stop_ = true;
        thread_.join();
    }
    DialogWatcher(const DialogWatcher&) = delete;
    DialogWatcher& operator=(const DialogWatcher&) = delete;

    std::vector<std::string> Seen() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return seen_;
    }

private:
    void Run() {
        while (!stop_) {
            for (auto it = answered_.begin(); it != answered_.end();)
                it = IsWindow(it->first) ? std::next(it) : answered_.erase(it);
            EnumWindows(&DialogWatcher::Visit, reinterpret_cast<LPARAM>(this));
            Sleep(40);
        }
    }

    static BOOL CALLBACK Visit(HWND window, LPARAM self) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
            std::wstring(className) == L"#32770")
            reinterpret_cast<DialogWatcher*>(self)->Answer(window);
        return TRUE;
    }

    // InternalGetWindowText sends no message to the busy thread that owns the box.
    static BOOL CALLBACK CollectText(HWND child, LPARAM text) {
        wchar_t buffer[512] = {};
        wchar_t className[16] = {};
        GetClassNameW(child, className, 16);
        if (std::wstring(className) == L"Static" && InternalGetWindowText(child, buffer, 512) > 0)
            *reinterpret_cast<std::string*>(text) += " | " + Narrow(buffer);
        return TRUE;
    }

    void Answer(HWND dialog) {
        const DWORD now = GetTickCount();
        auto known = answered_.find(dialog);
        if (known != answered_.end() && now - known->second < 500)
            return;
        if (known == answered_.end()) {
            wchar_t caption[256] = {};
            InternalGetWindowText(dialog, caption, 256);
            std::string text = Narrow(caption);
            EnumChildWindows(dialog, &DialogWatcher::CollectText, reinterpret_cast<LPARAM>(&text));
            std::lock_guard<std::mutex> lock(mutex_);
            seen_.push_back(text);
        }
        answered_[dialog] = now;
        const HWND button = GetDlgItem(dialog, answer_);
        if (button && IsWindowVisible(button) && IsWindowEnabled(button))
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(answer_, BN_CLICKED),
                         reinterpret_cast<LPARAM>(button));
        else
            PostMessageW(dialog, WM_CLOSE, 0, 0);
    }

    const int answer_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> seen_;
    std::map<HWND, DWORD> answered_; // only the watcher thread touches it
    std::thread thread_;             // last: it starts once everything above exists
};

// Makes a folder the process's current directory for its lifetime.
class CurrentDirectoryScope {
public:
    explicit CurrentDirectoryScope(const std::string& folder) {
        wchar_t saved[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, saved);
        saved_ = saved;
        SetCurrentDirectoryW(Widen(folder).c_str());
    }
    ~CurrentDirectoryScope() { SetCurrentDirectoryW(saved_.c_str()); }
    CurrentDirectoryScope(const CurrentDirectoryScope&) = delete;
    CurrentDirectoryScope& operator=(const CurrentDirectoryScope&) = delete;

private:
    std::wstring saved_;
};

// Whether this process can show windows at all: under Wine without an X display it cannot, and
// the shell's questions then fail at once instead of being asked.
bool CanShowWindows() {
    const HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                       GetModuleHandleW(nullptr), nullptr);
    if (!probe)
        return false;
    DestroyWindow(probe);
    return true;
}

std::string Notepad() {
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    return Narrow(windows) + "\\notepad.exe";
}

// The longest category name, in UTF-16 units: the deepest place an entry can be moved to.
size_t LongestCategoryName() {
    size_t longest = 0;
    for (const std::string& name : CategoryNames)
        longest = std::max(longest, Widen(name).size());
    return longest;
}

// Moves every file and folder of a picture whose top-level entry was assigned a category into
// that category's folder, as the distribution must.
Tree Relocated(const Tree& before, const std::map<std::string, int32_t>& categories) {
    auto place = [&](const std::string& path) {
        const size_t cut = path.find('\\');
        const auto entry = categories.find(path.substr(0, cut));
        if (entry == categories.end() || entry->second == NoCategory)
            return path;
        return CategoryNames[static_cast<size_t>(entry->second)] + "\\" + path;
    };
    Tree after;
    for (const auto& [path, sum] : before.files)
        EXPECT_TRUE(after.files.emplace(place(path), sum).second) << "two files at " << place(path);
    for (const std::string& folder : before.folders)
        after.folders.insert(place(folder));
    for (const auto& [name, category] : categories) {
        if (category != NoCategory)
            after.folders.insert(CategoryNames[static_cast<size_t>(category)]);
    }
    return after;
}

class ReliabilityTest : public ::testing::Test {
protected:
    ComScope com;
    TempFolder temp;
    SandboxedShell shell;
    void SetUp() override { ResetCatalogue(); }
    void TearDown() override { ResetCatalogue(); }
    std::string At(const std::string& relative) const { return temp.Path() + "\\" + relative; }
    // The catalogue entry with this file name and origin.
    TStartMenu& Entry(const std::string& name, bool isUser) {
        for (TStartMenu& entry : StartMenuItems) {
            if (entry.IsUser == isUser && FileNameOf(entry.Path) == name)
                return entry;
        }
        throw std::runtime_error("no catalogue entry " + name);
    }
};

// --- 1. Nothing lost in generated Start menus ------------------------------------------------

constexpr uint32_t MenuSeed = 20260413;
constexpr int MenusPerCase = 10;
constexpr int MenuCases = 5;

enum class Kind { Shortcut, File, Group, EmptyFolder };

struct PlannedFile {
    std::string relative;
    std::string content; // for plain files; shortcuts are made by the shell's link object
    bool shortcut = false;
    DWORD attributes = 0;
};

struct PlannedFolder {
    std::string relative; // parents come before their children
    DWORD attributes = 0;
};

// One generated Programs folder.
struct PlannedRoot {
    std::vector<PlannedFolder> folders;
    std::vector<PlannedFile> files;
    std::map<std::string, std::string> localizedNames; // its desktop.ini's names of its entries
    bool readsDesktopIni = false;                      // marked so that the shell reads it
    std::map<std::string, int32_t> entries; // top-level names the scan lists -> assigned category
    std::map<std::string, Kind> kinds;      // the same names -> what they are
};

struct MenuPlan {
    uint32_t seed = 0;
    PlannedRoot common, user;
    size_t Moved() const {
        size_t moved = 0;
        for (const PlannedRoot* root : {&common, &user}) {
            for (const auto& entry : root->entries)
                moved += entry.second != NoCategory;
        }
        return moved;
    }
};

// Names in the scripts a Start menu meets; none begins with "Прежн", which marks what a category
// folder held before the run, so nothing moved into it can clash with that.
const std::vector<std::vector<std::string>> NamePools = {
    {"Text Editor", "Chess", "Mail Client", "Media Player", "Backup Tool", "Calculator", "Paint"},
    {"Редактор", "Почта", "Шахматы", "Калькулятор", "Ёлка", "Проигрыватель", "Словарь"},
    {"Αρχεία", "Παιχνίδια", "Μουσική", "Επεξεργαστής", "Ημερολόγιο", "Σκάκι"},
    {"メモ帳", "ゲーム", "電卓", "写真ビューア", "辞書", "音楽"},
    {"Player 5.5", "Setup.v2.1", "Tool.1.2", "a.b.c", "Release.Notes"}, // several dots
};
const std::vector<std::string> FileExtensions = {".txt", ".url", ".exe", ".dat", ".pif", ""};

class MenuGenerator {
public:
    explicit MenuGenerator(uint32_t seed) : random_(seed) {}

    MenuPlan Generate(uint32_t seed) {
        MenuPlan plan;
        plan.seed = seed;
        GenerateRoot(plan.common, {});
        // One or two names of the all-users folder appear in the user's folder too.
        std::vector<std::pair<std::string, Kind>> shared;
        for (const auto& [name, kind] : plan.common.kinds) {
            if (shared.size() < 2 && Chance(30))
                shared.push_back({name, kind});
        }
        GenerateRoot(plan.user, shared);
        return plan;
    }

private:
    bool Chance(unsigned percent) { return random_() % 100 < percent; }
    size_t Pick(size_t count) { return random_() % count; }

    static std::wstring Folded(const std::string& name) {
        std::wstring wide = Widen(name);
        CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
        return wide;
    }

    // A name from one of the pools with a number, or a 150-character one, unique in `taken`
    // regardless of letter case, and never a category's name in any letter case.
    std::string NewName(std::set<std::wstring>& taken, const std::string& extension,
                        bool allowLong) {
        for (;;) {
            const std::vector<std::string>& pool = NamePools[Pick(NamePools.size())];
            const std::string word = pool[Pick(pool.size())];
            std::string name;
            if (allowLong && Chance(8)) {
                // 150 UTF-16 units including the extension, ending in neither space nor dot. The
                // filler is Latin: under Wine a name is a Linux file name, at most 255 UTF-8 bytes.
                const size_t length = 150 - Widen(extension).size();
                std::wstring wide = Widen(std::to_string(random_() % 1000) + " " + word);
                while (wide.size() < length)
                    wide += L" long name";
                wide.resize(length);
                if (wide.back() == L' ' || wide.back() == L'.')
                    wide.back() = L'x';
                name = Narrow(wide) + extension;
            } else {
                name = word + " " + std::to_string(1 + random_() % 999) + extension;
            }
            bool clashes = taken.count(Folded(name)) != 0;
            for (const std::string& category : CategoryNames)
                clashes = clashes || Folded(category) == Folded(name);
            if (!clashes) {
                taken.insert(Folded(name));
                return name;
            }
        }
    }

    std::string Content() {
        std::string content(Pick(3000), '\0');
        for (char& ch : content)
            ch = static_cast<char>(random_());
        return content;
    }

    DWORD FileAttributes() {
        DWORD attributes = 0;
        if (Chance(15))
            attributes |= FILE_ATTRIBUTE_HIDDEN;
        if (Chance(10))
            attributes |= FILE_ATTRIBUTE_SYSTEM;
        if (Chance(10))
            attributes |= FILE_ATTRIBUTE_READONLY;
        return attributes;
    }

    void AddFile(PlannedRoot& root, const std::string& relative, bool shortcut) {
        root.files.push_back({relative, shortcut ? "" : Content(), shortcut, FileAttributes()});
    }

    void AddDesktopIni(PlannedRoot& root, const std::string& folder) {
        const std::string name = Chance(50) ? "desktop.ini" : "Desktop.INI";
        root.files.push_back(
            {folder.empty() ? name : folder + "\\" + name,
             "[.ShellClassInfo]\r\nLocalizedResourceName=" + std::to_string(random_()), false,
             FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM});
    }

    // The content of a program group: shortcuts, files, nested groups (to `depth` more levels),
    // empty folders and sometimes a desktop.ini.
    void FillGroup(PlannedRoot& root, const std::string& folder, int depth) {
        std::set<std::wstring> taken;
        taken.insert(Folded("desktop.ini"));
        const size_t count = 1 + Pick(4);
        for (size_t i = 0; i < count; ++i) {
            const unsigned kind = random_() % 100;
            if (kind < 40) {
                AddFile(root, folder + "\\" + NewName(taken, ".lnk", false), true);
            } else if (kind < 70) {
                const std::string& ext = FileExtensions[Pick(FileExtensions.size())];
                AddFile(root, folder + "\\" + NewName(taken, ext, false), false);
            } else if (kind < 90 && depth > 0) {
                const std::string sub = folder + "\\" + NewName(taken, "", false);
                root.folders.push_back({sub, Chance(10) ? DWORD(FILE_ATTRIBUTE_HIDDEN) : 0});
                FillGroup(root, sub, depth - 1);
            } else {
                root.folders.push_back({folder + "\\" + NewName(taken, "", false), 0});
            }
        }
        if (Chance(25))
            AddDesktopIni(root, folder);
    }

    void AddEntry(PlannedRoot& root, const std::string& name, Kind kind) {
        switch (kind) {
        case Kind::Shortcut:
            AddFile(root, name, true);
            break;
        case Kind::File:
            AddFile(root, name, false);
            break;
        case Kind::Group:
            root.folders.push_back({name, Chance(10) ? DWORD(FILE_ATTRIBUTE_HIDDEN) : 0});
            // A group with a 150-character name holds one short file, to stay within MAX_PATH.
            if (Widen(name).size() > 100)
                AddFile(root, name + "\\a.lnk", true);
            else
                FillGroup(root, name, 2);
            break;
        case Kind::EmptyFolder:
            root.folders.push_back({name, 0});
            break;
        }
        root.kinds[name] = kind;
        root.entries[name] = Chance(65) ? static_cast<int32_t>(Pick(CategoryCount)) : NoCategory;
    }

    void GenerateRoot(PlannedRoot& root, const std::vector<std::pair<std::string, Kind>>& shared) {
        std::set<std::wstring> taken;
        taken.insert(Folded("desktop.ini"));
        for (const auto& [name, kind] : shared) {
            taken.insert(Folded(name));
            AddEntry(root, name, kind);
        }
        const size_t count = 4 + Pick(7);
        for (size_t i = 0; i < count; ++i) {
            const unsigned roll = random_() % 100;
            if (roll < 35) {
                AddEntry(root, NewName(taken, ".lnk", true), Kind::Shortcut);
            } else if (roll < 55) {
                const std::string& ext = FileExtensions[Pick(FileExtensions.size())];
                AddEntry(root, NewName(taken, ext, true), Kind::File);
            } else if (roll < 90) {
                AddEntry(root, NewName(taken, "", true), Kind::Group);
            } else {
                AddEntry(root, NewName(taken, "", false), Kind::EmptyFolder);
            }
        }
        if (Chance(70)) {
            // The Programs folder's own desktop.ini, read by the shell, naming some entries.
            std::string text = "[.ShellClassInfo]\r\nLocalizedResourceName=@shell32.dll,-21782\r\n"
                               "[LocalizedFileNames]\r\n";
            for (const auto& [name, kind] : root.kinds) {
                if ((kind == Kind::Shortcut || kind == Kind::File) && Chance(40)) {
                    root.localizedNames[name] = "Имя " + std::to_string(random_() % 1000);
                    text += name + "=" + root.localizedNames[name] + "\r\n";
                }
            }
            const std::wstring wide = L"\xFEFF" + Widen(text);
            root.files.push_back({"desktop.ini",
                                  std::string(reinterpret_cast<const char*>(wide.data()),
                                              wide.size() * sizeof(wchar_t)),
                                  false, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM});
            root.readsDesktopIni = true;
        }
        if (Chance(20)) // another .ini file, which the scan skips as well
            AddFile(root, NewName(taken, ".ini", false), false);
        if (Chance(40)) {
            // A category folder left from before, with content of its own.
            const std::string category = CategoryNames[Pick(CategoryCount)];
            root.folders.push_back({category, 0});
            AddFile(root, category + "\\Прежнее " + std::to_string(random_() % 100) + ".lnk", true);
            root.folders.push_back({category + "\\Прежняя группа", 0});
            AddFile(root, category + "\\Прежняя группа\\readme.txt", false);
        }
    }

    std::mt19937 random_;
};

MenuPlan PlanMenu(int menu) {
    const uint32_t seed = MenuSeed + static_cast<uint32_t>(menu);
    return MenuGenerator(seed).Generate(seed);
}

// The folders a generated menu lives in.
struct MenuPlaces {
    std::string common, user, backup;
    explicit MenuPlaces(const std::string& base)
        : common(base + "\\All\\Programs"), user(base + "\\Мой\\Programs"),
          backup(base + "\\Копия\\") {}
};

// Paths of the plan that would reach MAX_PATH in place, in the deepest category folder or in the
// backup (folders must leave room for an 8.3 name, 248; files for the terminating NUL, 260), and
// names longer than a Linux file name can be under Wine (255 UTF-8 bytes).
std::vector<std::string> PathsTooLong(const MenuPlan& plan, const MenuPlaces& places) {
    std::vector<std::string> tooLong;
    const size_t category = LongestCategoryName() + 1;
    auto check = [&](const std::string& root, const std::string& backup,
                     const std::string& relative, size_t limit) {
        const size_t inPlace = Widen(root + "\\" + relative).size();
        const size_t longest = std::max(inPlace + category, Widen(backup + relative).size());
        if (longest >= limit || FileNameOf(relative).size() > 255)
            tooLong.push_back(root + "\\" + relative + " (" + std::to_string(longest) + ")");
    };
    const std::pair<const PlannedRoot*, std::pair<std::string, std::string>> roots[] = {
        {&plan.common, {places.common, places.backup + "Common_Programs\\"}},
        {&plan.user, {places.user, places.backup + "Programs\\"}}};
    for (const auto& [root, where] : roots) {
        for (const PlannedFolder& folder : root->folders)
            check(where.first, where.second, folder.relative, 248);
        for (const PlannedFile& file : root->files)
            check(where.first, where.second, file.relative, MAX_PATH);
    }
    return tooLong;
}

void Materialise(const PlannedRoot& root, const std::string& folder) {
    MakeFolders(folder);
    for (const PlannedFolder& planned : root.folders)
        MakeFolders(folder + "\\" + planned.relative);
    for (const PlannedFile& file : root.files) {
        const std::string path = folder + "\\" + file.relative;
        const bool made =
            file.shortcut ? MakeShortcut(path, Notepad()) : WriteFile(path, file.content);
        ASSERT_TRUE(made) << path;
        if (file.attributes) {
            ASSERT_TRUE(AddAttributes(path, file.attributes)) << path;
        }
    }
    for (const PlannedFolder& planned : root.folders) {
        if (planned.attributes) {
            ASSERT_TRUE(AddAttributes(folder + "\\" + planned.relative, planned.attributes));
        }
    }
    if (root.readsDesktopIni) {
        ASSERT_TRUE(AddAttributes(folder, FILE_ATTRIBUTE_SYSTEM));
    }
}

std::set<std::string> ScannedNames(bool isUser) {
    std::set<std::string> names;
    for (const TStartMenu& entry : StartMenuItems) {
        if (entry.IsUser == isUser)
            names.insert(FileNameOf(entry.Path));
    }
    return names;
}

std::set<std::string> Keys(const std::map<std::string, int32_t>& entries) {
    std::set<std::string> keys;
    for (const auto& entry : entries)
        keys.insert(entry.first);
    return keys;
}

// The folder's picture after the distribution, once the names of the moved entries have been found
// in their category folders' desktop.ini files, which are then left out of the picture.
Tree WithoutNamesKept(const std::string& folder, const PlannedRoot& root) {
    Tree tree = Snapshot(folder);
    std::set<std::string> categories;
    for (const auto& [name, category] : root.entries) {
        const auto localized = root.localizedNames.find(name);
        if (category == NoCategory || localized == root.localizedNames.end())
            continue;
        const std::string categoryFolder = CategoryNames[static_cast<size_t>(category)];
        wchar_t value[256] = {};
        GetPrivateProfileStringW(L"LocalizedFileNames", Widen(name).c_str(), L"", value, 256,
                                 Widen(folder + "\\" + categoryFolder + "\\desktop.ini").c_str());
        EXPECT_EQ(Narrow(value), localized->second) << name << " in " << categoryFolder;
        categories.insert(categoryFolder + "\\desktop.ini");
    }
    for (const std::string& ini : categories)
        EXPECT_EQ(tree.files.erase(ini), 1u) << ini;
    return tree;
}

class RandomMenus : public ReliabilityTest, public ::testing::WithParamInterface<int> {};

TEST_P(RandomMenus, BackupEqualsTheOriginalsAndDistributionMovesEveryEntryExactlyOnce) {
    const auto started = std::chrono::steady_clock::now();
    DialogWatcher watcher(IDCANCEL); // no question is expected; none may block the run
    size_t totalEntries = 0, totalFiles = 0, totalMoved = 0;
    for (int menu = GetParam() * MenusPerCase; menu < (GetParam() + 1) * MenusPerCase; ++menu) {
        SCOPED_TRACE("menu " + std::to_string(menu));
        const MenuPlan plan = PlanMenu(menu);
        const MenuPlaces places(At("m" + std::to_string(menu)));
        ASSERT_EQ(PathsTooLong(plan, places), std::vector<std::string>{});
        Materialise(plan.common, places.common);
        Materialise(plan.user, places.user);
        if (HasFatalFailure())
            return;
        shell.common = places.common;
        shell.user = places.user;
        shell.messages.clear();

        ResetCatalogue();
        ScanStartMenu(shell);
        ASSERT_EQ(ScannedNames(false), Keys(plan.common.entries));
        ASSERT_EQ(ScannedNames(true), Keys(plan.user.entries));
        for (TStartMenu& entry : StartMenuItems) {
            const PlannedRoot& root = entry.IsUser ? plan.user : plan.common;
            entry.Category = root.entries.at(FileNameOf(entry.Path));
        }
        const Tree commonBefore = Snapshot(places.common);
        const Tree userBefore = Snapshot(places.user);

        MakeFolders(places.backup);
        MakeBackup(shell, places.backup);
        EXPECT_EQ(shell.messages, std::vector<std::string>{BackupDoneText});
        EXPECT_EQ(Snapshot(places.backup + "Programs"), userBefore);
        EXPECT_EQ(Snapshot(places.backup + "Common_Programs"), commonBefore);

        shell.messages.clear();
        EXPECT_TRUE(DistributeItems(shell));
        EXPECT_EQ(shell.messages, std::vector<std::string>{});
        EXPECT_EQ(WithoutNamesKept(places.common, plan.common),
                  Relocated(commonBefore, plan.common.entries));
        EXPECT_EQ(WithoutNamesKept(places.user, plan.user),
                  Relocated(userBefore, plan.user.entries));

        const size_t entries = StartMenuItems.size();
        const size_t files = commonBefore.files.size() + userBefore.files.size();
        std::printf("menu %2d, seed %u: entries %zu, files %zu, moved %zu\n", menu, plan.seed,
                    entries, files, plan.Moved());
        totalEntries += entries;
        totalFiles += files;
        totalMoved += plan.Moved();
    }
    EXPECT_EQ(watcher.Seen(), std::vector<std::string>{});
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    std::printf("menus %d-%d: entries %zu, files %zu, moved %zu in %lld ms\n",
                GetParam() * MenusPerCase, (GetParam() + 1) * MenusPerCase - 1, totalEntries,
                totalFiles, totalMoved, static_cast<long long>(took.count()));
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomMenus, ::testing::Range(0, MenuCases));

// The plans of all the menus, without touching the disk: every name is distinct in its folder
// regardless of letter case, every path stays within MAX_PATH, and every kind of entry occurs.
using GeneratedMenus = ReliabilityTest;

TEST_F(GeneratedMenus, CoverEveryKindOfEntryWithinMaxPath) {
    size_t entries = 0, files = 0, moved = 0, longNames = 0, categoryFolders = 0, shared = 0;
    size_t hidden = 0, system = 0, desktopInis = 0, clashes = 0;
    std::map<Kind, size_t> kinds;
    for (int menu = 0; menu < MenuCases * MenusPerCase; ++menu) {
        const MenuPlan plan = PlanMenu(menu);
        const MenuPlaces places(At("m" + std::to_string(menu)));
        EXPECT_EQ(PathsTooLong(plan, places), std::vector<std::string>{}) << "menu " << menu;
        for (const PlannedRoot* root : {&plan.common, &plan.user}) {
            entries += root->entries.size();
            files += root->files.size();
            for (const auto& [name, kind] : root->kinds) {
                ++kinds[kind];
                longNames += Widen(name).size() == 150;
            }
            // Names that Windows (and Wine) would take for the same one, in any folder.
            std::set<std::wstring> seen;
            auto add = [&](const std::string& relative) {
                std::wstring folded = Widen(relative);
                CharUpperBuffW(folded.data(), static_cast<DWORD>(folded.size()));
                clashes += !seen.insert(folded).second;
            };
            for (const PlannedFolder& folder : root->folders) {
                add(folder.relative);
                categoryFolders += std::find(CategoryNames.begin(), CategoryNames.end(),
                                             folder.relative) != CategoryNames.end();
            }
            for (const PlannedFile& file : root->files) {
                add(file.relative);
                hidden += (file.attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
                system += (file.attributes & FILE_ATTRIBUTE_SYSTEM) != 0;
                std::string name = FileNameOf(file.relative);
                std::transform(name.begin(), name.end(), name.begin(),
                               [](char ch) { return ch >= 'A' && ch <= 'Z' ? char(ch + 32) : ch; });
                desktopInis += name == "desktop.ini";
            }
        }
        for (const auto& entry : plan.common.entries)
            shared += plan.user.entries.count(entry.first);
        moved += plan.Moved();
    }
    std::printf("all %d menus, seed %u onwards: entries %zu, files %zu, moved %zu; %zu names of "
                "150 characters, %zu category folders from before, %zu names in both folders, "
                "%zu hidden and %zu system files, %zu desktop.ini\n",
                MenuCases * MenusPerCase, MenuSeed, entries, files, moved, longNames,
                categoryFolders, shared, hidden, system, desktopInis);
    EXPECT_EQ(clashes, 0u);
    EXPECT_GT(kinds[Kind::Shortcut], 0u);
    EXPECT_GT(kinds[Kind::File], 0u);
    EXPECT_GT(kinds[Kind::Group], 0u);
    EXPECT_GT(kinds[Kind::EmptyFolder], 0u);
    EXPECT_GT(longNames, 0u);
    EXPECT_GT(categoryFolders, 0u);
    EXPECT_GT(shared, 0u);
    EXPECT_GT(hidden, 0u);
    EXPECT_GT(system, 0u);
    EXPECT_GT(desktopInis, 0u);
    EXPECT_LT(moved, entries);
}

// --- 2. Faults ------------------------------------------------------------------------------

class Faults : public ReliabilityTest {
protected:
    std::string Common() const { return At("All\\Programs"); }
    std::string User() const { return At("Мой\\Programs"); }
    void UseBothFolders() {
        shell.common = Common();
        shell.user = User();
        MakeFolders(Common());
        MakeFolders(User());
    }
};

// A file bears the name of a category: its folder cannot be made, and the loop stops at the first
// entry sent there. The entries moved before stay moved, the rest stay where they are.
TEST_F(Faults, ACategoryNameTakenByAFileStopsTheDistributionThere) {
    UseBothFolders();
    ASSERT_TRUE(WriteFile(Common() + "\\Office.lnk", "office"));
    ASSERT_TRUE(WriteFile(User() + "\\Игры", "a file, not a folder"));
    for (const char* name : {"First.lnk", "Second.lnk", "Third.lnk"})
        ASSERT_TRUE(WriteFile(User() + "\\" + name, name));
    ScanStartMenu(shell);
    ASSERT_EQ(StartMenuItems.size(), 4u); // the file "Игры" is not listed
    Entry("Office.lnk", false).Category = 0;
    // In catalogue order, the user's first entry goes to category 0, the second to the category
    // whose name the file took, the third to category 1.
    std::vector<std::string> userOrder;
    for (const TStartMenu& entry : StartMenuItems) {
        if (entry.IsUser)
            userOrder.push_back(FileNameOf(entry.Path));
    }
    ASSERT_EQ(userOrder.size(), 3u);
    Entry(userOrder[0], true).Category = 0;
    Entry(userOrder[1], true).Category = 2;
    Entry(userOrder[2], true).Category = 1;
    const Tree commonBefore = Snapshot(Common());
    const Tree userBefore = Snapshot(User());

    DialogWatcher watcher(IDCANCEL);
    const auto [code, text] = IoFailure([&] { DistributeItems(shell); });
    EXPECT_EQ(code, 183);
    EXPECT_EQ(text, "I/O error 183.");
    EXPECT_EQ(shell.messages, std::vector<std::string>{});
    EXPECT_EQ(Snapshot(Common()), Relocated(commonBefore, {{"Office.lnk", 0}}));
    EXPECT_EQ(Snapshot(User()), Relocated(userBefore, {{userOrder[0], 0}}));
    EXPECT_FALSE(PathExists(User() + "\\Утилиты"));
    EXPECT_EQ(watcher.Seen(), std::vector<std::string>{});
}

// An entry whose name is already taken in its category folder: the shell's conflict handling
// applies (a question answered "No" here), and neither the entry nor what was there before may be
// lost. The move is not counted as done, and the loop goes on with the next entry.
TEST_F(Faults, AnEntryAlreadyInItsCategoryFolderIsNeitherReplacedNorLost) {
    // Windows' shell asks before it replaces; Wine's moves onto the existing file without asking
    // and reports success, so there the old shortcut would be gone whatever the program does.
    if (RunningOnWine())
        GTEST_SKIP() << "Wine's shell replaces an existing target without asking";
    UseBothFolders();
    MakeFolders(User() + "\\Игры\\Cards");
    ASSERT_TRUE(WriteFile(User() + "\\Игры\\Chess.lnk", "the chess shortcut already there"));
    ASSERT_TRUE(WriteFile(User() + "\\Игры\\Cards\\old.txt", "old cards"));
    ASSERT_TRUE(WriteFile(User() + "\\Chess.lnk", "the chess shortcut to move"));
    MakeFolders(User() + "\\Cards");
    ASSERT_TRUE(WriteFile(User() + "\\Cards\\new.txt", "new cards"));
    ASSERT_TRUE(WriteFile(User() + "\\Solo.lnk", "solo"));
    ScanStartMenu(shell);
    ASSERT_EQ(StartMenuItems.size(), 3u);
    for (TStartMenu& entry : StartMenuItems)
        entry.Category = 2;
    const Tree before = Snapshot(User());

    bool allMoved = true;
    std::vector<std::string> dialogs;
    {
        DialogWatcher watcher(IDNO);
        allMoved = DistributeItems(shell);
        dialogs = watcher.Seen();
    }
    const Tree after = Snapshot(User());
    std::printf("conflicting moves: all moved %d, messages %zu, dialogs answered %zu\n", allMoved,
                shell.messages.size(), dialogs.size());
    for (const std::string& dialog : dialogs)
        std::printf("  dialog: %s\n", dialog.c_str());
    EXPECT_EQ(Checksum(User() + "\\Игры\\Chess.lnk"), before.files.at("Игры\\Chess.lnk"))
        << "the shortcut already in the category folder was replaced"
        << (RunningOnWine() ? " (Wine's shell moves onto an existing file without asking)" : "");
    EXPECT_EQ(Contents(after), Contents(before)) << "before: " << before << "\nafter: " << after;
    EXPECT_FALSE(allMoved) << "a move that could not be made was counted as done";
    for (const std::string& message : shell.messages)
        EXPECT_TRUE(IsDecimal(message)) << message;
    EXPECT_EQ(after.files.count("Игры\\Solo.lnk"), 1u) << after;
}

// A Programs folder that cannot be located (no path, or an empty one) is never scanned, copied or
// written to: the backup says it is incomplete but copies the other folder, and the distribution
// works on the other folder only, without touching the current directory or its drive's root.
TEST_F(Faults, AProgramsFolderThatCannotBeLocatedIsNeitherScannedNorCopiedNorWritten) {
    MakeFolders(At("cwd"));
    CurrentDirectoryScope cwd(At("cwd"));
    ASSERT_TRUE(WriteFile(At("cwd\\here.lnk"), "in the current directory"));
    wchar_t drive[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, drive);
    const std::string driveRoot = Narrow(std::wstring(drive, 3));
    for (const std::optional<std::string>& missing :
         {std::optional<std::string>{}, std::optional<std::string>{""}}) {
        SCOPED_TRACE(missing ? "empty path" : "no path");
        ResetCatalogue();
        const std::string user = At(missing ? "u1\\Programs" : "u2\\Programs");
        const std::string backup = At(missing ? "b1\\" : "b2\\");
        MakeFolders(user);
        MakeFolders(user + "\\Группа");
        ASSERT_TRUE(WriteFile(user + "\\Группа\\a.lnk", "a"));
        ASSERT_TRUE(WriteFile(user + "\\Почта.lnk", "mail"));
        shell.common = missing;
        shell.user = user;
        shell.messages.clear();
        const Tree cwdBefore = Snapshot(At("cwd"));
        const Tree userBefore = Snapshot(user);

        ScanStartMenu(shell);
        EXPECT_FALSE(CommonProgramsDir.has_value());
        ASSERT_EQ(StartMenuItems.size(), 2u);
        for (const TStartMenu& entry : StartMenuItems)
            EXPECT_TRUE(entry.IsUser) << entry.Path;

        MakeFolders(backup);
        MakeBackup(shell, backup);
        EXPECT_EQ(shell.messages, std::vector<std::string>{BackupIncompleteText});
        EXPECT_EQ(Snapshot(backup + "Programs"), userBefore);
        EXPECT_EQ(Snapshot(backup + "Common_Programs"), Tree{});

        Entry("Группа", true).Category = 4;
        Entry("Почта.lnk", true).Category = 4;
        shell.messages.clear();
        EXPECT_TRUE(DistributeItems(shell));
        EXPECT_EQ(shell.messages, std::vector<std::string>{});
        EXPECT_EQ(Snapshot(user), Relocated(userBefore, {{"Группа", 4}, {"Почта.lnk", 4}}));
        EXPECT_EQ(Snapshot(At("cwd")), cwdBefore);
        for (const std::string& category : CategoryNames)
            EXPECT_FALSE(PathExists(driveRoot + category)) << driveRoot + category;
    }
}

// A Programs folder renamed away between the scan and the distribution: its category folder
// cannot be made (the path is gone), the loop stops there, and the renamed folder is intact.
TEST_F(Faults, AProgramsFolderThatDisappearsAfterTheScanStopsTheDistributionAndLosesNothing) {
    for (const bool userVanishes : {true, false}) {
        SCOPED_TRACE(userVanishes ? "the user's folder vanishes" : "the all-users folder vanishes");
        ResetCatalogue();
        const std::string base = At(userVanishes ? "v1" : "v2");
        const std::string common = base + "\\All\\Programs";
        const std::string user = base + "\\Мой\\Programs";
        for (const std::string& root : {common, user}) {
            MakeFolders(root + "\\Группа");
            ASSERT_TRUE(WriteFile(root + "\\Группа\\a.lnk", root));
            ASSERT_TRUE(WriteFile(root + "\\Текст.lnk", "text " + root));
        }
        shell.common = common;
        shell.user = user;
        shell.messages.clear();
        ScanStartMenu(shell);
        ASSERT_EQ(StartMenuItems.size(), 4u);
        for (TStartMenu& entry : StartMenuItems)
            entry.Category = 8;
        const Tree commonBefore = Snapshot(common);
        const Tree userBefore = Snapshot(user);
        const std::string vanishing = userVanishes ? user : common;
        const std::string renamed = vanishing + " (moved away)";
        ASSERT_TRUE(MoveFileW(Widen(vanishing).c_str(), Widen(renamed).c_str()));

        DialogWatcher watcher(IDCANCEL);
        const auto [code, text] = IoFailure([&] { DistributeItems(shell); });
        EXPECT_EQ(code, 3);
        EXPECT_EQ(text, "Invalid filename.");
        EXPECT_EQ(shell.messages, std::vector<std::string>{});
        EXPECT_FALSE(PathExists(vanishing)) << "the vanished folder was made again";
        if (userVanishes) {
            // The all-users entries come first and were moved before the stop.
            EXPECT_EQ(Snapshot(common), Relocated(commonBefore, {{"Группа", 8}, {"Текст.lnk", 8}}));
            EXPECT_EQ(Snapshot(renamed), userBefore);
        } else {
            EXPECT_EQ(Snapshot(renamed), commonBefore);
            EXPECT_EQ(Snapshot(user), userBefore);
        }
        EXPECT_EQ(watcher.Seen(), std::vector<std::string>{});
    }
}

// Entries whose place in the category folder would be longer than MAX_PATH: the shell either
// moves them or fails with a number; either way nothing is lost, and the loop goes on.
TEST_F(Faults, AnEntryWhoseTargetPathExceedsMaxPathIsMovedOrKeptButNeverLost) {
    UseBothFolders();
    const size_t root = Widen(User()).size() + 1;
    // A file that fits where it is (259 characters) but not in "Программирование" (276). Latin
    // letters: under Wine a name is a Linux file name, at most 255 UTF-8 bytes.
    const std::string fileName = std::string(MAX_PATH - 1 - root - 4, 'd') + ".lnk";
    // A folder that fits where it is, with its content, but not in the category folder.
    const std::string groupName = Narrow(std::wstring(247 - root, L'g'));
    ASSERT_TRUE(WriteFile(User() + "\\" + fileName, "a long shortcut"));
    MakeFolders(User() + "\\" + groupName);
    ASSERT_TRUE(WriteFile(User() + "\\" + groupName + "\\a", "in a long group"));
    ASSERT_TRUE(WriteFile(User() + "\\Short.lnk", "short"));
    ASSERT_EQ(Widen(User() + "\\" + fileName).size(), size_t(MAX_PATH - 1));
    ScanStartMenu(shell);
    ASSERT_EQ(StartMenuItems.size(), 3u);
    for (TStartMenu& entry : StartMenuItems)
        entry.Category = 5;
    const Tree before = Snapshot(User());
    struct Cleanup {
        std::string folder;
        ~Cleanup() { RemoveTree(folder); }
    } cleanup{User()};

    bool allMoved = true;
    std::vector<std::string> dialogs;
    {
        DialogWatcher watcher(IDCANCEL);
        allMoved = DistributeItems(shell);
        dialogs = watcher.Seen();
    }
    const Tree after = Snapshot(User());
    EXPECT_EQ(Contents(after), Contents(before)) << "before: " << before << "\nafter: " << after;
    const std::string target = User() + "\\" + CategoryNames[5] + "\\";
    size_t moved = 0, kept = 0;
    for (const std::string& name : {fileName, groupName}) {
        const bool there = PathExists(target + name);
        const bool here = PathExists(User() + "\\" + name);
        EXPECT_NE(there, here) << name;
        moved += there;
        kept += here;
    }
    std::printf("beyond MAX_PATH: %zu moved, %zu kept, messages:", moved, kept);
    for (const std::string& message : shell.messages)
        std::printf(" %s", message.c_str());
    std::printf(", dialogs %zu\n", dialogs.size());
    EXPECT_EQ(allMoved, kept == 0);
    EXPECT_LE(shell.messages.size(), kept);
    for (const std::string& message : shell.messages)
        EXPECT_TRUE(IsDecimal(message)) << message;
    EXPECT_EQ(after.files.count(CategoryNames[5] + "\\Short.lnk"), 1u) << after;
}

// A backup folder on a drive that does not exist: the first folder cannot be made, the standard
// error box says so, and nothing is copied or created anywhere.
TEST_F(Faults, ABackupOnAMissingDriveIsAnInvalidFilenameAndCopiesNothing) {
    UseBothFolders();
    ASSERT_TRUE(WriteFile(User() + "\\a.lnk", "a"));
    ASSERT_TRUE(WriteFile(Common() + "\\b.lnk", "b"));
    MakeFolders(At("cwd"));
    CurrentDirectoryScope cwd(At("cwd"));
    ScanStartMenu(shell);
    ASSERT_EQ(GetLogicalDrives() & (1u << ('Q' - 'A')), 0u) << "drive Q: exists here";
    const Tree before = Snapshot(temp.Path());

    const auto [code, text] = IoFailure([&] { MakeBackup(shell, "Q:\\backup\\"); });
    EXPECT_EQ(code, 3);
    EXPECT_EQ(text, "Invalid filename.");
    EXPECT_EQ(shell.messages, std::vector<std::string>{});
    EXPECT_EQ(shell.operations, std::vector<std::string>{});
    EXPECT_EQ(Snapshot(temp.Path()), before);
}

// A read-only attribute on the all-users folder (as close to a folder without rights as a test
// run as root can come): Windows keeps the attribute on folders only as a display hint and still
// lets files in, so the backup and the distribution both work and nothing is lost.
TEST_F(Faults, AReadOnlyProgramsFolderIsStillBackedUpAndDistributed) {
    UseBothFolders();
    ASSERT_TRUE(WriteFile(Common() + "\\Офис.lnk", "office"));
    MakeFolders(Common() + "\\Игры старые");
    ASSERT_TRUE(WriteFile(Common() + "\\Игры старые\\old.lnk", "old"));
    ASSERT_TRUE(WriteFile(User() + "\\Мой.lnk", "mine"));
    ASSERT_TRUE(AddAttributes(Common(), FILE_ATTRIBUTE_READONLY));
    const DWORD attributes = GetFileAttributesW(Widen(Common()).c_str());
    std::printf("read-only folder: attributes read back 0x%lx (read-only %s)\n", attributes,
                (attributes & FILE_ATTRIBUTE_READONLY) ? "kept" : "dropped");
    ScanStartMenu(shell);
    ASSERT_EQ(StartMenuItems.size(), 3u);
    const Tree commonBefore = Snapshot(Common());
    const Tree userBefore = Snapshot(User());

    MakeFolders(At("backup"));
    MakeBackup(shell, At("backup\\"));
    EXPECT_EQ(shell.messages, std::vector<std::string>{BackupDoneText});
    EXPECT_EQ(Snapshot(At("backup\\Common_Programs")), commonBefore);
    EXPECT_EQ(Snapshot(At("backup\\Programs")), userBefore);

    for (TStartMenu& entry : StartMenuItems)
        entry.Category = entry.IsUser ? 1 : 0;
    shell.messages.clear();
    EXPECT_TRUE(DistributeItems(shell));
    EXPECT_EQ(shell.messages, std::vector<std::string>{});
    EXPECT_EQ(Snapshot(Common()), Relocated(commonBefore, {{"Офис.lnk", 0}, {"Игры старые", 0}}));
    EXPECT_EQ(Snapshot(User()), Relocated(userBefore, {{"Мой.lnk", 1}}));
    SetFileAttributesW(Widen(Common()).c_str(), FILE_ATTRIBUTE_DIRECTORY);
}

// A second backup into the same folder after a shortcut changed and another was added: the shell
// asks before it replaces the changed one. Answered "No", the first copy of it stays and the new
// shortcut is copied; answered "Cancel", the copy stops there. Either way the copy counts as not
// done, without a number, and the backup says it is incomplete. (Each box costs Wine about two
// seconds to take down without a window manager, so there is one question per folder.)
TEST_F(Faults, ASecondBackupAnsweredNoOrCancelKeepsTheFirstAndIsIncomplete) {
    if (!CanShowWindows())
        GTEST_SKIP() << "the shell's questions need a display (run under Xvfb)";
    for (const int answer : {IDNO, IDCANCEL}) {
        SCOPED_TRACE(answer == IDNO ? "No" : "Cancel");
        ResetCatalogue();
        const std::string base = At(answer == IDNO ? "no" : "cancel");
        const std::string common = base + "\\All\\Programs";
        const std::string user = base + "\\Мой\\Programs";
        const std::string backup = base + "\\Копия\\";
        for (const std::string& root : {common, user}) {
            MakeFolders(root);
            ASSERT_TRUE(WriteFile(root + "\\Почта.lnk", "mail " + root));
        }
        shell.common = common;
        shell.user = user;
        shell.messages.clear();
        ScanStartMenu(shell);
        MakeFolders(backup);
        MakeBackup(shell, backup);
        ASSERT_EQ(shell.messages, std::vector<std::string>{BackupDoneText});
        const Tree firstUser = Snapshot(backup + "Programs");
        const Tree firstCommon = Snapshot(backup + "Common_Programs");
        for (const std::string& root : {common, user}) {
            ASSERT_TRUE(WriteFile(root + "\\Почта.lnk", "changed mail " + root));
            ASSERT_TRUE(WriteFile(root + "\\Новое.lnk", "new " + root));
        }
        const Tree commonNow = Snapshot(common);
        const Tree userNow = Snapshot(user);

        shell.messages.clear();
        std::vector<std::string> dialogs;
        {
            DialogWatcher watcher(answer);
            MakeBackup(shell, backup);
            dialogs = watcher.Seen();
        }
        std::printf("second backup answered %s: %zu questions:", answer == IDNO ? "No" : "Cancel",
                    dialogs.size());
        for (const std::string& dialog : dialogs)
            std::printf(" [%s]", dialog.c_str());
        std::printf("\n");
        EXPECT_EQ(dialogs.size(), 2u) << "the shell did not ask once per folder";
        EXPECT_EQ(shell.messages, std::vector<std::string>{BackupIncompleteText});
        const std::pair<const Tree*, std::pair<const Tree*, std::string>> copies[] = {
            {&firstUser, {&userNow, backup + "Programs"}},
            {&firstCommon, {&commonNow, backup + "Common_Programs"}}};
        for (const auto& [first, now] : copies) {
            const Tree second = Snapshot(now.second);
            EXPECT_EQ(second.files.at("Почта.lnk"), first->files.at("Почта.lnk"));
            if (answer == IDNO) {
                EXPECT_EQ(second.files.size(), 2u) << second;
                EXPECT_EQ(second.files.at("Новое.lnk"), now.first->files.at("Новое.lnk"));
            } else {
                // The new shortcut is copied only if the listing met it before the question.
                EXPECT_LE(second.files.size(), 2u) << second;
                if (second.files.count("Новое.lnk")) {
                    EXPECT_EQ(second.files.at("Новое.lnk"), now.first->files.at("Новое.lnk"));
                }
            }
        }
        EXPECT_EQ(Snapshot(common), commonNow);
        EXPECT_EQ(Snapshot(user), userNow);
    }
}

// --- 3. Backup-folder texts that cannot be used ---------------------------------------------

class BadBackupTexts : public ReliabilityTest {
protected:
    std::string Common() const { return At("Κοινά\\Programs"); }
    std::string User() const { return At("Профиль Ёжика\\Programs"); }
    void SetUp() override {
        ReliabilityTest::SetUp();
        for (const std::string& root : {Common(), User()}) {
            MakeFolders(root + "\\Группа");
            ASSERT_TRUE(WriteFile(root + "\\Группа\\a.lnk", "a " + root));
            ASSERT_TRUE(WriteFile(root + "\\b.lnk", "b " + root));
        }
        ASSERT_TRUE(WriteFile(At("file.txt"), "a file, not a folder"));
        MakeFolders(At("cwd"));
        shell.common = Common();
        shell.user = User();
        ScanStartMenu(shell);
        ASSERT_EQ(StartMenuItems.size(), 4u);
    }

    // Runs the backup with `text` and returns what the user is told: the message shown, or the
    // standard error box's text. Nothing may have been created or copied, here or in the current
    // directory.
    std::string Outcome(const std::string& text) {
        CurrentDirectoryScope cwd(At("cwd"));
        const Tree before = Snapshot(temp.Path());
        shell.messages.clear();
        shell.operations.clear();
        const auto [code, error] = IoFailure([&] { MakeBackup(shell, text); });
        EXPECT_EQ(Snapshot(temp.Path()), before) << "text: [" << text << "]";
        EXPECT_EQ(shell.operations, std::vector<std::string>{}) << "text: [" << text << "]";
        if (code != 0) {
            EXPECT_EQ(shell.messages, std::vector<std::string>{}) << "text: [" << text << "]";
            return error;
        }
        EXPECT_EQ(shell.messages.size(), 1u) << "text: [" << text << "]";
        return shell.messages.empty() ? "" : shell.messages.front();
    }
};

TEST_F(BadBackupTexts, TextsThatAreNotFullPathsAreRefused) {
    std::vector<std::string> texts = {"",           "   ", "backup", "backup\\", ".\\backup",
                                      "..\\backup", "C:",  "C:b",    "Копия"};
    for (const char ch : std::string("<>|\"?*"))
        texts.push_back(At(std::string("a") + ch + "b\\"));
    for (const std::string& text : texts)
        EXPECT_EQ(Outcome(text), BackupPathNotFullText) << "text: [" << text << "]";
}

TEST_F(BadBackupTexts, FoldersInsideEitherProgramsFolderAreRefusedInAnyLetterCase) {
    auto upper = [](const std::string& text) {
        std::wstring wide = Widen(text);
        CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
        return Narrow(wide);
    };
    auto lower = [](const std::string& text) {
        std::wstring wide = Widen(text);
        CharLowerBuffW(wide.data(), static_cast<DWORD>(wide.size()));
        return Narrow(wide);
    };
    // "Κοινά" differs from its upper case in an accented letter as well; only its plain letters
    // change case here.
    const std::string commonMixed = temp.Path() + "\\κοινά\\PROGRAMS";
    for (const std::string& text :
         {User(), User() + "\\", upper(User()) + "\\Копия\\", lower(User()) + "\\Группа\\Копия",
          Common() + "\\Копия\\", commonMixed, commonMixed + "\\группа\\"})
        EXPECT_EQ(Outcome(text), BackupInsideStartMenuText) << "text: [" << text << "]";
}

TEST_F(BadBackupTexts, FoldersThatCannotBeMadeGiveTheErrorBoxText) {
    // A path through an existing file, and a share on a server that does not exist.
    EXPECT_EQ(Outcome(At("file.txt")), "Invalid filename.");
    EXPECT_EQ(Outcome(At("file.txt\\")), "Invalid filename.");
    const std::string unc = Outcome("\\\\orvane-no-such-server\\share\\Копия\\");
    EXPECT_TRUE(unc == "Invalid filename." || unc == "I/O error 53." || unc == "I/O error 67.")
        << unc;
    std::printf("a missing share gives: %s\n", unc.c_str());
}

// Other spellings that the system resolves to a Programs folder: a trailing dot on a component,
// doubled separators, the 8.3 short form, and letters whose upper and lower case lie outside the
// plain Latin, Greek and Cyrillic alphabets. Each must be refused like the plain spelling; the
// copies are only recorded here, since a copy into its own source folder would not end.
TEST_F(BadBackupTexts, OtherSpellingsOfAProgramsFolderAreRefused) {
    shell.performShellOperations = false;
    std::vector<std::string> texts = {User() + ".", Common() + ".\\",
                                      At("Профиль Ёжика\\\\Programs")};
    wchar_t shortForm[MAX_PATH] = {};
    if (GetShortPathNameW(Widen(User()).c_str(), shortForm, MAX_PATH) > 0 &&
        Narrow(shortForm) != User())
        texts.push_back(Narrow(shortForm));
    texts.push_back(temp.Path() + "\\ΚΟΙΝΆ\\Programs"); // accented capital: U+0386
    for (const std::string& text : texts) {
        EXPECT_EQ(Outcome(text), BackupInsideStartMenuText) << "text: [" << text << "]";
        // Clean up whatever a missed refusal made inside the Start menu.
        for (const std::string& root : {Common(), User()}) {
            for (const char* made : {"\\Programs", "\\Common_Programs"})
                RemoveDirectoryW(Widen(root + made).c_str());
        }
    }
}

TEST_F(BadBackupTexts, ALetterOutsideTheFoldedAlphabetsDoesNotHideAProgramsFolder) {
    // A user profile named with a Polish letter, as "C:\Users\Łukasz\...".
    const std::string user = At("Łukasz\\Programs");
    MakeFolders(user);
    ASSERT_TRUE(WriteFile(user + "\\c.lnk", "c"));
    shell.user = user;
    ResetCatalogue();
    ScanStartMenu(shell);
    shell.performShellOperations = false;
    const std::string text = At("łukasz\\Programs");
    EXPECT_EQ(Outcome(text), BackupInsideStartMenuText) << "text: [" << text << "]";
    RemoveDirectoryW(Widen(user + "\\Programs").c_str());
    RemoveDirectoryW(Widen(user + "\\Common_Programs").c_str());
}

// A backup folder that holds a Programs folder under the name the backup gives its own copy, as
// the Start Menu folder holds "Programs": the copy of the user's folder would land on that Programs
// folder itself (the all-users one, or the user's own), and "Common_Programs" would be made in the
// Start menu. Both must be refused like a folder inside the Start menu.
TEST_F(BadBackupTexts, AFolderWhoseCopyWouldLandOnAProgramsFolderIsRefused) {
    shell.performShellOperations = false;
    for (const std::string& text : {At("Профиль Ёжика\\"), At("Κοινά")})
        EXPECT_EQ(Outcome(text), BackupInsideStartMenuText) << "text: [" << text << "]";
    for (const std::string& made :
         {At("Профиль Ёжика\\Common_Programs"), At("Κοινά\\Common_Programs")})
        RemoveDirectoryW(Widen(made).c_str());
}

} // namespace
