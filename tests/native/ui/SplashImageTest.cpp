#include "ui/SplashImage.h"

#include "image/GifReader.h"
#include "image/LogoComposer.h"
#include "resources/Layout.h"
#include "tests/native/Fixtures.h"
#include "tests/native/PixelTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace veyra {
namespace {

constexpr ColorRef kKey{0xFEFEFE};        // RGB(254, 254, 254)
constexpr DibPixel kKeyPixel{0xFFFEFEFE}; // the same as an opaque pixel

// A shape bitmap of the window's size whose every pixel tells where it is.
DibImage NumberedShape() {
    DibImage shape{layout::kWindowWidth, layout::kWindowHeight, {}};
    for (int y = 0; y < shape.height; ++y)
        for (int x = 0; x < shape.width; ++x)
            shape.pixels.push_back(DibPixel{0xFF000000u | static_cast<std::uint32_t>(y << 12 | x)});
    return shape;
}

DibPixel At(const DibImage& image, int x, int y) {
    return image.pixels[static_cast<std::size_t>(y) * image.width + x];
}

bool Inside(const layout::Rect& r, int x, int y) {
    return x >= r.left && x < r.right() && y >= r.top && y < r.bottom();
}

TEST(SingleThreadSplashImageTest, ErasedLayerIsTheKeyColourWithTheShapeInsideEachVisibleComponent) {
    const DibImage shape = NumberedShape();
    const DibImage erased = EraseControlLayer(shape, kKey);
    ASSERT_EQ(erased.width, 300);
    ASSERT_EQ(erased.height, 284);
    int inside = 0;
    for (int y = 0; y < 284; ++y)
        for (int x = 0; x < 300; ++x) {
            const bool component = Inside(layout::kLogo, x, y) || Inside(layout::kDescLogo, x, y) ||
                                   Inside(layout::kInfo, x, y);
            inside += component;
            ASSERT_EQ(At(erased, x, y), component ? At(shape, x, y) : kKeyPixel) << x << "," << y;
        }
    EXPECT_EQ(inside, 180 * 100 + 109 * 18 + 284 * 13);
}

// Where the shape bitmap is smaller than the window (it never is with the product's picture),
// the rectangles hold what lies outside it: nothing, alpha 0.
TEST(SingleThreadSplashImageTest, ErasedLayerOfASmallShapeHoldsZeroPastIt) {
    const DibImage shape{1, 1, {DibPixel{0xFF102030}}};
    const DibImage erased = EraseControlLayer(shape, kKey);
    EXPECT_EQ(At(erased, 60, 56), DibPixel{0});
    EXPECT_EQ(At(erased, 0, 0), kKeyPixel);
}

TEST(SingleThreadSplashImageTest, ComponentsGoOverTheShapeOnTheLayer) {
    // A constant shape colour makes the blends easy to state.
    DibImage shape{300, 284, std::vector<DibPixel>(300 * 284, DibPixel{0xFF204060})};
    // Logo: a 2 x 1 composite, its first pixel the key colour (black), the second red.
    const std::vector<Rgb> composite{{0, 0, 0}, {255, 0, 0}};
    const LogoView logo{&composite, 2, 1, Rgb{0, 0, 0}};
    // Caption: one row of alphas 0, 1, 128, 255 in white, then red at 77.
    const RgbaImage caption{5,
                            1,
                            {{255, 255, 255, 0},
                             {255, 255, 255, 1},
                             {255, 255, 255, 128},
                             {255, 255, 255, 255},
                             {255, 0, 0, 77}}};
    const DibImage image = ComposeControlLayer(shape, kKey, logo, caption);

    EXPECT_EQ(At(image, 60, 56), DibPixel{0xFF204060}); // keyed: the shape shows
    EXPECT_EQ(At(image, 61, 56), DibPixel{0xFFFF0000}); // red, opaque
    EXPECT_EQ(At(image, 62, 56), DibPixel{0xFF204060}); // past the composite

    // Each channel (d * (255 - a) + s * a + 127) / 255 over (0x20, 0x40, 0x60).
    const struct {
        int x;
        std::uint32_t expected; // 0xAARRGGBB
    } blends[] = {
        {96, 0xFF204060},  // alpha 0 keeps the shape
        {97, 0xFF214161},  // alpha 1: (32 * 254 + 255 + 127) / 255 = 33, then 65, 97
        {98, 0xFF90A0B0},  // alpha 128: 144, 160, 176
        {99, 0xFFFFFFFF},  // alpha 255 replaces
        {100, 0xFF632D43}, // red at 77: 99, 45, 67
        {101, 0xFF204060}, // past the caption
    };
    for (const auto& b : blends)
        EXPECT_EQ(At(image, b.x, 162), DibPixel{b.expected}) << b.x;

    // Outside the components the key colour stays, whatever the shape holds there.
    EXPECT_EQ(At(image, 10, 10), kKeyPixel);
    EXPECT_EQ(At(image, 95, 162), kKeyPixel);
}

TEST(SingleThreadSplashImageTest, PlainWindowIsItsColourWithTheComponents) {
    const std::vector<Rgb> composite{{0, 0, 0}, {0, 255, 0}};
    const LogoView logo{&composite, 2, 1, Rgb{0, 0, 0}};
    const RgbaImage caption{1, 1, {{0, 0, 0, 128}}};
    const DibImage image =
        ComposePlainWindow(ColorRef{0xC8D0D4}, logo, caption); // RGB(212, 208, 200)
    EXPECT_EQ(At(image, 0, 0), DibPixel{0xFFD4D0C8});
    EXPECT_EQ(At(image, 150, 214), DibPixel{0xFFD4D0C8}); // INFO's box: the text is drawn later
    EXPECT_EQ(At(image, 60, 56), DibPixel{0xFFD4D0C8});
    EXPECT_EQ(At(image, 61, 56), DibPixel{0xFF00FF00});
    // (212 * 127 + 127) / 255 = 106, (208 * 127 + 127) / 255 = 104, (200 * 127 + 127) / 255 = 100
    EXPECT_EQ(At(image, 96, 162), DibPixel{0xFF6A6864});
}

// A step of the animation repaints the logo's rectangle alone: it must hold exactly what the whole
// picture holds there, for every frame of the product's logo, on the layer and on the plain window.
TEST(SingleThreadSplashImageTest, TheLogosRectangleAloneMatchesTheWholePictureForEveryFrame) {
    const auto decoded = DecodeGif(test::Fixture("logo.gif"));
    ASSERT_TRUE(decoded.ok()) << decoded.error;
    LogoComposer composer(decoded.value, Rgb{255, 255, 255});
    const DibImage shape = NumberedShape();
    constexpr ColorRef face{0xC8D0D4};
    const layout::Rect& r = layout::kLogo;
    for (int k = 0; k < static_cast<int>(decoded.value.frames.size()); ++k) {
        const LogoView logo{&composer.Compose(k), 180, 100, composer.KeyColor()};
        const DibImage layer = ComposeControlLayer(shape, kKey, logo, {});
        const DibImage plain = ComposePlainWindow(face, logo, {});
        const DibImage layerPart = ComposeLogoOnControlLayer(shape, logo);
        const DibImage plainPart = ComposeLogoOnPlainWindow(face, logo);
        ASSERT_EQ(layerPart.width, 180);
        ASSERT_EQ(layerPart.height, 100);
        ASSERT_EQ(plainPart.width, 180);
        ASSERT_EQ(plainPart.height, 100);
        int keyed = 0;
        for (int y = 0; y < r.height; ++y)
            for (int x = 0; x < r.width; ++x) {
                ASSERT_EQ(At(layerPart, x, y), At(layer, r.left + x, r.top + y))
                    << "frame " << k << " (" << x << "," << y << ")";
                ASSERT_EQ(At(plainPart, x, y), At(plain, r.left + x, r.top + y))
                    << "frame " << k << " (" << x << "," << y << ")";
                keyed += At(layerPart, x, y) == At(shape, r.left + x, r.top + y);
            }
        // The background picture shows where the composite has its key colour, and only there.
        EXPECT_GT(keyed, 1000) << "frame " << k;
        EXPECT_LT(keyed, 180 * 100 - 1000) << "frame " << k;
    }
}

} // namespace
} // namespace veyra
