#pragma once
// Puts the splash window's picture and its status text on a DC in one step, through an
// off-screen bitmap, so nothing flickers.
#include "ui/Image.h"

#include <windows.h>

#include <string>

namespace veyra {

// `picture` is the whole client area; the status text is drawn over it in the status line's box
// with its own font and colour, then everything is copied to `target`.
void PaintSplash(HDC target, const BgraImage& picture, HFONT infoFont, const std::wstring& status);

} // namespace veyra
