#include "ui/SplashImage.h"

#include "image/Pixels.h"
#include "resources/Layout.h"

#include <algorithm>

namespace veyra {
namespace {

DibImage Filled(ColorRef color, int width = layout::kWindowWidth,
                int height = layout::kWindowHeight) {
    DibImage image;
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<std::size_t>(image.width) * image.height,
                        OpaqueDibPixel(color));
    return image;
}

// LOGO and DESC_LOGO over whatever the image holds in their rectangles.
void DrawComponents(DibImage& image, const LogoView& logo, const RgbaImage& caption) {
    if (logo.composite)
        KeyedCopyOnto(image, layout::kLogo.left, layout::kLogo.top, *logo.composite, logo.width,
                      logo.height, logo.keyColor);
    if (caption.width > 0)
        AlphaBlendOnto(image, layout::kDescLogo.left, layout::kDescLogo.top, caption);
}

} // namespace

DibImage EraseControlLayer(const DibImage& shape, ColorRef keyColor) {
    DibImage image = Filled(keyColor);
    for (const layout::Rect& r : layout::kVisibleComponents) {
        const DibImage part = CopyRect(shape, r.left, r.top, r.width, r.height);
        for (int y = 0; y < r.height; ++y)
            std::copy_n(&part.pixels[static_cast<std::size_t>(y) * r.width], r.width,
                        &image.pixels[static_cast<std::size_t>(r.top + y) * image.width + r.left]);
    }
    return image;
}

DibImage ComposeControlLayer(const DibImage& shape, ColorRef keyColor, const LogoView& logo,
                             const RgbaImage& caption) {
    DibImage image = EraseControlLayer(shape, keyColor);
    DrawComponents(image, logo, caption);
    return image;
}

DibImage ComposePlainWindow(ColorRef color, const LogoView& logo, const RgbaImage& caption) {
    DibImage image = Filled(color);
    DrawComponents(image, logo, caption);
    return image;
}

DibImage ComposeLogoOnControlLayer(const DibImage& shape, const LogoView& logo) {
    const layout::Rect& r = layout::kLogo;
    DibImage image = CopyRect(shape, r.left, r.top, r.width, r.height);
    if (logo.composite)
        KeyedCopyOnto(image, 0, 0, *logo.composite, logo.width, logo.height, logo.keyColor);
    return image;
}

DibImage ComposeLogoOnPlainWindow(ColorRef color, const LogoView& logo) {
    DibImage image = Filled(color, layout::kLogo.width, layout::kLogo.height);
    if (logo.composite)
        KeyedCopyOnto(image, 0, 0, *logo.composite, logo.width, logo.height, logo.keyColor);
    return image;
}

} // namespace veyra
