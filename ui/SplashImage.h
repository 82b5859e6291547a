#pragma once
// The splash window's picture as it is painted, before the status text goes on: the background
// picture (opaque), the logo's current composite keyed over it, the caption blended by its alpha.
#include "ui/Image.h"

#include <cstdint>
#include <vector>

namespace veyra {

struct LogoView {
    const std::vector<std::uint32_t>* composite = nullptr; // 0x00BBGGRR, width x height
    int width = 0, height = 0;
    std::uint32_t keyColor = 0;
};

// `fallbackColor` (0x00BBGGRR) fills the window where there is no background picture.
BgraImage ComposeSplashImage(const RgbaImage& background, const LogoView& logo,
                             const RgbaImage& caption, std::uint32_t fallbackColor);

} // namespace veyra
