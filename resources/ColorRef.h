#pragma once
// The layout's colour type, kept beside the layout (every folder may include resources/, while the
// pixel types of image/PixelTypes.h build on it).
#include <cstdint>

namespace veyra {

// A colour as the layout stores it and GDI takes it (COLORREF): 0x00BBGGRR, lowest byte red.
// The top byte is never set by this program.
struct ColorRef {
    std::uint32_t value = 0;

    constexpr ColorRef() = default;
    constexpr explicit ColorRef(std::uint32_t bbggrr) : value(bbggrr) {}
    // Win32's RGB(r, g, b).
    static constexpr ColorRef FromRgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
        return ColorRef(red | (green << 8) | (std::uint32_t{blue} << 16));
    }

    constexpr std::uint8_t Red() const { return static_cast<std::uint8_t>(value); }
    constexpr std::uint8_t Green() const { return static_cast<std::uint8_t>(value >> 8); }
    constexpr std::uint8_t Blue() const { return static_cast<std::uint8_t>(value >> 16); }

    friend constexpr bool operator==(ColorRef, ColorRef) = default;
};

} // namespace veyra
