#pragma once
// The pixel layouts in use, one type each, so that handing one where another is expected does not
// compile; they change into one another only through the named conversions below.
#include "resources/ColorRef.h"

#include <cstdint>
#include <type_traits>

namespace veyra {

// An opaque colour, straight 8-bit channels: what the GIF reader decodes to, and what a check of
// drawn pixels compares when alpha does not matter.
struct Rgb {
    std::uint8_t red = 0, green = 0, blue = 0;
    friend constexpr bool operator==(Rgb, Rgb) = default;
};

// 8-bit straight (not premultiplied) RGBA, as the PNG reader decodes it.
struct Rgba {
    std::uint8_t red = 0, green = 0, blue = 0, alpha = 0;
    friend constexpr bool operator==(Rgba, Rgba) = default;
};

// A pixel of a 32-bit DIB: 0xAARRGGBB, that is bytes B, G, R, A in little-endian memory. The
// layered window's shape holds its colours premultiplied by their alpha; the other pictures are
// opaque, and GDI ignores their alpha byte.
struct DibPixel {
    std::uint32_t value = 0;

    constexpr DibPixel() = default;
    constexpr explicit DibPixel(std::uint32_t aarrggbb) : value(aarrggbb) {}
    static constexpr DibPixel FromArgb(std::uint8_t alpha, std::uint8_t red, std::uint8_t green,
                                       std::uint8_t blue) {
        return DibPixel((std::uint32_t{alpha} << 24) | (std::uint32_t{red} << 16) |
                        (std::uint32_t{green} << 8) | blue);
    }

    constexpr std::uint8_t Alpha() const { return static_cast<std::uint8_t>(value >> 24); }
    constexpr std::uint8_t Red() const { return static_cast<std::uint8_t>(value >> 16); }
    constexpr std::uint8_t Green() const { return static_cast<std::uint8_t>(value >> 8); }
    constexpr std::uint8_t Blue() const { return static_cast<std::uint8_t>(value); }

    friend constexpr bool operator==(DibPixel, DibPixel) = default;
};

// Pictures are copied pixel for pixel into DIB sections and out of decoded rows: each type must be
// its bytes and nothing more.
static_assert(sizeof(Rgb) == 3 && sizeof(Rgba) == 4 && sizeof(DibPixel) == 4 &&
              sizeof(ColorRef) == 4);
static_assert(std::is_trivially_copyable_v<Rgb> && std::is_trivially_copyable_v<Rgba> &&
              std::is_trivially_copyable_v<DibPixel> && std::is_trivially_copyable_v<ColorRef>);

constexpr ColorRef ToColorRef(Rgb color) {
    return ColorRef::FromRgb(color.red, color.green, color.blue);
}
constexpr Rgb ToRgb(ColorRef color) {
    return {color.Red(), color.Green(), color.Blue()};
}
// The colour without its alpha (a DIB pixel's colour as drawn, or a picture's colour as stored).
constexpr Rgb ToRgb(DibPixel pixel) {
    return {pixel.Red(), pixel.Green(), pixel.Blue()};
}
constexpr Rgb ToRgb(Rgba pixel) {
    return {pixel.red, pixel.green, pixel.blue};
}

// The colour with alpha 255.
constexpr DibPixel OpaqueDibPixel(Rgb color) {
    return DibPixel::FromArgb(255, color.red, color.green, color.blue);
}
constexpr DibPixel OpaqueDibPixel(ColorRef color) {
    return OpaqueDibPixel(ToRgb(color));
}
// The same colour and alpha, still straight.
constexpr DibPixel ToDibPixel(Rgba pixel) {
    return DibPixel::FromArgb(pixel.alpha, pixel.red, pixel.green, pixel.blue);
}

} // namespace veyra
