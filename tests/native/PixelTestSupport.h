#pragma once
// Readable pixels in the tests' failure messages, and decoded bytes as pixels.
#include "image/PixelTypes.h"

#include <cstdint>
#include <cstdio>
#include <ostream>
#include <span>
#include <vector>

namespace veyra {

// Found by GoogleTest through the argument's namespace.
inline void PrintTo(Rgb c, std::ostream* out) {
    *out << "Rgb(" << int{c.red} << ", " << int{c.green} << ", " << int{c.blue} << ")";
}
inline void PrintTo(Rgba p, std::ostream* out) {
    *out << "Rgba(" << int{p.red} << ", " << int{p.green} << ", " << int{p.blue} << ", "
         << int{p.alpha} << ")";
}
inline void PrintTo(ColorRef c, std::ostream* out) {
    char text[24];
    std::snprintf(text, sizeof text, "ColorRef(0x%06X)", static_cast<unsigned>(c.value));
    *out << text;
}
inline void PrintTo(DibPixel p, std::ostream* out) {
    char text[24];
    std::snprintf(text, sizeof text, "DibPixel(0x%08X)", static_cast<unsigned>(p.value));
    *out << text;
}

namespace test {

// Bytes R, G, B, A, R, ... as pixels; a trailing partial pixel is dropped, so callers check the
// size.
inline std::vector<Rgba> RgbaPixels(std::span<const std::uint8_t> bytes) {
    std::vector<Rgba> pixels;
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4)
        pixels.push_back({bytes[i], bytes[i + 1], bytes[i + 2], bytes[i + 3]});
    return pixels;
}

} // namespace test
} // namespace veyra
