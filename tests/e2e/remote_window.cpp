#include "remote_window.h"

#include "driver_support.h"
#include "win32/text.h"

#include <algorithm>
#include <cstdio>

namespace e2e {

RemoteMemory::RemoteMemory(HANDLE process, size_t size) : process_(process), size_(size) {
    address_ = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (address_ == nullptr)
        Fail(ErrorText("Cannot allocate memory in Orvane's process", GetLastError()));
}

void RemoteMemory::Write(size_t offset, const void* data, size_t size) {
    Check(offset, size);
    SIZE_T done = 0;
    if (!WriteProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, &done) ||
        done != size)
        Fail(ErrorText("Cannot write into Orvane's process", GetLastError()));
}

void RemoteMemory::Read(size_t offset, void* data, size_t size) const {
    Check(offset, size);
    SIZE_T done = 0;
    if (!ReadProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, &done) ||
        done != size)
        Fail(ErrorText("Cannot read from Orvane's process", GetLastError()));
}

void RemoteMemory::Check(size_t offset, size_t size) const {
    if (offset > size_ || size > size_ - offset)
        Fail("Remote memory access out of range");
}

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL,
                             static_cast<UINT>(kReactionLimit * 1000), &result)) {
        const DWORD code = GetLastError();
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%04X", message);
        Fail(ErrorText(std::string("Orvane did not answer the message ") + hex, code));
    }
    return static_cast<LRESULT>(result);
}

std::string ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return Narrow(name);
}

std::string TextOf(HWND window) {
    const LRESULT length = Send(window, WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0)
        return std::string();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied = Send(window, WM_GETTEXT, static_cast<WPARAM>(text.size()),
                                reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(std::max<LRESULT>(0, copied)));
    return Narrow(text);
}

std::string TitleOf(HWND window) {
    wchar_t title[512] = {};
    GetWindowTextW(window, title, 512);
    return Narrow(title);
}

DWORD ProcessOf(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

namespace {

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

} // namespace

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> windows;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> windows;
    EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

bool Shown(HWND window) {
    return window != nullptr && IsWindow(window) && IsWindowVisible(window);
}

bool IsAncestorOrSelf(HWND ancestor, HWND window) {
    for (; window != nullptr; window = GetParent(window))
        if (window == ancestor)
            return true;
    return false;
}

RECT ScreenRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

POINT Center(const RECT& rect) {
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

RECT ToScreen(HWND window, RECT rect) {
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string Describe(const RECT& rect) {
    return "(" + std::to_string(rect.left) + "," + std::to_string(rect.top) + " " +
           std::to_string(rect.right - rect.left) + "x" + std::to_string(rect.bottom - rect.top) +
           ")";
}

} // namespace e2e
