#include "win32/system.h"

#include "win32/text.h"

#include <windows.h>

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
