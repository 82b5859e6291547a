#pragma once
// Plain pixel containers shared by the picture readers, the logo composition and the pixel work;
// rows top-down, width * height pixels.
#include "image/PixelTypes.h"

#include <vector>

namespace veyra {

// A decoded picture, straight alpha.
struct RgbaImage {
    int width = 0, height = 0;
    std::vector<Rgba> pixels;
};

// A picture as a 32-bit DIB holds it.
struct DibImage {
    int width = 0, height = 0;
    std::vector<DibPixel> pixels;
};

} // namespace veyra
