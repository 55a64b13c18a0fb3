// The common controls (comctl32.dll), reached through this table rather than the import table.
// An imported comctl32 is loaded as the process starts, before RestrictDllSearch can act, and it
// loads DLLs such as the theme library by name then, from the program's folder if one lies there.
#pragma once

#include <windows.h>

#include <commctrl.h>

// The functions of the common controls that the programs call.
struct TCommonControls {
    HMODULE Module = nullptr; // loaded for the life of the process
    BOOL(WINAPI* InitCommonControlsEx)(const INITCOMMONCONTROLSEX*) = nullptr;
    HIMAGELIST(WINAPI* ImageList_Create)(int, int, UINT, int, int) = nullptr;
    int(WINAPI* ImageList_ReplaceIcon)(HIMAGELIST, int, HICON) = nullptr; // -1 adds
    BOOL(WINAPI* ImageList_Destroy)(HIMAGELIST) = nullptr;
};

// The table, loaded the first time it is asked for: call it only after RestrictDllSearch. Throws
// std::runtime_error when comctl32.dll or one of its functions is missing.
const TCommonControls& CommonControls();
