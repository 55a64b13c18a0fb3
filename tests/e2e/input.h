// Synthesised input, as a person's would reach Orvane: the mouse pointer moved to a screen point
// and clicked there (never twice in a double click's time and place), and keys pressed.
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

void MoveMouse(POINT to);
// A left click at a screen point, which must lie on `target` (or one of its children): a window
// in the way would take the click instead.
void ClickAt(HWND target, POINT at, const std::string& what);
void PressKey(WORD key);

} // namespace e2e
