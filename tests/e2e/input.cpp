#include "input.h"

#include "driver_support.h"
#include "remote_window.h"

#include <cstdlib>

namespace e2e {

namespace {

POINT g_lastClick{-1000, -1000};
Clock::time_point g_lastClickTime; // long before any click

void SendOne(INPUT input) {
    if (SendInput(1, &input, sizeof input) != 1)
        Fail(ErrorText("SendInput failed", GetLastError()));
}

} // namespace

void MoveMouse(POINT to) {
    // Absolute coordinates run from 0 to 65535 over the primary screen; systems differ in how
    // they round them back to pixels, so a pixel off is put right with SetCursorPos.
    const int width = std::max(2, GetSystemMetrics(SM_CXSCREEN));
    const int height = std::max(2, GetSystemMetrics(SM_CYSCREEN));
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>((to.x * 65535LL + (width - 1) / 2) / (width - 1));
    input.mi.dy = static_cast<LONG>((to.y * 65535LL + (height - 1) / 2) / (height - 1));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendOne(input);
    // The move arrives when the system has handled the input, which a busy machine may delay.
    POINT now{};
    const auto nearby = [&] {
        return GetCursorPos(&now) && std::abs(now.x - to.x) <= 2 && std::abs(now.y - to.y) <= 2;
    };
    const auto there = [&] { return GetCursorPos(&now) && now.x == to.x && now.y == to.y; };
    if (WaitFor(kReactionLimit, nearby)) {
        if (!there())
            SetCursorPos(to.x, to.y);
        if (WaitFor(kReactionLimit, there))
            return;
    }
    Fail("The mouse pointer did not reach " + std::to_string(to.x) + "," + std::to_string(to.y) +
         " (it is at " + std::to_string(now.x) + "," + std::to_string(now.y) + ")");
}

void ClickAt(HWND target, POINT at, const std::string& what) {
    // Two clicks close together in time and place would make a double click.
    const int slack = GetSystemMetrics(SM_CXDOUBLECLK);
    if (std::abs(at.x - g_lastClick.x) <= slack && std::abs(at.y - g_lastClick.y) <= slack) {
        const double wait = GetDoubleClickTime() / 1000.0 + 0.1 - SecondsSince(g_lastClickTime);
        if (wait > 0)
            Pause(static_cast<int>(wait * 1000));
    }
    // A window that is on its way out (a tool tip, a closing box) may still cover the point.
    HWND hit = nullptr;
    if (!WaitFor(kReactionLimit,
                 [&] { return IsAncestorOrSelf(target, hit = WindowFromPoint(at)); }))
        Fail("Cannot click " + what + " at " + std::to_string(at.x) + "," + std::to_string(at.y) +
             ": the point shows a " + ClassOf(hit) + " window \"" + TitleOf(hit) + "\"");
    MoveMouse(at);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendOne(input);
    Pause(30);
    input.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendOne(input);
    g_lastClick = at;
    g_lastClickTime = Clock::now();
}

void PressKey(WORD key) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    SendOne(input);
    Pause(30);
    input.ki.dwFlags = KEYEVENTF_KEYUP;
    SendOne(input);
}

} // namespace e2e
