#pragma once
// The pictures of the surface that holds the splash window's components, before the status text
// goes on: the control layer over the translucent window, or the plain window when there is no
// background picture to take a shape from.
#include "image/Image.h"

#include <vector>

namespace veyra {

struct LogoView {
    const std::vector<Rgb>* composite = nullptr; // width x height
    int width = 0, height = 0;
    Rgb keyColor;
};

// The control layer's erased state: the key colour everywhere, except inside each
// visible component's rectangle, which holds the shape bitmap's pixels there.
DibImage EraseControlLayer(const DibImage& shape, ColorRef keyColor);

// The control layer's picture: its erased state with the components over it, the logo's current
// composite keyed and the caption blended by its alpha.
DibImage ComposeControlLayer(const DibImage& shape, ColorRef keyColor, const LogoView& logo,
                             const RgbaImage& caption);

// The plain window's picture: `color` everywhere with the components over it.
DibImage ComposePlainWindow(ColorRef color, const LogoView& logo, const RgbaImage& caption);

// LOGO's rectangle alone (180 x 100), for an animation step that repaints only the logo: the
// same pixels the whole pictures above hold there, that is the shape bitmap's pixels (control
// layer) or `color` (plain window) with the composite keyed over them.
DibImage ComposeLogoOnControlLayer(const DibImage& shape, const LogoView& logo);
DibImage ComposeLogoOnPlainWindow(ColorRef color, const LogoView& logo);

} // namespace veyra
