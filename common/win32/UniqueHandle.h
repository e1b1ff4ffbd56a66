#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

namespace quill {

// One owner for every platform handle: move-only, closes on destruction. The
// traits name the invalid value and the call that closes.
template <class TTraits> class TUniqueHandle {
public:
    using THandle = typename TTraits::THandle;

    TUniqueHandle() noexcept = default;
    explicit TUniqueHandle(THandle handle) noexcept : FHandle(handle) {}
    ~TUniqueHandle() { Reset(); }

    TUniqueHandle(TUniqueHandle&& other) noexcept : FHandle(other.Release()) {}
    TUniqueHandle& operator=(TUniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    TUniqueHandle(const TUniqueHandle&) = delete;
    TUniqueHandle& operator=(const TUniqueHandle&) = delete;

    THandle Get() const noexcept { return FHandle; }
    explicit operator bool() const noexcept { return FHandle != TTraits::Invalid(); }

    THandle Release() noexcept { return std::exchange(FHandle, TTraits::Invalid()); }
    void Reset(THandle handle = TTraits::Invalid()) noexcept {
        if (FHandle != TTraits::Invalid()) {
            TTraits::Close(FHandle);
        }
        FHandle = handle;
    }
    // For calls that return a handle through a pointer; closes the old one.
    THandle* Put() noexcept {
        Reset();
        return &FHandle;
    }

private:
    THandle FHandle = TTraits::Invalid();
};

struct THandleTraits {
    using THandle = HANDLE;
    static HANDLE Invalid() noexcept { return nullptr; }
    static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};

// CreateFile and CreateToolhelp32Snapshot fail with INVALID_HANDLE_VALUE.
struct TFileHandleTraits {
    using THandle = HANDLE;
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};

struct TFindHandleTraits {
    using THandle = HANDLE;
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) noexcept { ::FindClose(h); }
};

struct TKeyHandleTraits {
    using THandle = HKEY;
    static HKEY Invalid() noexcept { return nullptr; }
    static void Close(HKEY h) noexcept { ::RegCloseKey(h); }
};

struct TMenuTraits {
    using THandle = HMENU;
    static HMENU Invalid() noexcept { return nullptr; }
    static void Close(HMENU menu) noexcept { ::DestroyMenu(menu); }
};

// Fonts, bitmaps and the other objects DeleteObject frees, each by its own
// handle type.
template <class TObject> struct TGdiObjectTraits {
    using THandle = TObject;
    static TObject Invalid() noexcept { return nullptr; }
    static void Close(TObject object) noexcept { ::DeleteObject(object); }
};

template <class TInterface> struct TComTraits {
    using THandle = TInterface*;
    static TInterface* Invalid() noexcept { return nullptr; }
    static void Close(TInterface* p) noexcept { p->Release(); }
};

using TUniqueHandleObject = TUniqueHandle<THandleTraits>;
using TUniqueFile = TUniqueHandle<TFileHandleTraits>;
using TUniqueFind = TUniqueHandle<TFindHandleTraits>;
using TUniqueKey = TUniqueHandle<TKeyHandleTraits>;
using TUniqueMenu = TUniqueHandle<TMenuTraits>;
using TUniqueFont = TUniqueHandle<TGdiObjectTraits<HFONT>>;
using TUniqueGdiObject = TUniqueHandle<TGdiObjectTraits<HGDIOBJ>>;
template <class TInterface> using TComPtr = TUniqueHandle<TComTraits<TInterface>>;

} // namespace quill
