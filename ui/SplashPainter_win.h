#pragma once
// GDI side of the splash window's pictures: 32-bit bitmaps of composed pictures, and putting a
// picture with its status text on a DC in one step, through an off-screen bitmap, so nothing
// flickers.
#include "image/Image.h"
#include "support/WinHandle_win.h"

#include <windows.h>

#include <optional>
#include <string>

namespace veyra {

// A top-down 32-bit DIB section holding `picture`'s pixels (alpha byte included); null when the
// system refuses or the picture is empty.
UniqueBitmap CreatePictureBitmap(const DibImage& picture);

// `picture` is the whole client area; the status text is drawn over it in the status line's box
// with its own font and colour, then everything is copied to `target`.
void PaintSplash(HDC target, const DibImage& picture, HFONT infoFont, const std::wstring& status);

// An off-screen 32-bit image of a fixed size, kept for repeated paints of one part of the
// window (the logo at every animation step), so that a paint allocates nothing.
class OffscreenImage {
public:
    OffscreenImage(int width, int height);
    OffscreenImage(const OffscreenImage&) = delete;
    OffscreenImage& operator=(const OffscreenImage&) = delete;

    // `part` (of this image's size; otherwise nothing happens) copied to `target` with its
    // top-left corner at (x, y), in one step.
    void Paint(HDC target, const DibImage& part, int x, int y);

private:
    int width_, height_;
    void* bits_ = nullptr; // the DIB section's pixels
    UniqueBitmap bitmap_;
    UniqueMemoryDc dc_;
    std::optional<SelectedObject> selected_;
};

} // namespace veyra
