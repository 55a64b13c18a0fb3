// Windows and memory of another process, seen from the driver: messages sent with a time limit,
// texts read across the process boundary, window trees and places on the screen, and a block of
// memory in the other process for the control messages whose argument is a pointer.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace e2e {

// A block of memory in another process, for the control messages whose argument is a pointer: a
// pointer is only meaningful in the address space of the control's own process.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, size_t size);
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;
    ~RemoteMemory() { VirtualFreeEx(process_, address_, 0, MEM_RELEASE); }

    LPARAM At(size_t offset = 0) const {
        return reinterpret_cast<LPARAM>(static_cast<char*>(address_) + offset);
    }
    void Write(size_t offset, const void* data, size_t size);
    void Read(size_t offset, void* data, size_t size) const;
    template <class T> void Put(const T& value, size_t offset = 0) {
        Write(offset, &value, sizeof value);
    }
    template <class T> T Get(size_t offset = 0) const {
        T value{};
        Read(offset, &value, sizeof value);
        return value;
    }

private:
    void Check(size_t offset, size_t size) const;

    HANDLE process_;
    void* address_ = nullptr;
    size_t size_;
};

// Sends a message and gives up after a while (a reaction's limit) instead of blocking for ever on
// a window that does not answer. A window whose thread is busy for a few seconds is waited for.
LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

std::string ClassOf(HWND window);
// WM_GETTEXT is copied across processes by the system, unlike GetWindowText for controls.
std::string TextOf(HWND window);
// The caption of a top-level window, read without sending it a message, so that a window of some
// other program that does not answer cannot hold the driver up.
std::string TitleOf(HWND window);
DWORD ProcessOf(HWND window);

std::vector<HWND> TopLevelWindows();
std::vector<HWND> Descendants(HWND parent);
bool Shown(HWND window);
bool IsAncestorOrSelf(HWND ancestor, HWND window);

RECT ScreenRect(HWND window);
POINT Center(const RECT& rect);
RECT ToScreen(HWND window, RECT rect);
std::string Describe(const RECT& rect);

} // namespace e2e
