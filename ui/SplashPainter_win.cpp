#include "ui/SplashPainter_win.h"

#include "resources/Layout.h"

#include <cstring>

namespace veyra {

UniqueBitmap CreatePictureBitmap(const BgraImage& picture) {
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
    std::memcpy(bits, picture.pixels.data(), picture.pixels.size() * sizeof(std::uint32_t));
    return bitmap;
}

void PaintSplash(HDC target, const BgraImage& picture, HFONT infoFont, const std::wstring& status) {
    const UniqueBitmap bitmap = CreatePictureBitmap(picture);
    const UniqueMemoryDc memory(::CreateCompatibleDC(target));
    if (!bitmap || !memory)
        return;
    const SelectedObject selectedBitmap(memory.get(), bitmap.get());
    const SelectedObject selectedFont(memory.get(), infoFont);
    ::SetBkMode(memory.get(), TRANSPARENT);
    ::SetTextColor(memory.get(), layout::kInfoTextColor);
    RECT box{layout::kInfo.left, layout::kInfo.top, layout::kInfo.right(), layout::kInfo.bottom()};
    ::DrawTextW(memory.get(), status.c_str(), static_cast<int>(status.size()), &box,
                DT_CENTER | DT_EXPANDTABS);
    ::BitBlt(target, 0, 0, picture.width, picture.height, memory.get(), 0, 0, SRCCOPY);
}

void PaintPart(HDC target, const BgraImage& part, int x, int y) {
    const UniqueBitmap bitmap = CreatePictureBitmap(part);
    const UniqueMemoryDc memory(::CreateCompatibleDC(target));
    if (!bitmap || !memory)
        return;
    const SelectedObject selected(memory.get(), bitmap.get());
    ::BitBlt(target, x, y, part.width, part.height, memory.get(), 0, 0, SRCCOPY);
}

} // namespace veyra
