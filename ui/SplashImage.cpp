#include "ui/SplashImage.h"

#include "resources/Layout.h"
#include "ui/Pixels.h"

#include <algorithm>

namespace veyra {
BgraImage ComposeSplashImage(const RgbaImage& background, const LogoView& logo,
                             const RgbaImage& caption, std::uint32_t fallbackColor) {
    BgraImage image;
    image.width = layout::kWindowWidth;
    image.height = layout::kWindowHeight;
    image.pixels.assign(static_cast<std::size_t>(image.width) * image.height,
                        OpaquePixelFromColor(fallbackColor));
    if (background.width > 0) {
        // Until the window takes its shape from the picture, the picture is shown opaque.
        const BgraImage picture = ToBgra(background);
        for (int y = 0; y < std::min(picture.height, image.height); ++y)
            for (int x = 0; x < std::min(picture.width, image.width); ++x)
                image.pixels[static_cast<std::size_t>(y) * image.width + x] =
                    picture.pixels[static_cast<std::size_t>(y) * picture.width + x] | 0xFF000000u;
    }
    if (logo.composite)
        KeyedCopyOnto(image, layout::kLogo.left, layout::kLogo.top, *logo.composite, logo.width,
                      logo.height, logo.keyColor);
    if (caption.width > 0)
        AlphaBlendOnto(image, layout::kDescLogo.left, layout::kDescLogo.top, caption);
    return image;
}

} // namespace veyra
