// What the source files of TMainForm (UMainForm*.cpp) share among themselves and nobody else needs.
#pragma once

#include "shell/shell_services.h"
#include "ui/layout.h"

#include <windows.h>

// Posted by the icon loader: wParam the catalogue index, lParam PackIcon's value.
constexpr UINT WM_ICONARRIVED = WM_APP + 1;

inline LPARAM PackIcon(const ItemIconInfo& icon) {
    return (static_cast<LPARAM>(icon.Image + 1) << 1) | (icon.IsLink ? 1 : 0);
}

inline ItemIconInfo UnpackIcon(LPARAM packed) {
    return {static_cast<int>(packed >> 1) - 1, (packed & 1) != 0};
}

// The tab sheet of a page: 0 welcome, 1 categories, 2 final.
inline ControlId PageId(int page) {
    return static_cast<ControlId>(static_cast<int>(ControlId::TabSheet1) + page);
}

// Sets a flag for the lifetime of this object.
class TFlagScope {
public:
    explicit TFlagScope(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;
    ~TFlagScope() { flag_ = old_; }

private:
    bool& flag_;
    bool old_;
};
