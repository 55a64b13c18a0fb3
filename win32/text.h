// Text at the wide boundary: Orvane's texts are UTF-8 inside, Windows' wide calls take UTF-16.
#pragma once

#include <windows.h>

#include <string>

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);
std::string Narrow(const wchar_t* utf16);

// A window's text (a control's caption) as UTF-8, read in the calling process.
std::string WindowText(HWND window);
