// Owners for the Windows handles the main window creates: each frees its handle once, can be
// moved but not copied. Window handles are not wrapped: child windows die with their parent.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <utility>

template <class Handle, class Free> class TOwned {
public:
    TOwned() = default;
    explicit TOwned(Handle handle) : handle_(handle) {}
    TOwned(TOwned&& other) noexcept : handle_(std::exchange(other.handle_, Handle{})) {}
    TOwned& operator=(TOwned&& other) noexcept {
        if (this != &other)
            reset(std::exchange(other.handle_, Handle{}));
        return *this;
    }
    TOwned(const TOwned&) = delete;
    TOwned& operator=(const TOwned&) = delete;
    ~TOwned() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Handle{}; }
    void reset(Handle handle = Handle{}) {
        if (handle_)
            Free()(handle_);
        handle_ = handle;
    }

private:
    Handle handle_{};
};

struct TFreeIcon {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct TFreeImageList {
    void operator()(HIMAGELIST list) const { ImageList_Destroy(list); }
};
struct TFreeGdiObject {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct TFreeDc {
    void operator()(HDC dc) const { DeleteDC(dc); }
};

using TIcon = TOwned<HICON, TFreeIcon>;
using TImageList = TOwned<HIMAGELIST, TFreeImageList>;
using TFont = TOwned<HFONT, TFreeGdiObject>;
using TBitmap = TOwned<HBITMAP, TFreeGdiObject>;
using TMemoryDc = TOwned<HDC, TFreeDc>;

// Selects a GDI object into a device context for the lifetime of this object.
class TSelection {
public:
    TSelection(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    TSelection(const TSelection&) = delete;
    TSelection& operator=(const TSelection&) = delete;
    ~TSelection() { SelectObject(dc_, old_); }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// The hourglass cursor while this object lives; the previous cursor comes back even when the
// work in between throws.
class TWaitCursor {
public:
    TWaitCursor() : old_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
    ~TWaitCursor() { SetCursor(old_); }

private:
    HCURSOR old_; // shared system cursor: never destroyed
};
