#pragma once
// Shared pieces of the splash window's tests: running the window thread's messages, rendering a
// window's client area through its own painting, and reading pixels.
#include "resources/Layout.h"
#include "support/WinHandle_win.h"
#include "ui/Image.h"

#include <windows.h>

#include <chrono>
#include <cstdint>
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

// What `draw` puts on a 300 x 284 bitmap first filled with `fill`; pixels 0x00RRGGBB, top-down.
inline std::vector<std::uint32_t> RenderWith(const std::function<void(HDC)>& draw,
                                             std::uint32_t fill = 0x123456) {
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
    auto* pixels = static_cast<std::uint32_t*>(bits);
    const std::size_t count = std::size_t{layout::kWindowWidth} * layout::kWindowHeight;
    std::fill(pixels, pixels + count, fill);
    {
        const SelectedObject selected(dc.get(), bitmap.get());
        draw(dc.get());
        ::GdiFlush();
    }
    std::vector<std::uint32_t> out(pixels, pixels + count);
    for (auto& p : out)
        p &= 0x00FFFFFF;
    return out;
}

// The window's client area as its painting draws it (WM_PRINTCLIENT).
inline std::vector<std::uint32_t> Render(HWND window) {
    return RenderWith([window](HDC dc) {
        ::SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    });
}

inline int CountColorIn(const std::vector<std::uint32_t>& pixels, const layout::Rect& r,
                        std::uint32_t rgb) {
    int count = 0;
    for (int y = r.top; y < r.bottom(); ++y)
        for (int x = r.left; x < r.right(); ++x)
            count += pixels[y * layout::kWindowWidth + x] == rgb;
    return count;
}

// Colour of the picture's pixel as a DIB pixel (0x00RRGGBB), alpha ignored.
inline std::uint32_t PixelOf(const RgbaImage& image, int x, int y) {
    const std::uint8_t* p = &image.rgba[(static_cast<std::size_t>(y) * image.width + x) * 4];
    return (p[0] << 16) | (p[1] << 8) | p[2];
}
inline int AlphaOf(const RgbaImage& image, int x, int y) {
    return image.rgba[(static_cast<std::size_t>(y) * image.width + x) * 4 + 3];
}

// A COLORREF (0x00BBGGRR) as a DIB pixel (0x00RRGGBB).
constexpr std::uint32_t DibPixel(std::uint32_t color) {
    return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}

inline bool InsideAny(int x, int y) {
    for (const layout::Rect& r : layout::kVisibleComponents)
        if (x >= r.left && x < r.right() && y >= r.top && y < r.bottom())
            return true;
    return false;
}

} // namespace veyra::test
