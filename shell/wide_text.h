// Conversion between Orvane's UTF-8 texts and the UTF-16 texts of the Windows wide calls.
#pragma once

#include <string>

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);
std::string Narrow(const wchar_t* utf16);
