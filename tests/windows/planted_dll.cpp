// A DLL that must never be loaded: placed beside Orvane.exe under the names of DLLs outside the
// KnownDLLs, it leaves a marker file beside itself ("<its path>.loaded") when it is loaded. Like a
// planted DLL it exports what a program imports from those DLLs, so that a program importing them
// would really load it.
// windows.h declares msimg32's functions as imported; this DLL defines and exports them.
#define TransparentBlt TransparentBltAsImported
#define AlphaBlend AlphaBlendAsImported
#define GradientFill GradientFillAsImported
#include <windows.h>
#undef TransparentBlt
#undef AlphaBlend
#undef GradientFill

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH + 8] = {};
        const DWORD length = GetModuleFileNameW(instance, path, MAX_PATH);
        lstrcpyW(path + length, L".loaded");
        HANDLE marker = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (marker != INVALID_HANDLE_VALUE)
            CloseHandle(marker);
    }
    return TRUE;
}

extern "C" {

// msimg32.dll
__declspec(dllexport) BOOL WINAPI
    TransparentBlt(HDC target, int x, int y, int width, int height, HDC source, int sx, int sy,
                   int swidth, int sheight, UINT transparent) {
    return GdiTransparentBlt(target, x, y, width, height, source, sx, sy, swidth, sheight,
                             transparent);
}

__declspec(dllexport) BOOL WINAPI
    AlphaBlend(HDC target, int x, int y, int width, int height, HDC source, int sx, int sy,
               int swidth, int sheight, BLENDFUNCTION blend) {
    return GdiAlphaBlend(target, x, y, width, height, source, sx, sy, swidth, sheight, blend);
}
__declspec(dllexport) BOOL WINAPI GradientFill(HDC dc, PTRIVERTEX vertices, ULONG count,
                                               PVOID meshes, ULONG meshCount, ULONG mode) {
    return GdiGradientFill(dc, vertices, count, meshes, meshCount, mode);
}

// uxtheme.dll: no visual style.
__declspec(dllexport) HANDLE WINAPI OpenThemeData(HWND, LPCWSTR) {
    return nullptr;
}
__declspec(dllexport) HRESULT WINAPI GetThemeColor(HANDLE, int, int, int, COLORREF*) {
    return E_FAIL;
}
__declspec(dllexport) HRESULT WINAPI CloseThemeData(HANDLE) {
    return S_OK;
}

// version.dll, which Wine itself loads for every program and asks: no version information.
__declspec(dllexport) DWORD WINAPI GetFileVersionInfoSizeW(LPCWSTR, LPDWORD) {
    return 0;
}

// dwmapi.dll: no composition.
__declspec(dllexport) HRESULT WINAPI DwmIsCompositionEnabled(BOOL* enabled) {
    *enabled = FALSE;
    return S_OK;
}
}
