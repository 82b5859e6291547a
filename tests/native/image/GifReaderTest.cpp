#include "image/GifReader.h"

#include "tests/native/Fixtures.h"
#include "tests/native/GifTestSupport.h"
#include "tests/native/PixelTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace veyra {
namespace {

using test::Bytes;
using test::operator+;
using test::Gce;
using test::GifHeader;
using test::GifImage;
using test::HeaderColor;
using test::PackCodes;
using test::Trailer;

constexpr Rgb Color(int r, int g, int b) {
    return {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
            static_cast<std::uint8_t>(b)};
}

std::span<const std::uint8_t> Span(const Bytes& bytes) {
    return {bytes.data(), bytes.size()};
}

// Colours of the palette indices in `indices`, through GifHeader's table.
std::vector<Rgb> HeaderColors(std::initializer_list<int> indices) {
    std::vector<Rgb> colors;
    for (int i : indices)
        colors.push_back(HeaderColor(i));
    return colors;
}

TEST(SingleThreadGifReaderTest, DecodesTheAnimationFixtureAsPillowDoes) {
    // tests/fixtures/make_gif_fixtures.py wrote frames.gif; frames.gif.rgb holds Pillow's
    // decoding of each image in R, G, B bytes.
    const auto gif = test::Fixture("frames.gif");
    const auto rgb = test::Fixture("frames.gif.rgb");
    ASSERT_FALSE(gif.empty() || rgb.empty());
    const auto result = DecodeGif(gif);
    ASSERT_TRUE(result.ok()) << result.error;
    const GifPicture& picture = result.value;

    auto global = [](int i) {
        return Color((i * 16) & 0xFF, (255 - i * 15) & 0xFF, (i * 37 + 11) & 0xFF);
    };
    EXPECT_EQ(picture.screenWidth, 20);
    EXPECT_EQ(picture.screenHeight, 12);
    ASSERT_EQ(picture.globalPalette.size(), 16u);
    EXPECT_EQ(picture.globalPalette[15], global(15));
    EXPECT_EQ(picture.backgroundColor, global(3));
    EXPECT_EQ(picture.loopCount, std::optional<std::uint16_t>(0));
    EXPECT_TRUE(picture.HasTransparency());

    const struct {
        int left, top, width, height;
        std::uint16_t intervalMs;
        std::uint8_t disposal;
        std::optional<Rgb> transparent;
    } expected[] = {
        {0, 0, 20, 12, 0, 1, std::nullopt},
        {4, 3, 8, 6, 20, 1, global(5)},
        // Beyond the screen's right and bottom edges; its local table's entry 1 is transparent.
        {14, 8, 10, 6, 15000, 2, Color(10, 250, 10)},
        {0, 0, 2, 2, 0, 0, std::nullopt}, // no graphic control extension
    };
    ASSERT_EQ(picture.frames.size(), std::size(expected));
    std::size_t offset = 0;
    for (std::size_t i = 0; i < picture.frames.size(); ++i) {
        const GifFrame& frame = picture.frames[i];
        const auto& e = expected[i];
        EXPECT_EQ(frame.left, e.left) << "frame " << i;
        EXPECT_EQ(frame.top, e.top) << "frame " << i;
        EXPECT_EQ(frame.width, e.width) << "frame " << i;
        EXPECT_EQ(frame.height, e.height) << "frame " << i;
        EXPECT_EQ(frame.intervalMs, e.intervalMs) << "frame " << i;
        EXPECT_EQ(frame.disposal, e.disposal) << "frame " << i;
        EXPECT_EQ(frame.transparentColor, e.transparent) << "frame " << i;
        const std::size_t pixels = static_cast<std::size_t>(e.width * e.height);
        ASSERT_EQ(frame.colors.size(), pixels) << "frame " << i;
        ASSERT_LE(offset + 3 * pixels, rgb.size());
        std::vector<Rgb> pillow;
        for (std::size_t p = 0; p < pixels; ++p, offset += 3)
            pillow.push_back(Color(rgb[offset], rgb[offset + 1], rgb[offset + 2]));
        EXPECT_EQ(frame.colors, pillow) << "frame " << i;
    }
    EXPECT_EQ(offset, rgb.size());
}

TEST(SingleThreadGifReaderTest, GoesOnWithTwelveBitCodesWhenTheTableIsFull) {
    // One 64 x 64 image whose encoder fills the table without a clear code, keeps sending 12-bit
    // codes (some naming the last entries made), then clears and uses a code in the step that
    // defines it. full_table.gif.idx holds Pillow's indices; the table is a grey ramp.
    const auto gif = test::Fixture("full_table.gif");
    const auto indices = test::Fixture("full_table.gif.idx");
    ASSERT_FALSE(gif.empty() || indices.empty());
    const auto result = DecodeGif(gif);
    ASSERT_TRUE(result.ok()) << result.error;
    ASSERT_EQ(result.value.frames.size(), 1u);
    std::vector<Rgb> pillow;
    for (std::uint8_t i : indices)
        pillow.push_back(Color(i, i, i));
    EXPECT_EQ(result.value.frames[0].colors, pillow);
}

TEST(SingleThreadGifReaderTest, DecodesLzwCodeStreams) {
    // Minimum code size 2: codes 0-3 are colours, 4 clears, 5 ends, entries start at 6.
    const struct {
        const char* name;
        int width, height;
        Bytes codes;
        std::vector<Rgb> colors;
        bool interlaced = false;
    } cases[] = {
        {"literals", 2, 2, PackCodes(2, {4, 0, 1, 2, 3, 5}), HeaderColors({0, 1, 2, 3})},
        // 6 is used in the step that defines it: 1 followed by its own first colour.
        {"KwKwK", 3, 1, PackCodes(2, {4, 1, 6, 5}), HeaderColors({1, 1, 1})},
        // Entry 7 makes the next code 8, so codes grow to 4 bits; 6 = "0 1", 8 = "2 3".
        {"code size grows", 4, 2, PackCodes(2, {4, 0, 1, 2, 3, 6, 8, 5}),
         HeaderColors({0, 1, 2, 3, 0, 1, 2, 3})},
        {"clear in the middle", 2, 2, PackCodes(2, {4, 0, 1, 4, 2, 3, 5}),
         HeaderColors({0, 1, 2, 3})},
        {"no end code", 2, 2, PackCodes(2, {4, 0, 1, 2, 3}), HeaderColors({0, 1, 2, 3})},
        {"codes after the last pixel", 2, 2, PackCodes(2, {4, 0, 1, 2, 3, 1, 7, 5}),
         HeaderColors({0, 1, 2, 3})},
        // Rows arrive in the order 0, 4, 2, 6, 1, 3, 5, 7.
        {"interlaced", 1, 8, PackCodes(2, {4, 0, 1, 2, 3, 0, 1, 2, 3, 5}),
         HeaderColors({0, 0, 2, 1, 1, 2, 3, 3}), true},
    };
    for (const auto& c : cases) {
        const Bytes gif = GifHeader(8, 8, 4) +
                          GifImage(0, 0, c.width, c.height, 2, c.codes, 0, c.interlaced) +
                          Trailer();
        const auto result = DecodeGif(Span(gif));
        ASSERT_TRUE(result.ok()) << c.name << ": " << result.error;
        ASSERT_EQ(result.value.frames.size(), 1u) << c.name;
        EXPECT_EQ(result.value.frames[0].colors, c.colors) << c.name;
    }
}

TEST(SingleThreadGifReaderTest, ReadsControlExtensionsPerImage) {
    const Bytes twoByTwo = PackCodes(2, {4, 0, 1, 2, 3, 5});
    const Bytes loop = {0x21, 0xFF, 11,  'N', 'E', 'T', 'S', 'C', 'A', 'P',
                        'E',  '2',  '.', '0', 3,   1,   5,   0,   0};
    const Bytes gif = GifHeader(8, 8, 4, 9) + loop + Gce(3, 6554, 2) +
                      GifImage(0, 0, 2, 2, 2, twoByTwo) + // the extension's values
                      GifImage(1, 1, 2, 2, 2, twoByTwo) + // no extension of its own
                      Gce(1, 7, 200) +                    // transparent index outside the table
                      GifImage(2, 2, 2, 2, 2, twoByTwo, 8) + Trailer();
    const auto result = DecodeGif(Span(gif));
    ASSERT_TRUE(result.ok()) << result.error;
    const auto& frames = result.value.frames;
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(result.value.loopCount, std::optional<std::uint16_t>(5));
    // Background index 9 lies outside the 4-entry global table.
    EXPECT_FALSE(result.value.backgroundColor.has_value());

    EXPECT_EQ(frames[0].disposal, 3);
    EXPECT_EQ(frames[0].intervalMs, 4); // 65540 ms kept to 16 bits
    EXPECT_EQ(frames[0].transparentColor, HeaderColor(2));
    EXPECT_EQ(frames[1].disposal, 0);
    EXPECT_EQ(frames[1].intervalMs, 0);
    EXPECT_FALSE(frames[1].transparentColor.has_value());
    EXPECT_EQ(frames[2].intervalMs, 70);
    EXPECT_FALSE(frames[2].transparentColor.has_value());
    EXPECT_EQ(frames[2].colors, HeaderColors({0, 1, 2, 3})); // from its local table
}

TEST(SingleThreadGifReaderTest, ToleratesWhatItDocuments) {
    const Bytes twoByTwo = GifImage(0, 0, 2, 2, 2, PackCodes(2, {4, 0, 1, 2, 3, 5}));
    const struct {
        const char* name;
        Bytes gif;
        std::size_t frames;
    } cases[] = {
        {"GIF87a", GifHeader(8, 8, 4, 0, "GIF87a") + twoByTwo + Trailer(), 1},
        {"no trailer", GifHeader(8, 8, 4) + twoByTwo + twoByTwo, 2},
        {"bytes after the trailer", GifHeader(8, 8, 4) + twoByTwo + Trailer() + Bytes{1, 2}, 1},
        {"extension before the end", GifHeader(8, 8, 4) + twoByTwo + Gce(1, 0), 1},
        {"zero-size image, no colour table",
         GifHeader(8, 8, 0) + GifImage(0, 0, 0, 5, 2, PackCodes(2, {4, 5})) + Trailer(), 1},
        {"unknown extension",
         GifHeader(8, 8, 4) + Bytes{0x21, 0x01, 2, 'a', 'b', 0} + twoByTwo + Trailer(), 1},
    };
    for (const auto& c : cases) {
        const auto result = DecodeGif(Span(c.gif));
        ASSERT_TRUE(result.ok()) << c.name << ": " << result.error;
        EXPECT_EQ(result.value.frames.size(), c.frames) << c.name;
        EXPECT_EQ(result.kind, ImageErrorKind::none) << c.name;
    }
    // A frame beyond the screen is kept whole; composition clips it.
    const Bytes beyond =
        GifHeader(2, 2, 4) + GifImage(1, 1, 2, 2, 2, PackCodes(2, {4, 0, 1, 2, 3}));
    const auto result = DecodeGif(Span(beyond));
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(result.value.frames[0].colors.size(), 4u);
    EXPECT_EQ(result.value.frames[0].left, 1);
}

TEST(SingleThreadGifReaderTest, RejectsMalformedInputWithItsKind) {
    const Bytes header = GifHeader(8, 8, 4);
    const Bytes fourPixels = PackCodes(2, {4, 0, 1, 2, 3, 5});
    Bytes shortGce = {0x21, 0xF9, 3, 0, 0, 0, 0};
    using E = ImageErrorKind;
    const struct {
        const char* name;
        Bytes gif;
        ImageErrorKind kind;
    } cases[] = {
        {"empty", {}, E::badSignature},
        {"wrong version", Bytes{'G', 'I', 'F', '8', '8', 'a'} + Bytes(7, 1), E::badSignature},
        {"screen descriptor cut", Bytes{'G', 'I', 'F', '8', '9', 'a', 8, 0}, E::truncated},
        {"zero screen", GifHeader(0, 8, 4) + Trailer(), E::badSize},
        {"global table cut", Bytes(header.begin(), header.end() - 1), E::truncated},
        {"no image", header + Trailer(), E::noImage},
        {"unknown block", header + Bytes{0x99}, E::badBlock},
        {"minimum code size 1", header + GifImage(0, 0, 2, 2, 1, {}), E::badLzwCode},
        {"minimum code size 9", header + GifImage(0, 0, 2, 2, 9, {}), E::badLzwCode},
        {"code beyond the next entry", header + GifImage(0, 0, 2, 2, 2, PackCodes(2, {4, 0, 7})),
         E::badLzwCode},
        {"entry code right after a clear", header + GifImage(0, 0, 2, 2, 2, PackCodes(2, {4, 6})),
         E::badLzwCode},
        {"end code before the last pixel",
         header + GifImage(0, 0, 2, 2, 2, PackCodes(2, {4, 0, 1, 5})) + Trailer(),
         E::tooLittleData},
        // These codes fill exactly two bytes, so no padding bits pass for another code.
        {"code data ends before the last pixel",
         header + GifImage(0, 0, 3, 2, 2, PackCodes(2, {4, 0, 1, 2, 3})) + Trailer(),
         E::tooLittleData},
        {"no colour table", GifHeader(8, 8, 0) + GifImage(0, 0, 2, 2, 2, fourPixels),
         E::missingColorTable},
        {"index outside the table", GifHeader(8, 8, 2) + GifImage(0, 0, 2, 2, 2, fourPixels),
         E::colorIndexOutOfRange},
        {"graphic control too short", header + shortGce + GifImage(0, 0, 2, 2, 2, fourPixels),
         E::badBlock},
        {"image too large", header + GifImage(0, 0, 65535, 65535, 2, fourPixels), E::badSize},
        {"file ends inside an extension", header + Bytes{0x21, 0xFE, 5, 'a'}, E::truncated},
        {"file ends inside the image data",
         header + Bytes{0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0, 2, 10, 0x8C}, E::truncated},
    };
    for (const auto& c : cases) {
        const auto result = DecodeGif(Span(c.gif));
        EXPECT_FALSE(result.ok()) << c.name;
        EXPECT_EQ(result.kind, c.kind)
            << c.name << ": " << ImageErrorKindName(result.kind) << ", " << result.error;
        EXPECT_TRUE(result.value.frames.empty()) << c.name;
    }
}

// The messages show an unknown block's byte in hexadecimal and sizes as width x height.
TEST(SingleThreadGifReaderTest, MessagesNameTheBlockAndTheSize) {
    const Bytes header = GifHeader(8, 8, 4);
    const struct {
        Bytes gif;
        const char* message;
    } cases[] = {
        {header + Bytes{0x9A}, "GIF: unknown block 0x9a at offset 25"},
        {GifHeader(0, 8, 4) + Trailer(), "GIF: invalid logical screen size 0x8"},
        {header + GifImage(0, 0, 65535, 65535, 2, PackCodes(2, {4, 0, 1, 2, 3, 5})),
         "GIF: image 0 is too large: 65535x65535"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeGif(Span(c.gif)).error, c.message);
}

TEST(SingleThreadGifReaderTest, ACutFileNeverYieldsAPartialImage) {
    // Cut anywhere, the file either fails or (cut at the end of an image, where only the
    // trailer would be missing) yields whole images equal to the first ones of the full file.
    const auto gif = test::Fixture("frames.gif");
    ASSERT_FALSE(gif.empty());
    const auto full = DecodeGif(gif);
    ASSERT_TRUE(full.ok());
    int accepted = 0;
    for (std::size_t size = 0; size < gif.size(); ++size) {
        const Bytes prefix(gif.begin(), gif.begin() + static_cast<std::ptrdiff_t>(size));
        const auto result = DecodeGif(Span(prefix));
        if (!result.ok())
            continue;
        ++accepted;
        ASSERT_LE(result.value.frames.size(), full.value.frames.size()) << size;
        for (std::size_t i = 0; i < result.value.frames.size(); ++i)
            EXPECT_EQ(result.value.frames[i].colors, full.value.frames[i].colors)
                << "cut at " << size << ", frame " << i;
    }
    // Only cuts at the 8 block boundaries after the first image: the ends of the four images
    // (the last one is the whole file but its trailer) and of the comment, the application
    // extension and the two graphic control extensions between them.
    EXPECT_EQ(accepted, 8);
}

} // namespace
} // namespace veyra
