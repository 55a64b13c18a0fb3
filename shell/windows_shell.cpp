#include "shell/windows_shell.h"

#include "shell/wide_text.h"

#include <shellapi.h>
#include <shlobj.h>

std::optional<std::string> WindowsShell::GetSpecialFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, 0, path)) || path[0] == L'\0')
        return std::nullopt;
    std::wstring folder = path;
    while (folder.size() > 1 && folder.back() == L'\\')
        folder.pop_back();
    return Narrow(folder);
}

namespace {

// Closes a directory listing when it goes out of scope.
struct FindHandle {
    HANDLE handle;
    ~FindHandle() {
        if (handle != INVALID_HANDLE_VALUE)
            FindClose(handle);
    }
};

} // namespace

std::vector<std::string> WindowsShell::ListFolder(const std::string& pattern, unsigned attributes) {
    // Entries are listed when their hidden, system and directory attributes are all in the mask,
    // as the classic attribute-mask listing does; 63 lists everything.
    const DWORD special = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
    std::vector<std::string> names;
    WIN32_FIND_DATAW data;
    FindHandle find{FindFirstFileW(Widen(pattern).c_str(), &data)};
    if (find.handle == INVALID_HANDLE_VALUE)
        return names;
    do {
        if ((data.dwFileAttributes & special & ~attributes) == 0)
            names.push_back(Narrow(data.cFileName));
    } while (FindNextFileW(find.handle, &data));
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

ShellOpResult WindowsShell::ShellFileOperation(ShellOp op, const std::string& from,
                                               const std::string& to) {
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

IconHandle WindowsShell::ItemIcon(const std::string& path) {
    const std::wstring widePath = Widen(path);
    // Whether the entry is a shortcut comes from the shell's link attribute: the type name is a
    // translated display text and cannot tell it.
    SHFILEINFOW info = {};
    SHGetFileInfoW(widePath.c_str(), 0, &info, sizeof info, SHGFI_ATTRIBUTES);
    const bool isLink = (info.dwAttributes & SFGAO_LINK) != 0;
    UINT flags = SHGFI_ICON | SHGFI_SMALLICON | SHGFI_SYSICONINDEX;
    if (isLink)
        flags |= SHGFI_LINKOVERLAY;
    info = {};
    SHGetFileInfoW(widePath.c_str(), 0, &info, sizeof info, flags);
    return info.hIcon;
}

void WindowsShell::OpenInShell(const std::string& target) {
    ShellExecuteW(owner_, L"open", Widen(target).c_str(), nullptr, nullptr, SW_SHOW);
}

void WindowsShell::ShowMessage(const std::string& text) {
    // No owner: the box is centred on the screen; task-modal keeps the window out of reach.
    MessageBoxW(nullptr, Widen(text).c_str(), Widen(ApplicationTitle).c_str(),
                MB_OK | MB_TASKMODAL);
}
