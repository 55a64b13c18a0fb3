#include "windows/support/temp_folder.h"

#include "shell/wide_text.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

TempFolder::TempFolder() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static unsigned counter = 0;
    const std::wstring path = std::wstring(base) + L"orvane-test-" +
                              std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++counter);
    fs::remove_all(path);
    if (!CreateDirectoryW(path.c_str(), nullptr))
        throw std::runtime_error("cannot create a temporary folder");
    path_ = Narrow(path);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    // Read-only and hidden files would stop the removal.
    for (auto it = fs::recursive_directory_iterator(Widen(path_), ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored))
        SetFileAttributesW(it->path().c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove_all(Widen(path_), ignored);
}

void MakeFolders(const std::string& path) {
    fs::create_directories(Widen(path));
}

bool WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(fs::path(Widen(path)), std::ios::binary);
    out << content;
    return static_cast<bool>(out);
}

namespace {

template <typename T> struct ComPtr {
    T* p = nullptr;
    ~ComPtr() {
        if (p)
            p->Release();
    }
};

} // namespace

bool MakeShortcut(const std::string& linkPath, const std::string& target) {
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link.p))))
        return false;
    link.p->SetPath(Widen(target).c_str());
    link.p->SetDescription(L"Orvane test shortcut");
    ComPtr<IPersistFile> file;
    if (FAILED(link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p))))
        return false;
    return SUCCEEDED(file.p->Save(Widen(linkPath).c_str(), TRUE));
}

bool AddAttributes(const std::string& path, unsigned long attributes) {
    const std::wstring wide = Widen(path);
    const DWORD current = GetFileAttributesW(wide.c_str());
    return current != INVALID_FILE_ATTRIBUTES &&
           SetFileAttributesW(wide.c_str(), current | attributes);
}

bool Exists(const std::string& path) {
    return GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::map<std::string, uint64_t> FileChecksums(const std::string& root) {
    std::map<std::string, uint64_t> sums;
    const fs::path base(Widen(root));
    for (const auto& entry : fs::recursive_directory_iterator(base)) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        uint64_t hash = 1469598103934665603ull; // FNV-1a
        for (unsigned char ch : bytes)
            hash = (hash ^ ch) * 1099511628211ull;
        sums[Narrow(fs::relative(entry.path(), base).wstring())] = hash;
    }
    return sums;
}

ComScope::ComScope() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
}
ComScope::~ComScope() {
    CoUninitialize();
}
