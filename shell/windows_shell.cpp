#include "shell/windows_shell.h"

#include "shell/elevated_step.h"
#include "win32/handles.h"
#include "win32/system.h"
#include "win32/text.h"

#include <aclapi.h>
#include <exdisp.h>
#include <knownfolders.h>
#include <sddl.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <taskschd.h>

#include <cwctype>
#include <utility>
#include <vector>

std::optional<std::string> WindowsShell::GetSpecialFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, 0, path)) || path[0] == L'\0')
        return std::nullopt;
    std::wstring folder = path;
    while (folder.size() > 1 && folder.back() == L'\\')
        folder.pop_back();
    return Narrow(folder);
}

std::vector<std::string> WindowsShell::ListFolder(const std::string& pattern, unsigned attributes) {
    std::vector<std::string> names;
    for (TListedName& listed : ListFolderWithAttributes(pattern, attributes))
        names.push_back(std::move(listed.Name));
    return names;
}

std::vector<TListedName> WindowsShell::ListFolderWithAttributes(const std::string& pattern,
                                                                unsigned attributes) {
    // Entries are listed when their hidden, system and directory attributes are all in the mask,
    // as the classic attribute-mask listing does; 63 lists everything.
    const DWORD special = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
    std::vector<TListedName> names;
    WIN32_FIND_DATAW data;
    const TFindHandle find(FindFirstFileW(Widen(pattern).c_str(), &data));
    if (!find)
        return names;
    do {
        if ((data.dwFileAttributes & special & ~attributes) == 0)
            names.push_back({Narrow(data.cFileName), data.dwFileAttributes});
    } while (FindNextFileW(find.get(), &data));
    return names;
}

bool WindowsShell::FolderExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void WindowsShell::CreateFolder(const std::string& path) {
    if (!CreateDirectoryW(Widen(path).c_str(), nullptr))
        throw EInOutError(static_cast<int>(GetLastError()));
}

bool WindowsShell::PathExists(const std::string& path) {
    return GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

unsigned WindowsShell::RemoveFolder(const std::string& path) {
    // RemoveDirectory removes only an empty folder.
    return RemoveDirectoryW(Widen(path).c_str()) ? 0 : GetLastError();
}

ShellOpResult WindowsShell::ShellFileOperation(ShellOp op, const std::string& from,
                                               const std::string& to) {
    // A move within a volume renames, and fails rather than replace what is there; a file may be
    // copied across volumes, as the shell would.
    if (quiet_ && op == ShellOp::Move)
        return {MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), MOVEFILE_COPY_ALLOWED)
                    ? 0u
                    : static_cast<unsigned>(GetLastError()),
                false};
    // Each list is one path followed by two extra NULs.
    std::wstring source = Widen(from) + std::wstring(2, L'\0');
    std::wstring target = Widen(to) + std::wstring(2, L'\0');
    SHFILEOPSTRUCTW operation = {};
    operation.hwnd = owner_;
    operation.wFunc = op == ShellOp::Move ? FO_MOVE : FO_COPY;
    operation.pFrom = source.c_str();
    operation.pTo = target.c_str();
    // Missing target folders are made without asking; progress and overwrite questions stay.
    operation.fFlags = FOF_NOCONFIRMMKDIR;
    const int result = SHFileOperationW(&operation);
    return {static_cast<unsigned>(result), operation.fAnyOperationsAborted != FALSE};
}

namespace {

// Calls a path function that takes a buffer and returns the length it needs.
template <class Call> std::wstring PathFrom(Call call) {
    std::wstring out(MAX_PATH, L'\0');
    DWORD length = call(out.data(), static_cast<DWORD>(out.size()));
    if (length >= out.size()) {
        out.resize(length);
        length = call(out.data(), static_cast<DWORD>(out.size()));
    }
    out.resize(length < out.size() ? length : 0);
    return out;
}

// Windows ignores trailing dots and spaces in path components ("Programs." is "Programs").
std::wstring WithoutTrailingDots(const std::wstring& path) {
    std::wstring out;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos)
            end = path.size();
        std::wstring part = path.substr(start, end - start);
        if (part != L"." && part != L"..")
            part.erase(part.find_last_not_of(L". ") + 1);
        out += part;
        if (end < path.size())
            out += L'\\';
        start = end + 1;
    }
    return out;
}

} // namespace

std::string WindowsShell::ComparablePath(const std::string& path) {
    const std::wstring given = Widen(path);
    std::wstring full = PathFrom([&](wchar_t* buffer, DWORD size) {
        return GetFullPathNameW(given.c_str(), size, buffer, nullptr);
    });
    full = WithoutTrailingDots(full.empty() ? given : full);
    // Short (8.3) names become long ones, for as much of the path as exists.
    std::wstring existing = full, rest;
    for (;;) {
        const std::wstring longer = PathFrom([&](wchar_t* buffer, DWORD size) {
            return GetLongPathNameW(existing.c_str(), buffer, size);
        });
        if (!longer.empty()) {
            full = longer + rest;
            break;
        }
        const size_t cut = existing.find_last_of(L'\\');
        if (cut == std::wstring::npos || cut < 3)
            break;
        rest = existing.substr(cut) + rest;
        existing.resize(cut);
    }
    // The file system compares names without regard to letter case.
    CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));
    return Narrow(full);
}

std::string WindowsShell::FoldedName(const std::string& name) {
    std::wstring wide = Widen(name);
    CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
    return Narrow(wide);
}

namespace {

std::wstring DesktopIniOf(const std::string& folder) {
    return Widen(folder) + L"\\desktop.ini";
}

std::wstring Trimmed(const std::wstring& text) {
    const size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos)
        return std::wstring();
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

// Writes a UTF-16 byte-order mark into a new file; the profile functions then keep the file
// UTF-16, as the shell writes desktop.ini.
DWORD CreateUnicodeFile(const std::wstring& path) {
    const TFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return GetLastError();
    const wchar_t mark = 0xFEFF;
    DWORD written = 0;
    if (!WriteFile(file.get(), &mark, sizeof mark, &written, nullptr) || written != sizeof mark)
        return GetLastError();
    return 0;
}

// Changes a desktop.ini through the profile functions: the file, hidden and system as the shell
// keeps it, is made normal for the change (a hidden or system file cannot be rewritten as a normal
// one) and hidden and system again afterwards. Returns the OS error code, 0 on success.
template <class Change> DWORD RewriteDesktopIni(const std::wstring& ini, Change change) {
    if (!SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL))
        return GetLastError();
    const DWORD changeCode = change() ? 0 : GetLastError();
    // A file removed by the change has no attributes left to set.
    if (GetFileAttributesW(ini.c_str()) != INVALID_FILE_ATTRIBUTES &&
        !SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
        return changeCode ? changeCode : GetLastError();
    return changeCode;
}

} // namespace

std::vector<std::pair<std::string, std::string>>
WindowsShell::DesktopIniSection(const std::string& folder, const std::string& section) {
    std::vector<std::pair<std::string, std::string>> lines;
    // The shell reads a folder's desktop.ini only when the folder is read-only or system.
    if (!PathIsSystemFolderW(Widen(folder).c_str(), 0))
        return lines;
    const std::wstring ini = DesktopIniOf(folder);
    const std::wstring name = Widen(section);
    std::wstring buffer(4096, L'\0');
    DWORD length = 0;
    for (;;) {
        length = GetPrivateProfileSectionW(name.c_str(), buffer.data(),
                                           static_cast<DWORD>(buffer.size()), ini.c_str());
        if (length + 2 < buffer.size())
            break;
        buffer.resize(buffer.size() * 2);
    }
    // "key=value" entries, each ended by a NUL.
    for (size_t start = 0; start < length;) {
        const size_t end = buffer.find(L'\0', start);
        const std::wstring entry = buffer.substr(start, end - start);
        start = end + 1;
        const size_t equals = entry.find(L'=');
        if (equals == std::wstring::npos || entry[0] == L';')
            continue;
        lines.emplace_back(Narrow(Trimmed(entry.substr(0, equals))),
                           Narrow(Trimmed(entry.substr(equals + 1))));
    }
    return lines;
}

std::optional<std::string> WindowsShell::ResolveLocalizedName(const std::string& value) {
    if (value.empty())
        return std::nullopt;
    if (value[0] != '@')
        return value;
    // Windows' own values name their module through %SystemRoot%; the lookup does not expand it
    // everywhere (Wine's does not), so it is expanded here.
    const std::wstring expanded = Widen(ExpandEnvironment(value));
    wchar_t text[1024] = {};
    if (FAILED(SHLoadIndirectString(expanded.c_str(), text, 1024, nullptr)) || text[0] == L'\0')
        return std::nullopt;
    return Narrow(text);
}

unsigned WindowsShell::WriteDesktopIni(const std::string& folder, const std::string& section,
                                       const std::string& key, const std::string& value) {
    const std::wstring ini = DesktopIniOf(folder);
    if (GetFileAttributesW(ini.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (const DWORD code = CreateUnicodeFile(ini))
            return code;
    }
    const std::wstring name = Widen(section), line = Widen(key), text = Widen(value);
    if (const DWORD code = RewriteDesktopIni(ini, [&] {
            return WritePrivateProfileStringW(name.c_str(), line.c_str(), text.c_str(),
                                              ini.c_str());
        }))
        return code;
    // As the shell marks such a folder: read-only or system, as the system's policy says.
    if (!PathMakeSystemFolderW(Widen(folder).c_str())) {
        const DWORD code = GetLastError();
        return code ? code : ERROR_ACCESS_DENIED;
    }
    return 0;
}

unsigned WindowsShell::RemoveDesktopIniLine(const std::string& folder, const std::string& section,
                                            const std::string& key, bool removeEmptyFile) {
    const std::wstring ini = DesktopIniOf(folder);
    if (GetFileAttributesW(ini.c_str()) == INVALID_FILE_ATTRIBUTES)
        return 0;
    const std::wstring name = Widen(section), line = Widen(key);
    bool empty = false;
    if (const DWORD code = RewriteDesktopIni(ini, [&] {
            wchar_t probe[4] = {};
            if (!WritePrivateProfileStringW(name.c_str(), line.c_str(), nullptr, ini.c_str()))
                return FALSE;
            // A section without lines goes too.
            if (GetPrivateProfileSectionW(name.c_str(), probe, 4, ini.c_str()) == 0 &&
                !WritePrivateProfileStringW(name.c_str(), nullptr, nullptr, ini.c_str()))
                return FALSE;
            empty = GetPrivateProfileSectionNamesW(probe, 4, ini.c_str()) == 0;
            return TRUE;
        }))
        return code;
    if (removeEmptyFile && empty) {
        SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!DeleteFileW(ini.c_str()))
            return GetLastError();
    }
    return 0;
}

namespace {

class TWindowsAppendFile : public TAppendFile {
public:
    explicit TWindowsAppendFile(TFile file) : file_(std::move(file)) {}
    unsigned Append(const std::string& text) override {
        DWORD written = 0;
        if (!text.empty() && (!::WriteFile(file_.get(), text.data(),
                                           static_cast<DWORD>(text.size()), &written, nullptr) ||
                              written != text.size()))
            return GetLastError();
        // On the disk before the next step, so that a run stopped half-way leaves a true record.
        return FlushFileBuffers(file_.get()) ? 0 : GetLastError();
    }

private:
    TFile file_;
};

} // namespace

std::unique_ptr<TAppendFile> WindowsShell::OpenForAppend(const std::string& path, bool createNew,
                                                         unsigned& code) {
    // The link itself is opened, not what it leads to, and then refused.
    TFile file(CreateFileW(Widen(path).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ, nullptr, createNew ? CREATE_NEW : OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
        code = GetLastError();
        return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(file.get(), &information)) {
        code = GetLastError();
        return nullptr;
    }
    if (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        code = ERROR_CANT_ACCESS_FILE;
        return nullptr;
    }
    code = 0;
    return std::make_unique<TWindowsAppendFile>(std::move(file));
}

std::optional<std::string> WindowsShell::ReadTextFile(const std::string& path) {
    const TFile file(CreateFileW(Widen(path).c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return std::nullopt;
    std::string content;
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
        content.append(buffer, read);
    return content;
}

std::optional<uint64_t> WindowsShell::FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool WindowsShell::IsFolderLink(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

namespace {

bool HasExtension(const std::wstring& path, const wchar_t* extension) {
    const size_t length = wcslen(extension);
    if (path.size() < length)
        return false;
    return _wcsicmp(path.c_str() + path.size() - length, extension) == 0;
}

// A text the shell link returns through a buffer of its own.
template <class Call> std::string LinkText(Call call) {
    wchar_t text[INFOTIPSIZE] = {};
    return SUCCEEDED(call(text, INFOTIPSIZE)) ? Narrow(text) : std::string();
}

} // namespace

std::optional<TShortcutInfo> WindowsShell::ReadShortcut(const std::string& path) {
    const std::wstring file = Widen(path);
    TShortcutInfo info;
    if (HasExtension(file, L".url")) {
        wchar_t url[2048] = {};
        if (GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES)
            return std::nullopt;
        GetPrivateProfileStringW(L"InternetShortcut", L"URL", L"", url, 2048, file.c_str());
        info.Url = Narrow(url);
        return info;
    }
    if (!HasExtension(file, L".lnk"))
        return std::nullopt;
    // The icon thread has COM already; the catalogue tool and the tests may not.
    const TComScope com;
    TComPtr<IShellLinkW> link;
    TComPtr<IPersistFile> persist;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.put_void())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, persist.put_void())) ||
        FAILED(persist->Load(file.c_str(), STGM_READ)))
        return std::nullopt;
    // The path as stored, environment variables expanded; no resolving, which could search the
    // disks for a moved target.
    info.Target =
        LinkText([&](wchar_t* text, int size) { return link->GetPath(text, size, nullptr, 0); });
    info.Arguments =
        LinkText([&](wchar_t* text, int size) { return link->GetArguments(text, size); });
    info.WorkingFolder =
        LinkText([&](wchar_t* text, int size) { return link->GetWorkingDirectory(text, size); });
    info.Comment =
        LinkText([&](wchar_t* text, int size) { return link->GetDescription(text, size); });
    // An installer's advertised shortcut names its product, not a file.
    TComPtr<IShellLinkDataList> data;
    DWORD flags = 0;
    info.Advertised = SUCCEEDED(link->QueryInterface(IID_IShellLinkDataList, data.put_void())) &&
                      SUCCEEDED(data->GetFlags(&flags)) && (flags & SLDF_HAS_DARWINID);
    return info;
}

TTargetState WindowsShell::ProbeTarget(const std::string& path) {
    const std::wstring target = Widen(ExpandEnvironment(path));
    // A drive letter and its root; anything else (a network path, a relative one) is not judged.
    if (target.size() < 3 || target[1] != L':' || target[2] != L'\\' || !iswalpha(target[0]))
        return TTargetState::Unknown;
    const std::wstring root = target.substr(0, 3);
    // Only a fixed drive that is there and answers now: not a removable, network or locked one.
    if (GetDriveTypeW(root.c_str()) != DRIVE_FIXED ||
        !GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0))
        return TTargetState::Unknown;
    if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES)
        return TTargetState::Present;
    const DWORD code = GetLastError();
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? TTargetState::Missing
                                                                        : TTargetState::Unknown;
}

bool WindowsShell::StartMenuShowsOneLevel() {
    // The version this program is told (its manifest names Windows 10 as supported).
    OSVERSIONINFOW version{sizeof(version)};
    using GetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    if (const auto get = ProcedureOf<GetVersionFn>(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion"))
        get(&version);
    return version.dwMajorVersion >= 10;
}

TVersionInfo WindowsShell::ReadVersionInfo(const std::string& path) {
    // version.dll is not one of the DLLs Windows always takes from System32: it is loaded from
    // there by its full path, never imported.
    using SizeFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
    using InfoFn = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
    using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);
    TVersionInfo result;
    const TModule version = LoadSystemLibrary(L"version.dll");
    const auto size = ProcedureOf<SizeFn>(version.get(), "GetFileVersionInfoSizeW");
    const auto read = ProcedureOf<InfoFn>(version.get(), "GetFileVersionInfoW");
    const auto query = ProcedureOf<QueryFn>(version.get(), "VerQueryValueW");
    if (!size || !read || !query)
        return result;
    const std::wstring file = Widen(path);
    DWORD ignored = 0;
    const DWORD length = size(file.c_str(), &ignored);
    if (length == 0)
        return result;
    std::vector<unsigned char> data(length);
    if (!read(file.c_str(), 0, length, data.data()))
        return result;
    // The first language and code page the resource lists.
    struct Translation {
        WORD Language;
        WORD CodePage;
    };
    Translation* translations = nullptr;
    UINT bytes = 0;
    if (!query(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<LPVOID*>(&translations),
               &bytes) ||
        bytes < sizeof(Translation))
        return result;
    const auto text = [&](const wchar_t* name) {
        std::wstring key = L"\\StringFileInfo\\";
        for (const WORD part : {translations->Language, translations->CodePage}) {
            for (int shift = 12; shift >= 0; shift -= 4)
                key += L"0123456789abcdef"[(part >> shift) & 0xF];
        }
        key += std::wstring(L"\\") + name;
        wchar_t* value = nullptr;
        UINT chars = 0;
        if (!query(data.data(), key.c_str(), reinterpret_cast<LPVOID*>(&value), &chars) || !value)
            return std::string();
        return Narrow(std::wstring(value, wcsnlen(value, chars)));
    };
    result.FileDescription = text(L"FileDescription");
    result.ProductName = text(L"ProductName");
    return result;
}

void WindowsShell::NotifyFolderChanged(const std::string& folder) {
    SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW | SHCNF_FLUSH, Widen(folder).c_str(), nullptr);
}

void* WindowsShell::SmallIconList() {
    // The shell fills the overlays into the system image list when asked to set it up; a program
    // other than the desktop shell does so through FileIconInit, exported by ordinal only.
    using FileIconInitFn = BOOL(WINAPI*)(BOOL);
    if (FARPROC init = GetProcAddress(GetModuleHandleW(L"shell32.dll"), MAKEINTRESOURCEA(660)))
        reinterpret_cast<FileIconInitFn>(reinterpret_cast<void (*)()>(init))(TRUE);
    SHFILEINFOW info = {};
    return reinterpret_cast<void*>(
        SHGetFileInfoW(L".lnk", FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                       SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
}

int WindowsShell::LinkOverlay() {
    const int overlay = SHGetIconOverlayIndexW(nullptr, IDO_SHGIOI_LINK);
    return overlay >= 1 && overlay <= 15 ? overlay : 0;
}

ItemIconInfo WindowsShell::ItemIcon(const std::string& path) {
    // One call: the image in the shell's cache, which holds an icon once for every entry sharing
    // it, and the link attribute.
    SHFILEINFOW info = {};
    if (!SHGetFileInfoW(Widen(path).c_str(), 0, &info, sizeof info,
                        SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_ATTRIBUTES))
        return {};
    return {info.iIcon, (info.dwAttributes & SFGAO_LINK) != 0};
}

void WindowsShell::OpenInShell(const std::string& target) {
    ShellExecuteW(owner_, L"open", Widen(target).c_str(), nullptr, nullptr, SW_SHOW);
}

bool WindowsShell::IsElevated() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    const TKernelHandle owned(token);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated != 0;
}

TElevatedRun WindowsShell::RunElevatedStep(const std::string& request) {
    const std::string program = stepProgram_.empty() ? ExecutablePath() : stepProgram_;
    return RunElevatedProgram(owner_, program, request);
}

std::optional<std::string> WindowsShell::MachineFolder(TMachineFolder folder) {
    const KNOWNFOLDERID* id = &FOLDERID_ProgramData;
    switch (folder) {
    case TMachineFolder::CommonPrograms:
        id = &FOLDERID_CommonPrograms;
        break;
    case TMachineFolder::CommonStartup:
        id = &FOLDERID_CommonStartup;
        break;
    case TMachineFolder::CommonAdminTools:
        id = &FOLDERID_CommonAdminTools;
        break;
    case TMachineFolder::ProgramData:
        break;
    }
    // The machine's own settings: no user's token, so nothing the user redirected is taken.
    wchar_t* found = nullptr;
    const HRESULT result = SHGetKnownFolderPath(*id, KF_FLAG_DONT_VERIFY, nullptr, &found);
    const TCoTaskMemory<wchar_t*> path(found);
    if (FAILED(result) || !path || !path.get()[0])
        return std::nullopt;
    std::wstring text = path.get();
    while (text.size() > 1 && text.back() == L'\\')
        text.pop_back();
    return Narrow(text);
}

namespace {

// Whether the system keeps the owners of files: on Windows, System32 belongs to the system's
// installer; Wine reports every file as the user's own, and then an owner tells nothing.
bool OwnersAreKept() {
    wchar_t system[MAX_PATH] = {};
    if (!GetSystemDirectoryW(system, MAX_PATH))
        return true;
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(system, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                              nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return true;
    const TLocalMemory<PSECURITY_DESCRIPTOR> owned(descriptor);
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return true;
    const TKernelHandle ownedToken(token);
    alignas(TOKEN_USER) unsigned char buffer[256] = {};
    DWORD length = 0;
    if (!GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &length))
        return true;
    return !EqualSid(owner, reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
}

// Administrators or the system own the folder.
bool OwnedByAdministrators(const std::wstring& path, DWORD& code) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    code = GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                                 nullptr, nullptr, nullptr, &descriptor);
    if (code != ERROR_SUCCESS)
        return false;
    const TLocalMemory<PSECURITY_DESCRIPTOR> owned(descriptor);
    return IsWellKnownSid(owner, WinBuiltinAdministratorsSid) ||
           IsWellKnownSid(owner, WinLocalSystemSid) || !OwnersAreKept();
}

} // namespace

TAdminFolder WindowsShell::PrepareAdminFolder(const std::string& path, unsigned& code) {
    const std::wstring folder = Widen(path);
    if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
        // Owned by administrators; administrators and the system may change it, users only read.
        PSECURITY_DESCRIPTOR made = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
                L"O:BAG:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)",
                SDDL_REVISION_1, &made, nullptr)) {
            code = GetLastError();
            return TAdminFolder::Failed;
        }
        const TLocalMemory<PSECURITY_DESCRIPTOR> descriptor(made);
        SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};
        if (!CreateDirectoryW(folder.c_str(), &attributes) &&
            GetLastError() != ERROR_ALREADY_EXISTS) {
            code = GetLastError();
            return TAdminFolder::Failed;
        }
    }
    const DWORD found = GetFileAttributesW(folder.c_str());
    if (found == INVALID_FILE_ATTRIBUTES || !(found & FILE_ATTRIBUTE_DIRECTORY)) {
        code = found == INVALID_FILE_ATTRIBUTES ? GetLastError() : ERROR_DIRECTORY;
        return TAdminFolder::Failed;
    }
    if (found & FILE_ATTRIBUTE_REPARSE_POINT)
        return TAdminFolder::Link;
    DWORD ownerCode = 0;
    if (!OwnedByAdministrators(folder, ownerCode)) {
        code = ownerCode;
        return ownerCode ? TAdminFolder::Failed : TAdminFolder::ForeignOwner;
    }
    return TAdminFolder::Ready;
}

bool WindowsShell::OpenThroughDesktopShell(const std::string& target) {
    // The desktop's folder view, found through the shell's window list, leads to the desktop
    // shell's own automation object, whose ShellExecute runs in the desktop shell's process.
    TComPtr<IShellWindows> windows;
    if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                windows.put_void())))
        return false;
    TVariant desktop;
    long window = 0;
    TComPtr<IDispatch> found;
    if (windows->FindWindowSW(&desktop.get(), &desktop.get(), SWC_DESKTOP, &window,
                              SWFO_NEEDDISPATCH, found.put()) != S_OK ||
        !found)
        return false;
    TComPtr<IServiceProvider> services;
    TComPtr<IShellBrowser> browser;
    TComPtr<IShellView> view;
    TComPtr<IDispatch> background;
    TComPtr<IShellFolderViewDual> folderView;
    TComPtr<IDispatch> application;
    TComPtr<IShellDispatch2> shell;
    if (FAILED(found->QueryInterface(IID_IServiceProvider, services.put_void())) ||
        FAILED(
            services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.put_void())) ||
        FAILED(browser->QueryActiveShellView(view.put())) ||
        FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.put_void())) ||
        FAILED(background->QueryInterface(IID_IShellFolderViewDual, folderView.put_void())) ||
        FAILED(folderView->get_Application(application.put())) ||
        FAILED(application->QueryInterface(IID_IShellDispatch2, shell.put_void())))
        return false;
    const TBstr file(SysAllocString(Widen(target).c_str()));
    TVariant none, operation, show;
    if (!file || !operation.SetString(L"open"))
        return false;
    show.SetInt(SW_SHOWNORMAL);
    const HRESULT result =
        shell->ShellExecute(file.get(), none.get(), none.get(), operation.get(), show.get());
    return SUCCEEDED(result);
}

void WindowsShell::ShowMessage(const std::string& text) {
    if (quiet_)
        return;
    // No owner: the box is centred on the screen; task-modal keeps the window out of reach.
    MessageBoxW(nullptr, Widen(text).c_str(), Widen(ApplicationTitle).c_str(),
                MB_OK | MB_TASKMODAL);
}

std::string WindowsShell::UserAccount() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return std::string();
    const TKernelHandle owned(token);
    alignas(TOKEN_USER) unsigned char buffer[256] = {};
    DWORD length = 0;
    if (!GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &length))
        return std::string();
    wchar_t name[256] = {}, domain[256] = {};
    DWORD nameLength = 256, domainLength = 256;
    SID_NAME_USE use{};
    if (!LookupAccountSidW(nullptr, reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, name,
                           &nameLength, domain, &domainLength, &use))
        return std::string();
    return Narrow(domainLength ? std::wstring(domain) + L"\\" + name : std::wstring(name));
}

namespace {

TBstr BstrOf(const std::string& text) {
    return TBstr(SysAllocString(Widen(text).c_str()));
}

// The Task Scheduler's root folder, through a connection to the scheduler on this computer as
// this user. Returns the system's code.
HRESULT SchedulerRoot(TComPtr<ITaskFolder>& root) {
    TComPtr<ITaskService> service;
    HRESULT result = CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_ITaskService, service.put_void());
    if (FAILED(result))
        return result;
    const TVariant none;
    result = service->Connect(none.get(), none.get(), none.get(), none.get());
    if (FAILED(result))
        return result;
    const TBstr path(SysAllocString(L"\\"));
    if (!path)
        return E_OUTOFMEMORY;
    return service->GetFolder(path.get(), root.put());
}

// The code as the callers report it: 0 for success, the HRESULT otherwise.
unsigned CodeOf(HRESULT result) {
    return SUCCEEDED(result) ? 0 : static_cast<unsigned>(result);
}

} // namespace

unsigned WindowsShell::RegisterTask(const std::string& name, const std::string& xml) {
    // The window's thread has COM already; the catalogue tool and the tests may not.
    const TComScope com;
    TComPtr<ITaskFolder> root;
    if (const HRESULT result = SchedulerRoot(root); FAILED(result))
        return CodeOf(result);
    const TBstr path = BstrOf(name), definition = BstrOf(xml);
    if (!path || !definition)
        return CodeOf(E_OUTOFMEMORY);
    // No account given: the task runs as its definition's principal, with the user's own logon;
    // no password is kept.
    const TVariant none;
    TComPtr<IRegisteredTask> task;
    return CodeOf(root->RegisterTask(path.get(), definition.get(), TASK_CREATE_OR_UPDATE,
                                     none.get(), none.get(), TASK_LOGON_INTERACTIVE_TOKEN,
                                     none.get(), task.put()));
}

unsigned WindowsShell::RemoveTask(const std::string& name) {
    const TComScope com;
    TComPtr<ITaskFolder> root;
    if (const HRESULT result = SchedulerRoot(root); FAILED(result))
        return CodeOf(result);
    const TBstr path = BstrOf(name);
    if (!path)
        return CodeOf(E_OUTOFMEMORY);
    const HRESULT result = root->DeleteTask(path.get(), 0);
    return result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ? 0 : CodeOf(result);
}

std::optional<std::string> WindowsShell::TaskProgram(const std::string& name) {
    const TComScope com;
    TComPtr<ITaskFolder> root;
    const TBstr path = BstrOf(name);
    TComPtr<IRegisteredTask> task;
    if (FAILED(SchedulerRoot(root)) || !path || FAILED(root->GetTask(path.get(), task.put())))
        return std::nullopt;
    TComPtr<ITaskDefinition> definition;
    TComPtr<IActionCollection> actions;
    LONG count = 0;
    if (FAILED(task->get_Definition(definition.put())) ||
        FAILED(definition->get_Actions(actions.put())) || FAILED(actions->get_Count(&count)))
        return std::string();
    // The collection counts from 1.
    for (LONG index = 1; index <= count; ++index) {
        TComPtr<IAction> action;
        TASK_ACTION_TYPE type{};
        TComPtr<IExecAction> exec;
        if (FAILED(actions->get_Item(index, action.put())) || FAILED(action->get_Type(&type)) ||
            type != TASK_ACTION_EXEC ||
            FAILED(action->QueryInterface(IID_IExecAction, exec.put_void())))
            continue;
        BSTR program = nullptr;
        if (FAILED(exec->get_Path(&program)))
            return std::string();
        const TBstr owned(program);
        return owned ? Narrow(owned.get()) : std::string();
    }
    return std::string();
}
