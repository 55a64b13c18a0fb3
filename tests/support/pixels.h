// Pixels of what GDI draws, for tests that tell icons and glyphs apart.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

// The pixels, row by row, of a `width` x `height` 32-bit bitmap filled white and then drawn on.
std::vector<COLORREF> Pixels(int width, int height, const std::function<void(HDC)>& draw);

// A small icon's pixels, drawn on white.
std::vector<COLORREF> IconPixels(HICON icon);

// A 16x16 icon filled with one colour, so that an image can be traced back to its entry.
HICON SolidIcon(COLORREF color);
