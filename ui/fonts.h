// The Tahoma fonts of the main window's controls at one DPI, created on first use and owned
// until the cache is replaced (when the DPI changes).
#pragma once

#include "win32/handles.h"

#include <map>
#include <utility>

class TFontCache {
public:
    explicit TFontCache(int dpi) : dpi_(dpi) {}

    // Tahoma with a character height of `px` pixels at 96 DPI, scaled to the cache's DPI.
    HFONT Get(int px, bool underline);

private:
    int dpi_;
    std::map<std::pair<int, bool>, TFont> fonts_;
};
