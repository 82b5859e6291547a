#pragma once
// Shared pieces of the splash window's tests: running the window thread's messages, rendering a
// window's client area through its own painting, and reading pixels.
#include "image/Image.h"
#include "image/PixelTypes_win.h"
#include "resources/Layout.h"
#include "support/WinHandle_win.h"
#include "tests/native/PixelTestSupport.h"

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

namespace veyra::test {

// Runs the window thread's messages until `done` or the time is up; returns whether `done`.
template <typename Done> bool PumpUntil(Done done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    return true;
}

// What `draw` puts on a 300 x 284 bitmap first filled with `fill`, as colours (alpha ignored: GDI
// leaves it as it finds it), top-down.
inline std::vector<Rgb> RenderWith(const std::function<void(HDC)>& draw,
                                   DibPixel fill = DibPixel{0x123456}) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = layout::kWindowWidth;
    info.bmiHeader.biHeight = -layout::kWindowHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    const UniqueBitmap bitmap(
        ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    const std::size_t count = std::size_t{layout::kWindowWidth} * layout::kWindowHeight;
    // A DibPixel is the DIB's 32-bit pixel as it lies in memory.
    std::vector<DibPixel> dib(count, fill);
    std::memcpy(bits, dib.data(), count * sizeof(DibPixel));
    {
        const SelectedObject selected(dc.get(), bitmap.get());
        draw(dc.get());
        ::GdiFlush();
    }
    std::memcpy(dib.data(), bits, count * sizeof(DibPixel));
    std::vector<Rgb> out;
    out.reserve(count);
    for (const DibPixel p : dib)
        out.push_back(ToRgb(p));
    return out;
}

// The window's client area as its painting draws it (WM_PRINTCLIENT).
inline std::vector<Rgb> Render(HWND window) {
    return RenderWith([window](HDC dc) {
        ::SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    });
}

inline int CountColorIn(const std::vector<Rgb>& pixels, const layout::Rect& r, Rgb color) {
    int count = 0;
    for (int y = r.top; y < r.bottom(); ++y)
        for (int x = r.left; x < r.right(); ++x)
            count += pixels[y * layout::kWindowWidth + x] == color;
    return count;
}

inline Rgba At(const RgbaImage& image, int x, int y) {
    return image.pixels[static_cast<std::size_t>(y) * image.width + x];
}
// Colour of the picture's pixel, alpha ignored.
inline Rgb PixelOf(const RgbaImage& image, int x, int y) {
    return ToRgb(At(image, x, y));
}
inline int AlphaOf(const RgbaImage& image, int x, int y) {
    return At(image, x, y).alpha;
}

inline bool InsideAny(int x, int y) {
    for (const layout::Rect& r : layout::kVisibleComponents)
        if (x >= r.left && x < r.right() && y >= r.top && y < r.bottom())
            return true;
    return false;
}

} // namespace veyra::test
