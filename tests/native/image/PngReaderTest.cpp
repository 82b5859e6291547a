#include "image/PngReader.h"

#include "tests/native/Fixtures.h"
#include "tests/native/PixelTestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <string_view>
#include <vector>

namespace veyra {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void PutBigEndian32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

Bytes Signature() {
    return {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
}

Bytes Chunk(std::string_view type, const Bytes& data) {
    Bytes out;
    PutBigEndian32(out, static_cast<std::uint32_t>(data.size()));
    Bytes typed(type.begin(), type.end());
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    PutBigEndian32(
        out, static_cast<std::uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
    return out;
}

Bytes Ihdr(std::uint32_t width, std::uint32_t height, std::uint8_t depth = 8,
           std::uint8_t colorType = 6, std::uint8_t interlace = 0) {
    Bytes data;
    PutBigEndian32(data, width);
    PutBigEndian32(data, height);
    data.insert(data.end(), {depth, colorType, 0, 0, interlace});
    return Chunk("IHDR", data);
}

Bytes Deflate(const Bytes& raw) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    Bytes out(size);
    EXPECT_EQ(compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 9), Z_OK);
    out.resize(size);
    return out;
}

Bytes Iend() {
    return Chunk("IEND", {});
}

// Filtered scan lines of a 2 x 2 image: filter None, pixels 1..8 and 9..16.
Bytes TwoByTwoRows() {
    return {0, 1, 2, 3, 4, 5, 6, 7, 8, 0, 9, 10, 11, 12, 13, 14, 15, 16};
}

// A complete 2 x 2 PNG whose image data is `raw` inflated from one IDAT.
Bytes TwoByTwo(const Bytes& raw) {
    return Signature() + Ihdr(2, 2) + Chunk("IDAT", Deflate(raw)) + Iend();
}

std::span<const std::uint8_t> Span(const Bytes& bytes) {
    return {bytes.data(), bytes.size()};
}

TEST(SingleThreadPngReaderTest, DecodesEveryRowFilterAsPillowDoes) {
    // Written by tests/fixtures/make_png_fixtures.py with the named filter on every row (or a
    // mix, with ancillary chunks and the image data split over several IDAT chunks); the .rgba
    // files hold Pillow's decoding.
    const struct {
        const char* name;
        int width, height;
    } cases[] = {
        {"filter_none", 9, 6},    {"filter_sub", 9, 6},   {"filter_up", 9, 6},
        {"filter_average", 9, 6}, {"filter_paeth", 9, 6}, {"filter_mixed", 11, 10},
        {"one_column", 1, 7},
    };
    for (const auto& c : cases) {
        const auto png = test::Fixture(std::string(c.name) + ".png");
        const auto expected = test::Fixture(std::string(c.name) + ".rgba");
        ASSERT_FALSE(png.empty() || expected.empty()) << c.name;
        ASSERT_EQ(expected.size() % 4, 0u) << c.name; // whole pixels, none dropped below
        const auto result = DecodePng(png);
        ASSERT_TRUE(result.ok()) << c.name << ": " << result.error;
        EXPECT_EQ(result.value.width, c.width) << c.name;
        EXPECT_EQ(result.value.height, c.height) << c.name;
        EXPECT_EQ(result.value.pixels, test::RgbaPixels(expected)) << c.name;
    }
}

TEST(SingleThreadPngReaderTest, AcceptsWhatTheFormatAllows) {
    const Bytes raw = TwoByTwoRows();
    const Bytes compressed = Deflate(raw);
    const Bytes first(compressed.begin(), compressed.begin() + 5);
    const Bytes rest(compressed.begin() + 5, compressed.end());
    const struct {
        const char* name;
        Bytes png;
    } cases[] = {
        {"plain", TwoByTwo(raw)},
        {"bytes after IEND", TwoByTwo(raw) + Bytes{1, 2, 3}},
        {"suggested palette and unknown ancillary chunks",
         Signature() + Ihdr(2, 2) + Chunk("PLTE", {1, 2, 3}) + Chunk("vpAg", {9}) +
             Chunk("IDAT", compressed) + Chunk("zzZz", {}) + Iend()},
        {"image data split over IDAT chunks", Signature() + Ihdr(2, 2) + Chunk("IDAT", first) +
                                                  Chunk("IDAT", {}) + Chunk("IDAT", rest) + Iend()},
    };
    for (const auto& c : cases) {
        const auto result = DecodePng(Span(c.png));
        ASSERT_TRUE(result.ok()) << c.name << ": " << result.error;
        EXPECT_EQ(result.kind, ImageErrorKind::none) << c.name;
        EXPECT_EQ(
            result.value.pixels,
            (std::vector<Rgba>{{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}}))
            << c.name;
    }
}

TEST(SingleThreadPngReaderTest, RejectsMalformedInputWithItsKind) {
    const Bytes raw = TwoByTwoRows();
    const Bytes compressed = Deflate(raw);
    Bytes badCrc = TwoByTwo(raw);
    badCrc[8 + 25 + 8] ^= 0x01; // first byte of the IDAT data
    Bytes badFilter = raw;
    badFilter[9] = 5;
    Bytes badChecksum = compressed;
    badChecksum.back() ^= 0xFF; // the zlib stream's Adler-32
    Bytes overlong = Signature() + Ihdr(2, 2);
    PutBigEndian32(overlong, 1000);
    overlong = overlong + Bytes{'I', 'D', 'A', 'T', 1, 2, 3};
    Bytes badLength = Signature() + Ihdr(2, 2);
    PutBigEndian32(badLength, 0x80000000u);
    badLength = badLength + Bytes{'I', 'D', 'A', 'T', 0, 0, 0, 0};

    using E = ImageErrorKind;
    const struct {
        const char* name;
        Bytes png;
        ImageErrorKind kind;
    } cases[] = {
        {"empty input", {}, E::badSignature},
        {"not a PNG", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, E::badSignature},
        {"signature only", Signature(), E::truncated},
        {"IHDR not first", Signature() + Chunk("tEXt", {'a'}) + Ihdr(2, 2), E::badBlock},
        {"IHDR too short", Signature() + Chunk("IHDR", {0, 0, 0, 2}), E::badBlock},
        {"second IHDR", Signature() + Ihdr(2, 2) + Ihdr(2, 2), E::badBlock},
        {"RGB colour type", Signature() + Ihdr(2, 2, 8, 2), E::unsupported},
        {"palette colour type", Signature() + Ihdr(2, 2, 8, 3), E::unsupported},
        {"16-bit depth", Signature() + Ihdr(2, 2, 16), E::unsupported},
        {"interlaced", Signature() + Ihdr(2, 2, 8, 6, 1), E::unsupported},
        {"zero width", Signature() + Ihdr(0, 2), E::badSize},
        {"width over 2^31", Signature() + Ihdr(0x80000000u, 1), E::badSize},
        {"over 16384 x 16384", Signature() + Ihdr(16385, 16384), E::badSize},
        // A header that promises a large image must not make the reader allocate it up front.
        {"huge size, little data",
         Signature() + Ihdr(16384, 16384) + Chunk("IDAT", compressed) + Iend(), E::tooLittleData},
        {"bad CRC", badCrc, E::badCrc},
        {"chunk length past the end", overlong, E::truncated},
        {"chunk length over 2^31", badLength, E::badBlock},
        {"chunk type not letters", Signature() + Ihdr(2, 2) + Chunk("ID1T", {}), E::badBlock},
        {"not a zlib stream", Signature() + Ihdr(2, 2) + Chunk("IDAT", {1, 2, 3, 4, 5, 6}) + Iend(),
         E::corruptData},
        {"bad Adler-32", Signature() + Ihdr(2, 2) + Chunk("IDAT", badChecksum) + Iend(),
         E::corruptData},
        {"zlib stream cut short",
         Signature() + Ihdr(2, 2) + Chunk("IDAT", Bytes(compressed.begin(), compressed.end() - 6)) +
             Iend(),
         E::tooLittleData},
        {"too little image data",
         Signature() + Ihdr(2, 2) + Chunk("IDAT", Deflate(Bytes(raw.begin(), raw.begin() + 9))) +
             Iend(),
         E::tooLittleData},
        {"too much image data",
         Signature() + Ihdr(2, 2) + Chunk("IDAT", Deflate(raw + Bytes{0})) + Iend(),
         E::tooMuchData},
        {"bytes after the zlib stream",
         Signature() + Ihdr(2, 2) + Chunk("IDAT", compressed + Bytes{0}) + Iend(), E::tooMuchData},
        {"unknown row filter", TwoByTwo(badFilter), E::corruptData},
        {"no IDAT", Signature() + Ihdr(2, 2) + Iend(), E::noImage},
        {"IDAT chunks apart",
         Signature() + Ihdr(2, 2) +
             Chunk("IDAT", Bytes(compressed.begin(), compressed.begin() + 4)) +
             Chunk("tEXt", {'a'}) + Chunk("IDAT", Bytes(compressed.begin() + 4, compressed.end())) +
             Iend(),
         E::badBlock},
        {"unknown critical chunk",
         Signature() + Ihdr(2, 2) + Chunk("IDAT", compressed) + Chunk("ABCD", {}) + Iend(),
         E::unsupported},
        {"no IEND", Signature() + Ihdr(2, 2) + Chunk("IDAT", compressed), E::truncated},
    };
    for (const auto& c : cases) {
        const auto result = DecodePng(Span(c.png));
        EXPECT_FALSE(result.ok()) << c.name;
        EXPECT_EQ(result.kind, c.kind)
            << c.name << ": " << ImageErrorKindName(result.kind) << ", " << result.error;
        EXPECT_TRUE(result.value.pixels.empty()) << c.name;
    }
}

// The messages show a chunk type that is not four letters escaped (lowercase hexadecimal) and
// sizes as width x height.
TEST(SingleThreadPngReaderTest, MessagesNameTheChunkAndTheSize) {
    const struct {
        Bytes png;
        const char* message;
    } cases[] = {
        {Signature() + Chunk(std::string_view("I\x01\xABR", 4), {}),
         "PNG: invalid chunk type 'I\\x01\\xabR' at offset 8"},
        {Signature() + Ihdr(0, 5) + Iend(), "PNG: invalid image size 0x5"},
        {Signature() + Ihdr(20000, 20000) + Iend(),
         "PNG: image size 20000x20000 exceeds the limit of 16384x16384 pixels"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodePng(Span(c.png)).error, c.message);
}

TEST(SingleThreadPngReaderTest, EveryTruncationIsAnError) {
    // Each cut of a real file lands in a different place: signature, chunk headers, chunk data,
    // CRCs, the middle of the zlib stream, IEND.
    const auto png = test::Fixture("filter_mixed.png");
    ASSERT_FALSE(png.empty());
    ASSERT_TRUE(DecodePng(png).ok());
    for (std::size_t size = 0; size < png.size(); ++size) {
        // A copy of exactly `size` bytes, so AddressSanitizer sees any read beyond it.
        const Bytes prefix(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(size));
        const auto result = DecodePng(Span(prefix));
        EXPECT_FALSE(result.ok()) << "cut at " << size;
        // Past the signature, every cut leaves a chunk, or the file, without its end.
        const auto expected = size < 8 ? ImageErrorKind::badSignature : ImageErrorKind::truncated;
        EXPECT_EQ(result.kind, expected) << "cut at " << size << ": " << result.error;
    }
}

} // namespace
} // namespace veyra
