#include "win32/system.h"

#include "win32/text.h"

#include <windows.h>

#include <cwchar>
#include <utility>
#include <vector>

std::string ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return Narrow(path);
}

std::string ExecutableFolder() {
    const std::string file = ExecutablePath();
    return file.substr(0, file.find_last_of("\\:") + 1);
}

std::string ExpandEnvironment(const std::string& text) {
    const std::wstring given = Widen(text);
    std::wstring expanded(ExpandEnvironmentStringsW(given.c_str(), nullptr, 0), L'\0');
    const DWORD length = ExpandEnvironmentStringsW(given.c_str(), expanded.data(),
                                                   static_cast<DWORD>(expanded.size()));
    if (length == 0 || length > expanded.size())
        return text;
    expanded.resize(length - 1);
    return Narrow(expanded);
}

void RestrictDllSearch() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto restrict = ProcedureOf<SetDefaultDllDirectoriesFn>(GetModuleHandleW(L"kernel32.dll"),
                                                                  "SetDefaultDllDirectories");
    if (!restrict || !restrict(LOAD_LIBRARY_SEARCH_SYSTEM32))
        SetDllDirectoryW(L"");
}

void EnforceRedirectionTrust() {
    // SetProcessMitigationPolicy(ProcessRedirectionTrustPolicy, {EnforceRedirectionTrust}); the
    // policy's number and its flag, which older headers do not know.
    using SetPolicyFn = BOOL(WINAPI*)(int, PVOID, SIZE_T);
    constexpr int RedirectionTrustPolicy = 16;
    DWORD enforce = 1;
    if (const auto set = ProcedureOf<SetPolicyFn>(GetModuleHandleW(L"kernel32.dll"),
                                                  "SetProcessMitigationPolicy"))
        set(RedirectionTrustPolicy, &enforce, sizeof enforce);
}

TModule LoadSystemLibrary(const wchar_t* name) {
    // By its full path: a module of the same name loaded from elsewhere is not taken for it, and
    // nothing is searched.
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return TModule();
    return TModule(LoadLibraryExW((std::wstring(folder) + L"\\" + name).c_str(), nullptr, 0));
}

namespace {

// The variables of an environment block: "NAME=value" strings, each ended by a NUL, the block by
// another. Names that start with "=" (the current folders of drives) are the process's own.
std::vector<std::pair<std::wstring, std::wstring>> VariablesOf(const wchar_t* block) {
    std::vector<std::pair<std::wstring, std::wstring>> variables;
    for (const wchar_t* entry = block; entry && *entry; entry += wcslen(entry) + 1) {
        const wchar_t* equals = wcschr(entry + 1, L'=');
        if (entry[0] != L'=' && equals)
            variables.emplace_back(std::wstring(entry, equals), std::wstring(equals + 1));
    }
    return variables;
}

} // namespace

void UseMachineEnvironment() {
    // The inherited variables go first: nothing of them may reach the machine's block.
    wchar_t* own = GetEnvironmentStringsW();
    const auto inherited = VariablesOf(own);
    if (own)
        FreeEnvironmentStringsW(own);
    for (const auto& variable : inherited)
        SetEnvironmentVariableW(variable.first.c_str(), nullptr);
    using CreateFn = BOOL(WINAPI*)(LPVOID*, HANDLE, BOOL);
    using DestroyFn = BOOL(WINAPI*)(LPVOID);
    const TModule userenv = LoadSystemLibrary(L"userenv.dll");
    const auto create = ProcedureOf<CreateFn>(userenv.get(), "CreateEnvironmentBlock");
    const auto destroy = ProcedureOf<DestroyFn>(userenv.get(), "DestroyEnvironmentBlock");
    void* block = nullptr;
    // Without a token, the block holds the system's variables only.
    if (!create || !destroy || !create(&block, nullptr, FALSE))
        return;
    for (const auto& variable : VariablesOf(static_cast<const wchar_t*>(block)))
        SetEnvironmentVariableW(variable.first.c_str(), variable.second.c_str());
    destroy(block);
    // The Windows folder as the system itself knows it (Wine's block takes it from the process's
    // own variables, which are gone by now).
    wchar_t windows[MAX_PATH] = {};
    const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        SetEnvironmentVariableW(L"SystemRoot", windows);
        SetEnvironmentVariableW(L"windir", windows);
    }
}

void PreloadSystemLibraries() {
    // msimg32 too: the theme library loads it when it draws (Wine's by a search that ignores the
    // restriction).
    const wchar_t* const names[] = {L"uxtheme.dll",   L"userenv.dll", L"setupapi.dll",
                                    L"apphelp.dll",   L"propsys.dll", L"dwmapi.dll",
                                    L"cryptbase.dll", L"oleacc.dll",  L"clbcatq.dll",
                                    L"version.dll",   L"msimg32.dll"};
    for (const wchar_t* name : names)
        LoadSystemLibrary(name).release();
}

void TThemeTraits::Free(HTHEME theme) {
    // Whoever opened the theme holds the theme library (LoadSystemLibrary): it is loaded here.
    using CloseThemeDataFn = HRESULT(WINAPI*)(HTHEME);
    if (const auto close =
            ProcedureOf<CloseThemeDataFn>(GetModuleHandleW(L"uxtheme.dll"), "CloseThemeData"))
        close(theme);
}
