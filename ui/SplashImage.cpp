#include "ui/SplashImage.h"

#include "resources/Layout.h"
#include "ui/Pixels.h"

#include <algorithm>

namespace veyra {
namespace {

BgraImage Filled(std::uint32_t color, int width = layout::kWindowWidth,
                 int height = layout::kWindowHeight) {
    BgraImage image;
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<std::size_t>(image.width) * image.height,
                        OpaquePixelFromColor(color));
    return image;
}

// LOGO and DESC_LOGO over whatever the image holds in their rectangles.
void DrawComponents(BgraImage& image, const LogoView& logo, const RgbaImage& caption) {
    if (logo.composite)
        KeyedCopyOnto(image, layout::kLogo.left, layout::kLogo.top, *logo.composite, logo.width,
                      logo.height, logo.keyColor);
    if (caption.width > 0)
        AlphaBlendOnto(image, layout::kDescLogo.left, layout::kDescLogo.top, caption);
}

} // namespace

BgraImage EraseControlLayer(const BgraImage& shape, std::uint32_t keyColor) {
    BgraImage image = Filled(keyColor);
    for (const layout::Rect& r : layout::kVisibleComponents) {
        const BgraImage part = CopyRect(shape, r.left, r.top, r.width, r.height);
        for (int y = 0; y < r.height; ++y)
            std::copy_n(&part.pixels[static_cast<std::size_t>(y) * r.width], r.width,
                        &image.pixels[static_cast<std::size_t>(r.top + y) * image.width + r.left]);
    }
    return image;
}

BgraImage ComposeControlLayer(const BgraImage& shape, std::uint32_t keyColor, const LogoView& logo,
                              const RgbaImage& caption) {
    BgraImage image = EraseControlLayer(shape, keyColor);
    DrawComponents(image, logo, caption);
    return image;
}

BgraImage ComposePlainWindow(std::uint32_t color, const LogoView& logo, const RgbaImage& caption) {
    BgraImage image = Filled(color);
    DrawComponents(image, logo, caption);
    return image;
}

BgraImage ComposeLogoOnControlLayer(const BgraImage& shape, const LogoView& logo) {
    const layout::Rect& r = layout::kLogo;
    BgraImage image = CopyRect(shape, r.left, r.top, r.width, r.height);
    if (logo.composite)
        KeyedCopyOnto(image, 0, 0, *logo.composite, logo.width, logo.height, logo.keyColor);
    return image;
}

BgraImage ComposeLogoOnPlainWindow(std::uint32_t color, const LogoView& logo) {
    BgraImage image = Filled(color, layout::kLogo.width, layout::kLogo.height);
    if (logo.composite)
        KeyedCopyOnto(image, 0, 0, *logo.composite, logo.width, logo.height, logo.keyColor);
    return image;
}

} // namespace veyra
