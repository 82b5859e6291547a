#pragma once
// Move-only owners for Win32 handles (UniqueAny with the Windows closers), and the other scopes
// of the Win32 calls that come in pairs.
#include "support/UniqueAny.h"

#include <windows.h>
// After windows.h, which it needs.
#include <objbase.h>

namespace veyra {

namespace detail {
inline void CloseKernelHandle(HANDLE h) {
    ::CloseHandle(h);
}
inline void CloseRegistryKey(HKEY k) {
    ::RegCloseKey(k);
}
inline void DestroyWindowHandle(HWND w) {
    ::DestroyWindow(w);
}
inline void DeleteGdiObject(HGDIOBJ o) {
    ::DeleteObject(o);
}
inline void DeleteMemoryDc(HDC dc) {
    ::DeleteDC(dc);
}
inline void FreeLibraryModule(HMODULE m) {
    ::FreeLibrary(m);
}
} // namespace detail

using UniqueHandle = UniqueAny<HANDLE, detail::CloseKernelHandle>;
using UniqueKey = UniqueAny<HKEY, detail::CloseRegistryKey>;
using UniqueWindow = UniqueAny<HWND, detail::DestroyWindowHandle>;
using UniqueFont = UniqueAny<HFONT, detail::DeleteGdiObject>;
using UniqueBitmap = UniqueAny<HBITMAP, detail::DeleteGdiObject>;
using UniqueBrush = UniqueAny<HBRUSH, detail::DeleteGdiObject>;
using UniqueMemoryDc = UniqueAny<HDC, detail::DeleteMemoryDc>;      // from CreateCompatibleDC
using UniqueModule = UniqueAny<HMODULE, detail::FreeLibraryModule>; // from LoadLibraryExW

// CreateFileW reports failure as INVALID_HANDLE_VALUE rather than null; the owner holds null then.
inline UniqueHandle AdoptFileHandle(HANDLE handle) {
    return UniqueHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

// Closes the handle now and says whether the system accepted it, for files whose close must be
// checked (it can fail to flush); the owner is empty afterwards either way.
inline bool CloseChecked(UniqueHandle& handle) {
    return ::CloseHandle(handle.release()) != 0;
}

// BeginPaint/EndPaint for one WM_PAINT.
class PaintScope {
public:
    explicit PaintScope(HWND window) : window_(window), dc_(::BeginPaint(window, &paint_)) {}
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    ~PaintScope() { ::EndPaint(window_, &paint_); }
    HDC dc() const { return dc_; }
    // The rectangle that needs painting.
    const RECT& area() const { return paint_.rcPaint; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// An object selected into a DC until the scope ends, when the previous one comes back.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() { ::SelectObject(dc_, previous_); }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

namespace detail {
template <typename T> void ReleaseComReference(T* pointer) {
    pointer->Release();
}
} // namespace detail

// One reference to a COM interface, released at the end. put() hands out the slot for an
// out-parameter, releasing what was held.
template <typename T> class ComPtr : public UniqueAny<T*, detail::ReleaseComReference<T>> {
public:
    using UniqueAny<T*, detail::ReleaseComReference<T>>::UniqueAny;

    T* operator->() const { return this->get(); }
    void** put_void() { return reinterpret_cast<void**>(this->put()); }
};

// COM on the calling thread for the owner's lifetime (single-threaded apartment).
class ComApartment {
public:
    ComApartment() : initialized_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (initialized_)
            ::CoUninitialize();
    }

private:
    bool initialized_;
};

} // namespace veyra
