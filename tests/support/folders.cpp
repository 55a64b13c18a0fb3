#include "support/folders.h"

#include "win32/handles.h"
#include "win32/system.h"
#include "win32/text.h"

#include <shlobj.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

// The path in its "\\?\" form, which the file calls accept beyond MAX_PATH.
std::wstring LongForm(const std::string& path) {
    return L"\\\\?\\" + Widen(path);
}

uint64_t Checksum(const std::string& path) {
    uint64_t hash = 1469598103934665603ull; // FNV-1a
    const TFile file(CreateFileW(LongForm(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
    char buffer[4096];
    DWORD got = 0;
    while (file && ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
        for (DWORD i = 0; i < got; ++i)
            hash = (hash ^ static_cast<unsigned char>(buffer[i])) * 1099511628211ull;
    }
    return hash;
}

// Calls `visit(name, isFolder)` for every entry of a folder but "." and "..".
template <class Visit> void ForEachEntry(const std::string& folder, Visit&& visit) {
    WIN32_FIND_DATAW data;
    const TFindHandle find(FindFirstFileW((LongForm(folder) + L"\\*").c_str(), &data));
    if (!find)
        return;
    do {
        const std::string name = Narrow(data.cFileName);
        if (name != "." && name != "..")
            visit(name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (FindNextFileW(find.get(), &data));
}

void Walk(const std::string& root, const std::string& relative, Tree& tree) {
    ForEachEntry(relative.empty() ? root : root + "\\" + relative,
                 [&](const std::string& name, bool isFolder) {
                     const std::string path = relative.empty() ? name : relative + "\\" + name;
                     if (isFolder) {
                         tree.folders.insert(path);
                         Walk(root, path, tree);
                     } else {
                         tree.files[path] = Checksum(root + "\\" + path);
                     }
                 });
}

} // namespace

TempFolder::TempFolder() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static unsigned counter = 0;
    const std::wstring path = std::wstring(base) + L"orvane-test-" +
                              std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++counter);
    RemoveTree(Narrow(path));
    if (!CreateDirectoryW(path.c_str(), nullptr))
        throw std::runtime_error("cannot create a temporary folder");
    path_ = Narrow(path);
}

TempFolder::~TempFolder() {
    RemoveTree(path_);
}

void MakeFolders(const std::string& path) {
    fs::create_directories(Widen(path));
}

bool WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(fs::path(Widen(path)), std::ios::binary);
    out << content;
    return static_cast<bool>(out);
}

bool MakeShortcut(const std::string& linkPath, const std::string& target,
                  const ShortcutDetails& details) {
    TComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.put_void())) ||
        FAILED(link->SetPath(Widen(target).c_str())) ||
        FAILED(link->SetDescription(Widen(details.description).c_str())) ||
        (!details.arguments.empty() &&
         FAILED(link->SetArguments(Widen(details.arguments).c_str()))) ||
        (!details.workingFolder.empty() &&
         FAILED(link->SetWorkingDirectory(Widen(details.workingFolder).c_str()))) ||
        (!details.iconFile.empty() &&
         FAILED(link->SetIconLocation(Widen(details.iconFile).c_str(), details.iconIndex))))
        return false;
    TComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())))
        return false;
    // A hidden or system file cannot be saved over as it is.
    SetFileAttributesW(LongForm(linkPath).c_str(), FILE_ATTRIBUTE_NORMAL);
    return SUCCEEDED(file->Save(Widen(linkPath).c_str(), TRUE));
}

bool AddAttributes(const std::string& path, unsigned long attributes) {
    const std::wstring wide = Widen(path);
    const DWORD current = GetFileAttributesW(wide.c_str());
    return current != INVALID_FILE_ATTRIBUTES &&
           SetFileAttributesW(wide.c_str(), current | attributes);
}

bool Exists(const std::string& path) {
    return GetFileAttributesW(LongForm(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool RemoveTree(const std::string& path) {
    const std::wstring at = LongForm(path);
    const DWORD attributes = GetFileAttributesW(at.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return true;
    // Read-only, hidden and system entries would stop the removal.
    SetFileAttributesW(at.c_str(), FILE_ATTRIBUTE_NORMAL);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return DeleteFileW(at.c_str()) != FALSE;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        ForEachEntry(path, [&](const std::string& name, bool) { RemoveTree(path + "\\" + name); });
    return RemoveDirectoryW(at.c_str()) != FALSE;
}

std::string NotepadPath() {
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    return Narrow(windows) + "\\notepad.exe";
}

std::ostream& operator<<(std::ostream& out, const Tree& tree) {
    out << "{";
    for (const std::string& folder : tree.folders)
        out << "\n  [" << folder << "]";
    for (const auto& [path, sum] : tree.files)
        out << "\n  " << path << " #" << std::hex << sum << std::dec;
    return out << "\n}";
}

Tree Snapshot(const std::string& root) {
    Tree tree;
    Walk(root, "", tree);
    return tree;
}

std::multiset<std::pair<std::string, uint64_t>> Contents(const Tree& tree) {
    std::multiset<std::pair<std::string, uint64_t>> contents;
    for (const auto& [path, sum] : tree.files)
        contents.insert({path.substr(path.find_last_of('\\') + 1), sum});
    return contents;
}

CurrentDirectoryScope::CurrentDirectoryScope(const std::string& folder) {
    wchar_t saved[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, saved);
    saved_ = saved;
    SetCurrentDirectoryW(Widen(folder).c_str());
}

CurrentDirectoryScope::~CurrentDirectoryScope() {
    SetCurrentDirectoryW(saved_.c_str());
}

bool RunningOnWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

namespace {

// Starts a Linux program through Wine's start.exe. Its handle may signal before the program has
// acted, so what it does is checked by the caller.
void StartUnixProgram(const std::wstring& arguments) {
    std::wstring command = L"start.exe /wait /unix " + arguments;
    STARTUPINFOW startup{sizeof(startup)};
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process))
        return;
    const TKernelHandle thread(process.hThread), owned(process.hProcess);
    WaitForSingleObject(process.hProcess, 30000);
}

// Whether the folder's own times can be set, which an immutable directory refuses. They are set
// to what they are, so that asking changes nothing.
bool TimesCanBeSet(const std::string& folder) {
    const TFile handle(CreateFileW(LongForm(folder).c_str(),
                                   FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    FILETIME created{}, accessed{}, written{};
    return handle && GetFileTime(handle.get(), &created, &accessed, &written) &&
           SetFileTime(handle.get(), &created, &accessed, &written);
}

// Whether a folder can be made in `folder`; the one made is removed again.
bool TakesNewFolders(const std::string& folder) {
    const std::wstring probe = LongForm(folder + "\\orvane-write-probe");
    if (!CreateDirectoryW(probe.c_str(), nullptr))
        return false;
    RemoveDirectoryW(probe.c_str());
    return true;
}

// Waits up to ten seconds for the folder to become writable or unwritable. The times are asked
// while it changes, as asking leaves nothing behind; once they answer so, the one flag that
// decides both has changed, and a new folder is then taken or refused alike (a probe made just as
// the flag came on could not be removed again).
bool Becomes(const std::string& folder, bool writable) {
    for (int round = 0; round < 200; ++round) {
        if (TimesCanBeSet(folder) == writable && TakesNewFolders(folder) == writable)
            return true;
        Sleep(50);
    }
    return false;
}

} // namespace

UnwritableFolder::UnwritableFolder(const std::string& folder) : folder_(folder) {
    using UnixNameFn = char*(CDECL*)(LPCWSTR);
    const auto unixName =
        ProcedureOf<UnixNameFn>(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name");
    char* name = unixName ? unixName(Widen(folder).c_str()) : nullptr;
    if (!name) {
        problem_ = "a folder can be made unwritable for a test only under Wine";
        return;
    }
    unixPath_ = name;
    HeapFree(GetProcessHeap(), 0, name);
    StartUnixProgram(L"/usr/bin/chattr +i \"" + Widen(unixPath_) + L"\"");
    flagged_ = true;
    active_ = Becomes(folder_, false);
    if (!active_) {
        problem_ = "/usr/bin/chattr +i did not make " + unixPath_ +
                   " refuse writes within 10 s (is chattr there, and does the file system take "
                   "the immutable flag?)";
        Clear();
    }
}

UnwritableFolder::~UnwritableFolder() {
    if (!Clear())
        std::fprintf(stderr, "UnwritableFolder: %s\n", problem_.c_str());
}

bool UnwritableFolder::Clear() {
    active_ = false;
    if (!flagged_)
        return true;
    StartUnixProgram(L"/usr/bin/chattr -i \"" + Widen(unixPath_) + L"\"");
    flagged_ = !Becomes(folder_, true);
    if (flagged_)
        problem_ = "/usr/bin/chattr -i did not make " + unixPath_ + " writable again within 10 s";
    return !flagged_;
}

bool CanShowWindows() {
    const HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                       GetModuleHandleW(nullptr), nullptr);
    if (!probe)
        return false;
    DestroyWindow(probe);
    return true;
}
