#pragma once
// GDI side of the splash window's pictures: 32-bit bitmaps of composed pictures, and putting a
// picture with its status text on a DC in one step, through an off-screen bitmap, so nothing
// flickers.
#include "support/WinHandle_win.h"
#include "ui/Image.h"

#include <windows.h>

#include <string>

namespace veyra {

// A top-down 32-bit DIB section holding `picture`'s pixels (alpha byte included); null when the
// system refuses or the picture is empty.
UniqueBitmap CreatePictureBitmap(const BgraImage& picture);

// `picture` is the whole client area; the status text is drawn over it in the status line's box
// with its own font and colour, then everything is copied to `target`.
void PaintSplash(HDC target, const BgraImage& picture, HFONT infoFont, const std::wstring& status);

// `part` copied to `target` with its top-left corner at (x, y), in one step.
void PaintPart(HDC target, const BgraImage& part, int x, int y);

} // namespace veyra
