// The page container and its pages: plain windows that hand their children's notifications to
// the main window, so every handler lives on the form.
#pragma once

#include <windows.h>

constexpr const wchar_t* PageControlClass = L"TPageControl";
constexpr const wchar_t* TabSheetClass = L"TTabSheet";

// Registers both window classes once per process.
void RegisterPageClasses();
