#include "ui/SplashPainter_win.h"

#include "image/PixelTypes_win.h"
#include "resources/Layout.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace veyra {
namespace {

// The one place pictures become a DIB section's memory: a top-down 32-bit DIB holds each pixel
// as bytes B, G, R, A, which is a DibPixel's value in little-endian memory, so the pixels go over
// as they are.
static_assert(std::endian::native == std::endian::little &&
              sizeof(DibPixel) == sizeof(std::uint32_t) &&
              alignof(DibPixel) == alignof(std::uint32_t) &&
              std::is_trivially_copyable_v<DibPixel>);
void CopyToDibBits(void* bits, const DibImage& picture) {
    std::memcpy(bits, picture.pixels.data(), picture.pixels.size() * sizeof(DibPixel));
}

} // namespace

UniqueBitmap CreatePictureBitmap(const DibImage& picture) {
    if (picture.width <= 0 || picture.height <= 0)
        return {};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height; // top-down, as the picture is stored
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    UniqueBitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits)
        return {};
    CopyToDibBits(bits, picture);
    return bitmap;
}

void PaintSplash(HDC target, const DibImage& picture, HFONT infoFont, const std::wstring& status) {
    const UniqueBitmap bitmap = CreatePictureBitmap(picture);
    const UniqueMemoryDc memory(::CreateCompatibleDC(target));
    if (!bitmap || !memory)
        return;
    const SelectedObject selectedBitmap(memory.get(), bitmap.get());
    const SelectedObject selectedFont(memory.get(), infoFont);
    ::SetBkMode(memory.get(), TRANSPARENT);
    ::SetTextColor(memory.get(), ToWinColor(layout::kInfoTextColor));
    RECT box{layout::kInfo.left, layout::kInfo.top, layout::kInfo.right(), layout::kInfo.bottom()};
    // Status texts carry file names and failure messages: an "&" in them is text, not a
    // mnemonic. DrawText clips to the box (no DT_NOCLIP), so an over-long line or a second line
    // never reaches the rest of the picture.
    ::DrawTextW(memory.get(), status.c_str(), static_cast<int>(status.size()), &box,
                DT_CENTER | DT_EXPANDTABS | DT_NOPREFIX);
    ::BitBlt(target, 0, 0, picture.width, picture.height, memory.get(), 0, 0, SRCCOPY);
}

OffscreenImage::OffscreenImage(int width, int height) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down, as pictures are stored
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bitmap_.reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    dc_.reset(::CreateCompatibleDC(nullptr));
    if (!bitmap_ || !bits || !dc_)
        return;
    bits_ = bits;
    selected_.emplace(dc_.get(), bitmap_.get());
}

void OffscreenImage::Paint(HDC target, const DibImage& part, int x, int y) {
    if (!bits_ || part.width != width_ || part.height != height_)
        return;
    ::GdiFlush(); // nothing may still be drawing into the bits
    CopyToDibBits(bits_, part);
    ::BitBlt(target, x, y, width_, height_, dc_.get(), 0, 0, SRCCOPY);
}

} // namespace veyra
