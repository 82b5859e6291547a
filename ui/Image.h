#pragma once
// Plain pixel containers shared by the picture readers, the logo composition and the pixel work.
#include <cstdint>
#include <vector>

namespace veyra {

// 8-bit straight (not premultiplied) RGBA, rows top-down: width * height * 4 bytes R, G, B, A.
struct RgbaImage {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgba;
};

// 32-bit pixels as Windows DIBs hold them: each std::uint32_t is 0xAARRGGBB, that is bytes B, G,
// R, A in little-endian memory; rows top-down.
struct BgraImage {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
};

// Colours called "RGB" elsewhere are COLORREF-style values 0x00BBGGRR (lowest byte red).

} // namespace veyra
