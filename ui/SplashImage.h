#pragma once
// The pictures of the surface that holds the splash window's components, before the status text
// goes on: the control layer over the translucent window, or the plain window when there is no
// background picture to take a shape from.
#include "ui/Image.h"

#include <cstdint>
#include <vector>

namespace veyra {

struct LogoView {
    const std::vector<std::uint32_t>* composite = nullptr; // 0x00BBGGRR, width x height
    int width = 0, height = 0;
    std::uint32_t keyColor = 0;
};

// The control layer's erased state: the key colour (0x00BBGGRR) everywhere, except inside each
// visible component's rectangle, which holds the shape bitmap's pixels there.
BgraImage EraseControlLayer(const BgraImage& shape, std::uint32_t keyColor);

// The control layer's picture: its erased state with the components over it, the logo's current
// composite keyed and the caption blended by its alpha.
BgraImage ComposeControlLayer(const BgraImage& shape, std::uint32_t keyColor, const LogoView& logo,
                              const RgbaImage& caption);

// The plain window's picture: `color` (0x00BBGGRR) everywhere with the components over it.
BgraImage ComposePlainWindow(std::uint32_t color, const LogoView& logo, const RgbaImage& caption);

// LOGO's rectangle alone (180 x 100), for an animation step that repaints only the logo: the
// same pixels the whole pictures above hold there, that is the shape bitmap's pixels (control
// layer) or `color` (plain window) with the composite keyed over them.
BgraImage ComposeLogoOnControlLayer(const BgraImage& shape, const LogoView& logo);
BgraImage ComposeLogoOnPlainWindow(std::uint32_t color, const LogoView& logo);

} // namespace veyra
