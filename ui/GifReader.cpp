#include "ui/GifReader.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

namespace veyra {
namespace {

constexpr std::uint64_t kMaxPixels = 16384ull * 16384ull;
constexpr int kMaxCodeBits = 12;
constexpr int kTableSize = 1 << kMaxCodeBits;

std::string Hex(unsigned value) {
    static constexpr char kDigits[] = "0123456789abcdef";
    return std::string("0x") + kDigits[(value >> 4) & 0xF] + kDigits[value & 0xF];
}

// Bounds-checked reads of the file's bytes.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

    std::size_t Offset() const { return pos_; }
    bool AtEnd() const { return pos_ == data_.size(); }
    std::size_t Left() const { return data_.size() - pos_; }

    // Points `out` at the next `count` bytes and moves past them; false when fewer are left.
    bool Take(std::size_t count, const std::uint8_t*& out) {
        if (Left() < count)
            return false;
        out = data_.data() + pos_;
        pos_ += count;
        return true;
    }
    bool TakeByte(std::uint8_t& out) {
        const std::uint8_t* p = nullptr;
        if (!Take(1, p))
            return false;
        out = *p;
        return true;
    }

private:
    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
};

std::uint16_t Little16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

// Walks a chain of data sub-blocks (length byte, bytes, ..., zero-length terminator) byte by
// byte, without copying them.
class SubBlocks {
public:
    explicit SubBlocks(ByteReader& reader) : reader_(reader) {}

    // The next data byte, or -1 at the terminator or when the input ends (Truncated() then).
    int Next() {
        while (blockLeft_ == 0) {
            if (ended_ || truncated_)
                return -1;
            std::uint8_t length = 0;
            if (!reader_.TakeByte(length)) {
                truncated_ = true;
                return -1;
            }
            if (length == 0) {
                ended_ = true;
                return -1;
            }
            blockLeft_ = length;
        }
        std::uint8_t byte = 0;
        if (!reader_.TakeByte(byte)) {
            truncated_ = true;
            return -1;
        }
        --blockLeft_;
        return byte;
    }

    // Moves past everything up to and including the terminator; false when the input ends first.
    bool SkipRest() {
        while (!ended_ && !truncated_) {
            if (blockLeft_ > 0) {
                const std::uint8_t* ignored = nullptr;
                if (!reader_.Take(blockLeft_, ignored)) {
                    truncated_ = true;
                    break;
                }
                blockLeft_ = 0;
            }
            Next();
        }
        return !truncated_;
    }

    // The rest of the current sub-block (after its length byte has been read by Next()).
    std::size_t BlockLeft() const { return blockLeft_; }
    bool Truncated() const { return truncated_; }

private:
    ByteReader& reader_;
    std::size_t blockLeft_ = 0;
    bool ended_ = false;
    bool truncated_ = false;
};

// Reads `count` bytes of the sub-block chain into `out`; false when the chain holds fewer.
bool ReadFromSubBlocks(SubBlocks& blocks, std::uint8_t* out, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const int byte = blocks.Next();
        if (byte < 0)
            return false;
        out[i] = static_cast<std::uint8_t>(byte);
    }
    return true;
}

// Variable-length LZW as GIF89a defines it: codes packed least significant bit first, the code
// size growing by one bit each time the next table entry reaches 2^size, up to 12 bits.
// Appends up to `total` indices to `out`; returns an error message or an empty string.
std::string DecodeLzw(SubBlocks& blocks, int minCodeSize, std::size_t total,
                      std::vector<std::uint8_t>& out) {
    struct Entry {
        std::uint16_t prefix;
        std::uint16_t length;
        std::uint8_t suffix;
        std::uint8_t first;
    };
    std::array<Entry, kTableSize> table{};
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    for (int code = 0; code < clearCode; ++code)
        table[code] = {0, 1, static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(code)};

    int codeSize = minCodeSize + 1;
    int next = clearCode + 2;
    int previous = -1;
    std::uint32_t bits = 0;
    int bitCount = 0;

    // Writes the first part of code's string that still fits into the frame.
    auto emit = [&](int code) {
        const std::size_t length = table[code].length;
        const std::size_t start = out.size();
        const std::size_t fits = std::min(length, total - start);
        out.resize(start + fits);
        for (std::size_t i = length; i-- > 0;) {
            if (i < fits)
                out[start + i] = table[code].suffix;
            code = table[code].prefix;
        }
    };

    while (out.size() < total) {
        while (bitCount < codeSize) {
            const int byte = blocks.Next();
            if (byte < 0) {
                if (blocks.Truncated())
                    return "the file ends inside the image data";
                return "the image data ends after " + std::to_string(out.size()) + " of " +
                       std::to_string(total) + " pixels";
            }
            bits |= static_cast<std::uint32_t>(byte) << bitCount;
            bitCount += 8;
        }
        const int code = static_cast<int>(bits & ((1u << codeSize) - 1));
        bits >>= codeSize;
        bitCount -= codeSize;

        if (code == clearCode) {
            codeSize = minCodeSize + 1;
            next = clearCode + 2;
            previous = -1;
            continue;
        }
        if (code == endCode)
            return "the image data ends after " + std::to_string(out.size()) + " of " +
                   std::to_string(total) + " pixels";
        if (previous < 0) {
            if (code >= clearCode)
                return "LZW code " + std::to_string(code) + " out of range after a clear code";
            emit(code);
            previous = code;
            continue;
        }
        if (code > next || (code == next && next == kTableSize))
            return "LZW code " + std::to_string(code) + " out of range (next entry " +
                   std::to_string(next) + ")";
        if (next < kTableSize) {
            // A new entry: the previous string plus the first character of this code's string,
            // which for the code being defined right now (the KwKwK case) is the previous
            // string's own first character.
            const std::uint8_t first = code == next ? table[previous].first : table[code].first;
            table[next] = {static_cast<std::uint16_t>(previous),
                           static_cast<std::uint16_t>(table[previous].length + 1), first,
                           table[previous].first};
            ++next;
        }
        // A full table takes no entries until the encoder sends a clear code.
        emit(code);
        if (next == (1 << codeSize) && codeSize < kMaxCodeBits)
            ++codeSize;
        previous = code;
    }
    return {};
}

std::vector<std::uint32_t> ReadPalette(const std::uint8_t* bytes, std::size_t entries) {
    std::vector<std::uint32_t> palette(entries);
    for (std::size_t i = 0; i < entries; ++i)
        palette[i] = std::uint32_t{bytes[3 * i]} | (std::uint32_t{bytes[3 * i + 1]} << 8) |
                     (std::uint32_t{bytes[3 * i + 2]} << 16);
    return palette;
}

// Row order of an interlaced image: every 8th row from 0, every 8th from 4, every 4th from 2,
// every 2nd from 1.
std::vector<std::size_t> InterlacedRows(std::size_t height) {
    std::vector<std::size_t> rows;
    rows.reserve(height);
    constexpr std::size_t kStart[] = {0, 4, 2, 1};
    constexpr std::size_t kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (std::size_t y = kStart[pass]; y < height; y += kStep[pass])
            rows.push_back(y);
    return rows;
}

struct GraphicControl {
    std::uint8_t disposal = 0;
    std::uint16_t intervalMs = 0;
    bool hasTransparency = false;
    std::uint8_t transparentIndex = 0;
};

GifDecodeResult Fail(std::string message) {
    GifDecodeResult result;
    result.error = "GIF: " + std::move(message);
    return result;
}

} // namespace

bool GifPicture::HasTransparency() const {
    return std::any_of(frames.begin(), frames.end(),
                       [](const GifFrame& frame) { return frame.transparentColor.has_value(); });
}

GifDecodeResult DecodeGif(std::span<const std::uint8_t> data) {
    ByteReader reader(data);
    const std::uint8_t* header = nullptr;
    if (!reader.Take(6, header) ||
        (std::memcmp(header, "GIF87a", 6) != 0 && std::memcmp(header, "GIF89a", 6) != 0))
        return Fail("not a GIF file (bad signature)");

    GifPicture picture;
    const std::uint8_t* screen = nullptr;
    if (!reader.Take(7, screen))
        return Fail("the file ends inside the logical screen descriptor");
    picture.screenWidth = Little16(screen);
    picture.screenHeight = Little16(screen + 2);
    if (picture.screenWidth == 0 || picture.screenHeight == 0 ||
        std::uint64_t(picture.screenWidth) * std::uint64_t(picture.screenHeight) > kMaxPixels)
        return Fail("invalid logical screen size " + std::to_string(picture.screenWidth) + "x" +
                    std::to_string(picture.screenHeight));
    if (screen[4] & 0x80) {
        const std::size_t entries = std::size_t{2} << (screen[4] & 7);
        const std::uint8_t* bytes = nullptr;
        if (!reader.Take(3 * entries, bytes))
            return Fail("the file ends inside the global colour table");
        picture.globalPalette = ReadPalette(bytes, entries);
        if (screen[5] < entries)
            picture.backgroundColor = picture.globalPalette[screen[5]];
    }

    // Defaults are those of a frame without a graphic control extension.
    GraphicControl control;
    for (;;) {
        // A missing trailer after complete images is accepted.
        if (reader.AtEnd())
            break;
        const std::size_t blockOffset = reader.Offset();
        std::uint8_t introducer = 0;
        reader.TakeByte(introducer);
        if (introducer == 0x3B)
            break;

        if (introducer == 0x21) {
            std::uint8_t label = 0;
            if (!reader.TakeByte(label))
                return Fail("the file ends inside an extension");
            SubBlocks blocks(reader);
            if (label == 0xF9) {
                std::uint8_t fields[4];
                if (!ReadFromSubBlocks(blocks, fields, 4))
                    return Fail(blocks.Truncated()
                                    ? "the file ends inside a graphic control extension"
                                    : "graphic control extension shorter than 4 bytes");
                GraphicControl gce;
                gce.disposal = static_cast<std::uint8_t>((fields[0] >> 2) & 7);
                gce.hasTransparency = (fields[0] & 1) != 0;
                // The interval keeps 16 bits, as a delay of more than 655 s wraps around.
                gce.intervalMs = static_cast<std::uint16_t>(Little16(fields + 1) * 10u);
                gce.transparentIndex = fields[3];
                control = gce;
            } else if (label == 0xFF) {
                std::uint8_t identifier[11];
                const int first = blocks.Next();
                if (first >= 0 && blocks.BlockLeft() == 10) {
                    identifier[0] = static_cast<std::uint8_t>(first);
                    ReadFromSubBlocks(blocks, identifier + 1, 10);
                    if (std::memcmp(identifier, "NETSCAPE2.0", 11) == 0 ||
                        std::memcmp(identifier, "ANIMEXTS1.0", 11) == 0) {
                        std::uint8_t loop[3];
                        // The loop sub-block: 1, then the count.
                        if (blocks.Next() == 1 && blocks.BlockLeft() >= 2 &&
                            ReadFromSubBlocks(blocks, loop, 2))
                            picture.loopCount = Little16(loop);
                    }
                }
            }
            if (!blocks.SkipRest())
                return Fail("the file ends inside an extension");
            continue;
        }

        if (introducer != 0x2C)
            return Fail("unknown block " + Hex(introducer) + " at offset " +
                        std::to_string(blockOffset));

        const std::string which = "image " + std::to_string(picture.frames.size());
        const std::uint8_t* descriptor = nullptr;
        if (!reader.Take(9, descriptor))
            return Fail("the file ends inside the descriptor of " + which);
        GifFrame frame;
        frame.left = Little16(descriptor);
        frame.top = Little16(descriptor + 2);
        frame.width = Little16(descriptor + 4);
        frame.height = Little16(descriptor + 6);
        const std::uint8_t flags = descriptor[8];
        const std::uint64_t pixels = std::uint64_t(frame.width) * std::uint64_t(frame.height);
        if (pixels > kMaxPixels)
            return Fail(which + " is too large: " + std::to_string(frame.width) + "x" +
                        std::to_string(frame.height));

        std::vector<std::uint32_t> localPalette;
        if (flags & 0x80) {
            const std::size_t entries = std::size_t{2} << (flags & 7);
            const std::uint8_t* bytes = nullptr;
            if (!reader.Take(3 * entries, bytes))
                return Fail("the file ends inside the local colour table of " + which);
            localPalette = ReadPalette(bytes, entries);
        }
        const auto& palette = (flags & 0x80) ? localPalette : picture.globalPalette;

        std::uint8_t minCodeSize = 0;
        if (!reader.TakeByte(minCodeSize))
            return Fail("the file ends before the image data of " + which);
        if (minCodeSize < 2 || minCodeSize > 8)
            return Fail("invalid LZW minimum code size " + std::to_string(minCodeSize) + " in " +
                        which);

        SubBlocks blocks(reader);
        std::vector<std::uint8_t> indices;
        if (pixels > 0) {
            if (palette.empty())
                return Fail(which + " has no colour table");
            if (auto error =
                    DecodeLzw(blocks, minCodeSize, static_cast<std::size_t>(pixels), indices);
                !error.empty())
                return Fail(error + " (" + which + ")");
        }
        // Codes after the last pixel, and an absent end code, do not matter.
        if (!blocks.SkipRest())
            return Fail("the file ends inside the image data of " + which);

        frame.colors.resize(indices.size());
        const std::size_t rowLength = static_cast<std::size_t>(frame.width);
        const bool interlaced = (flags & 0x40) != 0;
        const auto rows = interlaced ? InterlacedRows(static_cast<std::size_t>(frame.height))
                                     : std::vector<std::size_t>{};
        for (std::size_t i = 0; i < indices.size(); ++i) {
            if (indices[i] >= palette.size())
                return Fail("pixel index " + std::to_string(indices[i]) +
                            " outside the colour table of " + std::to_string(palette.size()) +
                            " entries (" + which + ")");
            const std::size_t row = i / rowLength, column = i % rowLength;
            const std::size_t target = (interlaced ? rows[row] : row) * rowLength + column;
            frame.colors[target] = palette[indices[i]];
        }
        frame.disposal = control.disposal;
        frame.intervalMs = control.intervalMs;
        if (control.hasTransparency && control.transparentIndex < palette.size())
            frame.transparentColor = palette[control.transparentIndex];
        control = {};
        picture.frames.push_back(std::move(frame));
    }

    if (picture.frames.empty())
        return Fail("no image in the file");
    GifDecodeResult result;
    result.picture = std::move(picture);
    return result;
}

} // namespace veyra
