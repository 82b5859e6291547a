#pragma once
// Per-pixel work of the translucent window and the logo: the premultiplied shape bitmap, alpha
// blending of the caption picture, keyed copies of the logo composite.
#include "image/Image.h"

#include <cstdint>
#include <vector>

namespace veyra {

// One colour channel of `source` over `destination` with alpha a: 0 keeps the destination, 255
// replaces it, otherwise (d * (255 - a) + s * a + 127) / 255.
std::uint8_t BlendChannel(std::uint8_t destination, std::uint8_t source, std::uint8_t alpha);

// Blends `source` with its top-left corner at (x, y) onto `destination`, each colour channel by
// BlendChannel; the destination's alpha byte stays as it is. Parts outside are clipped.
void AlphaBlendOnto(DibImage& destination, int x, int y, const RgbaImage& source);

// The layered window's image: alpha 0 gives 0; alpha 255 gives the colour with alpha 255; else
// each channel (c * a + 127) / 255 and alpha 255 - ((255 - a) * 255 + 127) / 255 (which is a).
DibImage PremultipliedShape(const RgbaImage& picture);

// Copies `source` (width * height colours, row-major) with its top-left corner at (x, y) onto
// `destination`: pixels equal to `keyColor` keep the destination, all others replace it with
// alpha 255. Parts outside are clipped. Throws std::invalid_argument when `source` holds fewer
// than width * height colours.
void KeyedCopyOnto(DibImage& destination, int x, int y, const std::vector<Rgb>& source, int width,
                   int height, Rgb keyColor);

// The width x height rectangle of `source` at (x, y); pixels of it that lie outside `source`
// are 0. A negative width or height gives an empty image.
DibImage CopyRect(const DibImage& source, int x, int y, int width, int height);

// The same colours and alpha as 32-bit pixels (ToDibPixel of each).
DibImage ToDibImage(const RgbaImage& image);

} // namespace veyra
