#include "ui/Pixels.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace veyra {
namespace {

using Pixels = std::vector<std::uint32_t>;

BgraImage Filled(int width, int height, std::uint32_t pixel) {
    return {width, height, Pixels(static_cast<std::size_t>(width * height), pixel)};
}

TEST(PixelsTest, BlendChannel) {
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

TEST(PixelsTest, PremultipliedShape) {
    // Colour (200, 100, 50) at alphas 0, 1, 127, 128, 254, 255.
    RgbaImage row{6, 1, {}};
    for (int alpha : {0, 1, 127, 128, 254, 255})
        row.rgba.insert(row.rgba.end(), {200, 100, 50, static_cast<std::uint8_t>(alpha)});
    const BgraImage shape = PremultipliedShape(row);
    EXPECT_EQ(shape.width, 6);
    EXPECT_EQ(shape.height, 1);
    EXPECT_EQ(shape.pixels,
              (Pixels{0x00000000, 0x01010000, 0x7F643219, 0x80643219, 0xFEC76432, 0xFFC86432}));

    // The alpha formula gives back every alpha.
    RgbaImage ramp{256, 1, {}};
    for (int alpha = 0; alpha < 256; ++alpha)
        ramp.rgba.insert(ramp.rgba.end(), {255, 255, 255, static_cast<std::uint8_t>(alpha)});
    const BgraImage rampShape = PremultipliedShape(ramp);
    for (int alpha = 0; alpha < 256; ++alpha)
        EXPECT_EQ(rampShape.pixels[static_cast<std::size_t>(alpha)] >> 24,
                  static_cast<std::uint32_t>(alpha));
}

TEST(PixelsTest, AlphaBlendKeepsTheDestinationAlphaAndClips) {
    // A 2 x 2 source placed at (2, 1) on a 3 x 2 destination: only its top-left pixel lands.
    BgraImage destination = Filled(3, 2, 0x12FF0000); // alpha 0x12, red 255
    const RgbaImage source{2, 2, {0, 0, 255, 128, 1, 1, 1, 255, 1, 1, 1, 255, 1, 1, 1, 255}};
    AlphaBlendOnto(destination, 2, 1, source);
    Pixels expected(6, 0x12FF0000);
    // Red (255 * 127 + 0 * 128 + 127) / 255 = 127, blue (0 * 127 + 255 * 128 + 127) / 255 = 128.
    expected[5] = 0x127F0080;
    EXPECT_EQ(destination.pixels, expected);

    BgraImage other = Filled(2, 2, 0xFF000000);
    AlphaBlendOnto(other, -1, -1, source); // only the source's bottom-right pixel lands
    EXPECT_EQ(other.pixels, (Pixels{0xFF010101, 0xFF000000, 0xFF000000, 0xFF000000}));
    AlphaBlendOnto(other, 2, 0, source); // entirely outside
    AlphaBlendOnto(other, -2, 0, source);
    EXPECT_EQ(other.pixels, (Pixels{0xFF010101, 0xFF000000, 0xFF000000, 0xFF000000}));
}

TEST(PixelsTest, KeyedCopyLeavesKeyPixelsAndClips) {
    constexpr std::uint32_t key = 0x000000, red = 0x0000FF, blue = 0xFF0000;
    const Pixels source = {red, key,  blue, //
                           key, blue, red};
    BgraImage destination = Filled(3, 3, 0x40ABCDEF);
    KeyedCopyOnto(destination, 1, 1, source, 3, 2, key);
    EXPECT_EQ(destination.pixels, (Pixels{0x40ABCDEF, 0x40ABCDEF, 0x40ABCDEF, //
                                          0x40ABCDEF, 0xFFFF0000, 0x40ABCDEF, //
                                          0x40ABCDEF, 0x40ABCDEF, 0xFF0000FF}));

    // Only the low 24 bits of colours count.
    BgraImage small = Filled(1, 1, 0x11223344);
    KeyedCopyOnto(small, 0, 0, Pixels{0xFF000000}, 1, 1, key);
    EXPECT_EQ(small.pixels[0], 0x11223344u);
    KeyedCopyOnto(small, -1, 0, source, 3, 2, key); // source column 1 lands: the key, so no change
    EXPECT_EQ(small.pixels[0], 0x11223344u);
    KeyedCopyOnto(small, -2, 0, source, 3, 2, key); // column 2: blue
    EXPECT_EQ(small.pixels[0], 0xFF0000FFu);

    EXPECT_THROW(KeyedCopyOnto(small, 0, 0, source, 4, 2, key), std::invalid_argument);
}

TEST(PixelsTest, CopyRectZeroesWhatLiesOutside) {
    const BgraImage source{3, 2, {1, 2, 3, 4, 5, 6}};
    const struct {
        const char* name;
        int x, y, width, height;
        Pixels expected;
    } cases[] = {
        {"inside", 1, 0, 2, 2, {2, 3, 5, 6}},
        {"over the bottom-right corner", 2, 1, 2, 2, {6, 0, 0, 0}},
        {"over the top-left corner", -1, -1, 2, 2, {0, 0, 0, 1}},
        {"entirely outside", 5, 5, 1, 2, {0, 0}},
        {"empty", 0, 0, 0, 3, {}},
    };
    for (const auto& c : cases) {
        const BgraImage copy = CopyRect(source, c.x, c.y, c.width, c.height);
        EXPECT_EQ(copy.pixels, c.expected) << c.name;
        EXPECT_EQ(copy.width * copy.height, static_cast<int>(c.expected.size())) << c.name;
    }
}

TEST(PixelsTest, ToBgraMovesAlphaToTheTopByte) {
    const BgraImage converted = ToBgra(RgbaImage{2, 1, {0x11, 0x22, 0x33, 0x44, 1, 2, 3, 0}});
    EXPECT_EQ(converted.width, 2);
    EXPECT_EQ(converted.pixels, (Pixels{0x44112233, 0x00010203}));
    EXPECT_EQ(OpaquePixelFromColor(0x00332211), 0xFF112233u);
    EXPECT_EQ(ColorFromPixel(0x80112233), 0x00332211u);
}

} // namespace
} // namespace veyra
