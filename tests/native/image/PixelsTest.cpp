#include "image/Pixels.h"

#include "tests/native/PixelTestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <type_traits>
#include <vector>

namespace veyra {
namespace {

// The layouts do not mix: none becomes another, or a bare number, without a named conversion.
template <typename From, typename To>
constexpr bool kMixes = std::is_convertible_v<From, To> || std::is_constructible_v<To, From>;
static_assert(!kMixes<ColorRef, DibPixel> && !kMixes<DibPixel, ColorRef>);
static_assert(!kMixes<Rgb, ColorRef> && !kMixes<ColorRef, Rgb>);
static_assert(!kMixes<Rgb, DibPixel> && !kMixes<DibPixel, Rgb>);
static_assert(!kMixes<Rgba, DibPixel> && !kMixes<Rgba, Rgb> && !kMixes<Rgb, Rgba>);
static_assert(!kMixes<ColorRef, std::uint32_t> && !kMixes<DibPixel, std::uint32_t>);
// A bare number becomes a ColorRef or a DibPixel only when spelled out, never on its own.
static_assert(!std::is_convertible_v<std::uint32_t, ColorRef> &&
              !std::is_convertible_v<std::uint32_t, DibPixel>);
// The keyed copy takes the GIF reader's colours only.
template <typename Color>
concept KeyedCopyTakes = requires(DibImage& image, const std::vector<Color>& colors, Color key) {
    KeyedCopyOnto(image, 0, 0, colors, 1, 1, key);
};
static_assert(KeyedCopyTakes<Rgb> && !KeyedCopyTakes<ColorRef> && !KeyedCopyTakes<DibPixel> &&
              !KeyedCopyTakes<std::uint32_t>);

using Pixels = std::vector<DibPixel>;

Pixels Many(std::size_t count, std::uint32_t pixel) {
    return Pixels(count, DibPixel{pixel});
}

Pixels Of(std::initializer_list<std::uint32_t> values) {
    Pixels pixels;
    for (const std::uint32_t v : values)
        pixels.push_back(DibPixel{v});
    return pixels;
}

DibImage Filled(int width, int height, std::uint32_t pixel) {
    return {width, height, Many(static_cast<std::size_t>(width * height), pixel)};
}

TEST(SingleThreadPixelsTest, ConversionsBetweenLayouts) {
    constexpr Rgb color{0x11, 0x22, 0x33};
    EXPECT_EQ(ToColorRef(color), ColorRef{0x00332211});
    EXPECT_EQ(ToRgb(ColorRef{0x00332211}), color);
    EXPECT_EQ(ColorRef::FromRgb(0x11, 0x22, 0x33), ColorRef{0x00332211});
    EXPECT_EQ(OpaqueDibPixel(color), DibPixel{0xFF112233});
    EXPECT_EQ(OpaqueDibPixel(ColorRef{0x00332211}), DibPixel{0xFF112233});
    EXPECT_EQ(ToRgb(DibPixel{0x80112233}), color); // alpha dropped
    EXPECT_EQ(ToColorRef(ToRgb(DibPixel{0x80112233})), ColorRef{0x00332211});
    EXPECT_EQ(ToRgb(Rgba{0x11, 0x22, 0x33, 0x44}), color);
    EXPECT_EQ(ToDibPixel(Rgba{0x11, 0x22, 0x33, 0x44}), DibPixel{0x44112233});
    EXPECT_EQ(DibPixel::FromArgb(0x44, 0x11, 0x22, 0x33), DibPixel{0x44112233});
}

TEST(SingleThreadPixelsTest, BlendChannel) {
    const struct {
        int destination, source, alpha, expected;
    } cases[] = {
        {10, 200, 0, 10},   {10, 200, 255, 200}, {0, 255, 128, 128},   {0, 255, 127, 127},
        {255, 0, 128, 127}, {100, 200, 1, 100},  {200, 100, 254, 100}, {255, 255, 77, 255},
        {0, 0, 200, 0},     {1, 2, 128, 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BlendChannel(static_cast<std::uint8_t>(c.destination),
                               static_cast<std::uint8_t>(c.source),
                               static_cast<std::uint8_t>(c.alpha)),
                  c.expected)
            << c.destination << " " << c.source << " " << c.alpha;
}

TEST(SingleThreadPixelsTest, PremultipliedShape) {
    // Colour (200, 100, 50) at alphas 0, 1, 127, 128, 254, 255.
    RgbaImage row{6, 1, {}};
    for (int alpha : {0, 1, 127, 128, 254, 255})
        row.pixels.push_back({200, 100, 50, static_cast<std::uint8_t>(alpha)});
    const DibImage shape = PremultipliedShape(row);
    EXPECT_EQ(shape.width, 6);
    EXPECT_EQ(shape.height, 1);
    EXPECT_EQ(shape.pixels,
              Of({0x00000000, 0x01010000, 0x7F643219, 0x80643219, 0xFEC76432, 0xFFC86432}));

    // The alpha formula gives back every alpha.
    RgbaImage ramp{256, 1, {}};
    for (int alpha = 0; alpha < 256; ++alpha)
        ramp.pixels.push_back({255, 255, 255, static_cast<std::uint8_t>(alpha)});
    const DibImage rampShape = PremultipliedShape(ramp);
    for (int alpha = 0; alpha < 256; ++alpha)
        EXPECT_EQ(rampShape.pixels[static_cast<std::size_t>(alpha)].Alpha(), alpha);
}

TEST(SingleThreadPixelsTest, AlphaBlendKeepsTheDestinationAlphaAndClips) {
    // A 2 x 2 source placed at (2, 1) on a 3 x 2 destination: only its top-left pixel lands.
    DibImage destination = Filled(3, 2, 0x12FF0000); // alpha 0x12, red 255
    const RgbaImage source{
        2, 2, {{0, 0, 255, 128}, {1, 1, 1, 255}, {1, 1, 1, 255}, {1, 1, 1, 255}}};
    AlphaBlendOnto(destination, 2, 1, source);
    Pixels expected = Many(6, 0x12FF0000);
    // Red (255 * 127 + 0 * 128 + 127) / 255 = 127, blue (0 * 127 + 255 * 128 + 127) / 255 = 128.
    expected[5] = DibPixel{0x127F0080};
    EXPECT_EQ(destination.pixels, expected);

    DibImage other = Filled(2, 2, 0xFF000000);
    AlphaBlendOnto(other, -1, -1, source); // only the source's bottom-right pixel lands
    EXPECT_EQ(other.pixels, Of({0xFF010101, 0xFF000000, 0xFF000000, 0xFF000000}));
    AlphaBlendOnto(other, 2, 0, source); // entirely outside
    AlphaBlendOnto(other, -2, 0, source);
    EXPECT_EQ(other.pixels, Of({0xFF010101, 0xFF000000, 0xFF000000, 0xFF000000}));
}

TEST(SingleThreadPixelsTest, KeyedCopyLeavesKeyPixelsAndClips) {
    constexpr Rgb key{0, 0, 0}, red{255, 0, 0}, blue{0, 0, 255};
    const std::vector<Rgb> source = {red, key,  blue, //
                                     key, blue, red};
    DibImage destination = Filled(3, 3, 0x40ABCDEF);
    KeyedCopyOnto(destination, 1, 1, source, 3, 2, key);
    EXPECT_EQ(destination.pixels, Of({0x40ABCDEF, 0x40ABCDEF, 0x40ABCDEF, //
                                      0x40ABCDEF, 0xFFFF0000, 0x40ABCDEF, //
                                      0x40ABCDEF, 0x40ABCDEF, 0xFF0000FF}));

    DibImage small = Filled(1, 1, 0x11223344);
    KeyedCopyOnto(small, -1, 0, source, 3, 2, key); // source column 1 lands: the key, so no change
    EXPECT_EQ(small.pixels[0], DibPixel{0x11223344});
    KeyedCopyOnto(small, -2, 0, source, 3, 2, key); // column 2: blue
    EXPECT_EQ(small.pixels[0], DibPixel{0xFF0000FF});

    EXPECT_THROW(KeyedCopyOnto(small, 0, 0, source, 4, 2, key), std::invalid_argument);
}

TEST(SingleThreadPixelsTest, CopyRectZeroesWhatLiesOutside) {
    const DibImage source{3, 2, Of({1, 2, 3, 4, 5, 6})};
    const struct {
        const char* name;
        int x, y, width, height;
        Pixels expected;
    } cases[] = {
        {"inside", 1, 0, 2, 2, Of({2, 3, 5, 6})},
        {"over the bottom-right corner", 2, 1, 2, 2, Of({6, 0, 0, 0})},
        {"over the top-left corner", -1, -1, 2, 2, Of({0, 0, 0, 1})},
        {"entirely outside", 5, 5, 1, 2, Of({0, 0})},
        {"empty", 0, 0, 0, 3, {}},
    };
    for (const auto& c : cases) {
        const DibImage copy = CopyRect(source, c.x, c.y, c.width, c.height);
        EXPECT_EQ(copy.pixels, c.expected) << c.name;
        EXPECT_EQ(copy.width * copy.height, static_cast<int>(c.expected.size())) << c.name;
    }
}

TEST(SingleThreadPixelsTest, ToDibImageMovesAlphaToTheTopByte) {
    const DibImage converted =
        ToDibImage(RgbaImage{2, 1, {{0x11, 0x22, 0x33, 0x44}, {1, 2, 3, 0}}});
    EXPECT_EQ(converted.width, 2);
    EXPECT_EQ(converted.pixels, Of({0x44112233, 0x00010203}));
}

} // namespace
} // namespace veyra
