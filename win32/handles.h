// Owners for Windows handles and COM pointers, shared by the product, its tools and its tests.
// Each frees what it holds once, can be moved but not copied. Window handles are not owned here:
// child windows die with their parent.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>
#include <oleauto.h>
#include <uxtheme.h>

#include <utility>

// Owns one handle of the kind `Traits` describes: its type, its invalid value and how it is freed.
template <class Traits> class TOwned {
public:
    using Handle = typename Traits::Handle;

    TOwned() = default;
    explicit TOwned(Handle handle) : handle_(handle) {}
    TOwned(TOwned&& other) noexcept : handle_(std::exchange(other.handle_, Traits::Invalid())) {}
    TOwned& operator=(TOwned&& other) noexcept {
        if (this != &other)
            reset(std::exchange(other.handle_, Traits::Invalid()));
        return *this;
    }
    TOwned(const TOwned&) = delete;
    TOwned& operator=(const TOwned&) = delete;
    ~TOwned() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::Invalid(); }
    void reset(Handle handle = Traits::Invalid()) {
        if (handle_ != Traits::Invalid())
            Traits::Free(handle_);
        handle_ = handle;
    }
    // Gives the handle up without freeing it.
    Handle release() { return std::exchange(handle_, Traits::Invalid()); }

private:
    Handle handle_ = Traits::Invalid();
};

// A handle that is null when invalid, freed by `FreeFunction` (whatever that returns).
template <class H, auto FreeFunction> struct TNullInvalid {
    using Handle = H;
    static Handle Invalid() { return nullptr; }
    static void Free(Handle handle) { FreeFunction(handle); }
};
// The same for a handle that is INVALID_HANDLE_VALUE when invalid.
template <class H, auto FreeFunction> struct TMinusOneInvalid {
    using Handle = H;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Free(Handle handle) { FreeFunction(handle); }
};
// Image lists are freed through the common controls' table (win32/common_controls.h).
struct TImageListTraits {
    using Handle = HIMAGELIST;
    static Handle Invalid() { return nullptr; }
    static void Free(Handle handle);
};
// Themes are closed through the theme library that opened them, which stays loaded meanwhile
// (win32/system.cpp).
struct TThemeTraits {
    using Handle = HTHEME;
    static Handle Invalid() { return nullptr; }
    static void Free(Handle handle);
};
template <class H> struct TGdiObjectTraits {
    using Handle = H;
    static Handle Invalid() { return nullptr; }
    static void Free(Handle handle) { DeleteObject(handle); }
};

using TIcon = TOwned<TNullInvalid<HICON, DestroyIcon>>;
using TImageList = TOwned<TImageListTraits>;
using TFont = TOwned<TGdiObjectTraits<HFONT>>;
using TBitmap = TOwned<TGdiObjectTraits<HBITMAP>>;
using TMemoryDc = TOwned<TNullInvalid<HDC, DeleteDC>>;
using TModule = TOwned<TNullInvalid<HMODULE, FreeLibrary>>;
using TKernelHandle = TOwned<TNullInvalid<HANDLE, CloseHandle>>; // threads, events, processes
using TFile = TOwned<TMinusOneInvalid<HANDLE, CloseHandle>>;
using TFindHandle = TOwned<TMinusOneInvalid<HANDLE, FindClose>>;
using TTheme = TOwned<TThemeTraits>;
// Memory the system allocated for the caller with LocalAlloc, such as CommandLineToArgvW's array.
template <class P> using TLocalMemory = TOwned<TNullInvalid<P, LocalFree>>;
// Memory a COM function allocated for the caller, such as a known folder's path.
template <class P> using TCoTaskMemory = TOwned<TNullInvalid<P, CoTaskMemFree>>;
// A COM string: TBstr(SysAllocString(text)).
using TBstr = TOwned<TNullInvalid<BSTR, SysFreeString>>;

// A window's device context for the lifetime of this object.
class TWindowDc {
public:
    explicit TWindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    TWindowDc(const TWindowDc&) = delete;
    TWindowDc& operator=(const TWindowDc&) = delete;
    ~TWindowDc() { ReleaseDC(window_, dc_); }
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

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

// A window's painting, from BeginPaint to EndPaint, for the lifetime of this object.
class TPaint {
public:
    explicit TPaint(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    TPaint(const TPaint&) = delete;
    TPaint& operator=(const TPaint&) = delete;
    ~TPaint() { EndPaint(window_, &paint_); }
    HDC get() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// A VARIANT, empty at first; what it holds (a string, a COM reference) is released with it.
class TVariant {
public:
    TVariant() { VariantInit(&value_); }
    TVariant(const TVariant&) = delete;
    TVariant& operator=(const TVariant&) = delete;
    ~TVariant() { VariantClear(&value_); }
    VARIANT& get() { return value_; }
    const VARIANT& get() const { return value_; }
    // Holds a string of its own (a copy of `text`); false when there was no memory for it.
    bool SetString(const wchar_t* text) {
        VariantClear(&value_);
        value_.bstrVal = SysAllocString(text);
        value_.vt = value_.bstrVal ? VT_BSTR : VT_EMPTY;
        return value_.bstrVal != nullptr;
    }
    void SetInt(LONG number) {
        VariantClear(&value_);
        value_.vt = VT_I4;
        value_.lVal = number;
    }

private:
    VARIANT value_;
};

// Owns one reference to a COM object.
template <class T> class TComPtr {
public:
    TComPtr() = default;
    TComPtr(TComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    TComPtr& operator=(TComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            ptr_ = std::exchange(other.ptr_, nullptr);
        }
        return *this;
    }
    TComPtr(const TComPtr&) = delete;
    TComPtr& operator=(const TComPtr&) = delete;
    ~TComPtr() { reset(); }

    T* get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }
    // For the out-parameter of a call that hands over a new reference.
    T** put() {
        reset();
        return &ptr_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }
    void reset() {
        if (ptr_)
            std::exchange(ptr_, nullptr)->Release();
    }

private:
    T* ptr_ = nullptr;
};

// COM on the calling thread for the lifetime of this object, in a single-threaded apartment;
// uninitialised only if this object initialised it.
class TComScope {
public:
    TComScope()
        : initialised_(SUCCEEDED(
              CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    TComScope(const TComScope&) = delete;
    TComScope& operator=(const TComScope&) = delete;
    ~TComScope() {
        if (initialised_)
            CoUninitialize();
    }
    bool Initialised() const { return initialised_; }

private:
    bool initialised_;
};
