#include "image/GifReader.h"

#include "image/ByteReader.h"
#include "support/HexDigits.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

namespace veyra {
namespace {

constexpr std::string_view kSignatures[] = {"GIF87a", "GIF89a"};
constexpr std::size_t kSignatureSize = 6;
constexpr std::size_t kScreenDescriptorSize = 7;
constexpr std::size_t kImageDescriptorSize = 9;

// The byte that starts each block after the logical screen, and the extensions' labels.
constexpr std::uint8_t kExtensionIntroducer = 0x21;
constexpr std::uint8_t kImageSeparator = 0x2C;
constexpr std::uint8_t kTrailer = 0x3B;
constexpr std::uint8_t kGraphicControlLabel = 0xF9;
constexpr std::uint8_t kApplicationLabel = 0xFF;

// Packed fields of the screen and image descriptors.
constexpr std::uint8_t kColorTableFlag = 0x80;
constexpr std::uint8_t kInterlaceFlag = 0x40;
constexpr std::uint8_t kColorTableSizeBits = 0x07;

// The graphic control extension's fields and its packed byte.
constexpr std::size_t kGraphicControlSize = 4;
constexpr std::uint8_t kTransparencyFlag = 0x01;
constexpr int kDisposalShift = 2;
constexpr std::uint8_t kDisposalBits = 0x07;
// Delays count hundredths of a second.
constexpr unsigned kMsPerDelayUnit = 10;

// Application extensions that carry a loop count: an identifier sub-block of this size, then a
// sub-block starting with kLoopSubBlockId and the count.
constexpr std::string_view kLoopApplications[] = {"NETSCAPE2.0", "ANIMEXTS1.0"};
constexpr std::size_t kApplicationIdSize = 11;
constexpr int kLoopSubBlockId = 1;

constexpr int kMinCodeSizeLow = 2;
constexpr int kMinCodeSizeHigh = 8;
constexpr int kMaxCodeBits = 12;
constexpr int kTableSize = 1 << kMaxCodeBits;

std::string ImageName(std::size_t index) {
    return "image " + std::to_string(index);
}

ImageError Truncated(std::string where) {
    return {ImageErrorKind::truncated, "the file ends " + std::move(where)};
}

bool StartsWith(std::span<const std::uint8_t> bytes, std::string_view text) {
    return bytes.size() >= text.size() && std::equal(text.begin(), text.end(), bytes.begin());
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
            const auto length = reader_.TakeByte();
            if (!length) {
                truncated_ = true;
                return -1;
            }
            if (*length == 0) {
                ended_ = true;
                return -1;
            }
            blockLeft_ = *length;
        }
        const auto byte = reader_.TakeByte();
        if (!byte) {
            truncated_ = true;
            return -1;
        }
        --blockLeft_;
        return *byte;
    }

    // Moves past everything up to and including the terminator; false when the input ends first.
    bool SkipRest() {
        while (!ended_ && !truncated_) {
            if (blockLeft_ > 0) {
                if (!reader_.Skip(blockLeft_)) {
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

// Fills `out` from the sub-block chain; false when the chain holds fewer bytes.
bool ReadFromSubBlocks(SubBlocks& blocks, std::span<std::uint8_t> out) {
    for (std::uint8_t& target : out) {
        const int byte = blocks.Next();
        if (byte < 0)
            return false;
        target = static_cast<std::uint8_t>(byte);
    }
    return true;
}

// Variable-length LZW as GIF89a defines it: codes packed least significant bit first, the code
// size growing by one bit each time the next table entry reaches 2^size, up to 12 bits.
class LzwDecoder {
public:
    explicit LzwDecoder(int minCodeSize)
        : minCodeSize_(minCodeSize), clearCode_(1 << minCodeSize), endCode_(clearCode_ + 1) {
        for (int code = 0; code < clearCode_; ++code)
            table_[code] = {0, 1, static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(code)};
        Clear();
    }

    // Appends indices to `out` until it holds `total`.
    MaybeImageError Decode(SubBlocks& blocks, std::size_t total, std::vector<std::uint8_t>& out) {
        while (out.size() < total) {
            const int code = ReadCode(blocks);
            if (code < 0 && blocks.Truncated())
                return Truncated("inside the image data");
            if (code < 0 || code == endCode_)
                return ImageError{ImageErrorKind::tooLittleData,
                                  "the image data ends after " + std::to_string(out.size()) +
                                      " of " + std::to_string(total) + " pixels"};
            if (code == clearCode_) {
                Clear();
                continue;
            }
            if (auto error = CheckCode(code))
                return error;
            if (previous_ >= 0)
                AddEntry(code);
            Emit(code, total, out);
            if (next_ == (1 << codeSize_) && codeSize_ < kMaxCodeBits)
                ++codeSize_;
            previous_ = code;
        }
        return std::nullopt;
    }

private:
    struct Entry {
        std::uint16_t prefix;
        std::uint16_t length;
        std::uint8_t suffix;
        std::uint8_t first;
    };

    void Clear() {
        codeSize_ = minCodeSize_ + 1;
        next_ = clearCode_ + 2;
        previous_ = -1;
    }

    // The next code, or -1 when the sub-blocks end first.
    int ReadCode(SubBlocks& blocks) {
        while (bitCount_ < codeSize_) {
            const int byte = blocks.Next();
            if (byte < 0)
                return -1;
            bits_ |= static_cast<std::uint32_t>(byte) << bitCount_;
            bitCount_ += 8;
        }
        const int code = static_cast<int>(bits_ & ((1u << codeSize_) - 1));
        bits_ >>= codeSize_;
        bitCount_ -= codeSize_;
        return code;
    }

    // A code may name a colour, an entry made so far, or (the KwKwK case) the entry this very
    // code defines; right after a clear only colours are possible.
    MaybeImageError CheckCode(int code) const {
        if (previous_ < 0 && code >= clearCode_)
            return ImageError{ImageErrorKind::badLzwCode, "LZW code " + std::to_string(code) +
                                                              " out of range after a clear code"};
        if (previous_ >= 0 && (code > next_ || (code == next_ && next_ == kTableSize)))
            return ImageError{ImageErrorKind::badLzwCode, "LZW code " + std::to_string(code) +
                                                              " out of range (next entry " +
                                                              std::to_string(next_) + ")"};
        return std::nullopt;
    }

    // A new entry: the previous string plus the first character of this code's string, which for
    // the code being defined right now (the KwKwK case) is the previous string's own first
    // character. A full table takes no entries until the encoder sends a clear code.
    void AddEntry(int code) {
        if (next_ == kTableSize)
            return;
        const std::uint8_t first = code == next_ ? table_[previous_].first : table_[code].first;
        table_[next_] = {static_cast<std::uint16_t>(previous_),
                         static_cast<std::uint16_t>(table_[previous_].length + 1), first,
                         table_[previous_].first};
        ++next_;
    }

    // Writes the first part of code's string that still fits into the frame.
    void Emit(int code, std::size_t total, std::vector<std::uint8_t>& out) const {
        const std::size_t length = table_[code].length;
        const std::size_t start = out.size();
        const std::size_t fits = std::min(length, total - start);
        out.resize(start + fits);
        for (std::size_t i = length; i-- > 0;) {
            if (i < fits)
                out[start + i] = table_[code].suffix;
            code = table_[code].prefix;
        }
    }

    std::array<Entry, kTableSize> table_{};
    int minCodeSize_, clearCode_, endCode_;
    int codeSize_ = 0, next_ = 0, previous_ = -1;
    std::uint32_t bits_ = 0;
    int bitCount_ = 0;
};

std::vector<Rgb> ReadPalette(std::span<const std::uint8_t> bytes) {
    std::vector<Rgb> palette(bytes.size() / 3);
    for (std::size_t i = 0; i < palette.size(); ++i)
        palette[i] = Rgb{bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]};
    return palette;
}

// The colour table a packed field announces (empty when its flag is clear); nothing when the file
// ends inside it.
std::optional<std::vector<Rgb>> ReadColorTable(ByteReader& reader, std::uint8_t packed) {
    if (!(packed & kColorTableFlag))
        return std::vector<Rgb>{};
    const std::size_t entries = std::size_t{2} << (packed & kColorTableSizeBits);
    const auto bytes = reader.Take(3 * entries);
    if (!bytes)
        return std::nullopt;
    return ReadPalette(*bytes);
}

MaybeImageError ReadSignature(ByteReader& reader) {
    const auto signature = reader.Take(kSignatureSize);
    if (!signature || std::none_of(std::begin(kSignatures), std::end(kSignatures),
                                   [&](std::string_view s) { return StartsWith(*signature, s); }))
        return ImageError{ImageErrorKind::badSignature, "not a GIF file (bad signature)"};
    return std::nullopt;
}

// The logical screen descriptor and the global colour table.
MaybeImageError ReadScreen(ByteReader& reader, GifPicture& picture) {
    const auto screen = reader.TakeArray<kScreenDescriptorSize>();
    if (!screen)
        return Truncated("inside the logical screen descriptor");
    picture.screenWidth = Little16(screen->subspan<0, 2>());
    picture.screenHeight = Little16(screen->subspan<2, 2>());
    const std::uint8_t packed = (*screen)[4], background = (*screen)[5];
    if (picture.screenWidth == 0 || picture.screenHeight == 0 ||
        std::uint64_t(picture.screenWidth) * std::uint64_t(picture.screenHeight) > kMaxImagePixels)
        return ImageError{ImageErrorKind::badSize,
                          "invalid logical screen size " +
                              SizeText(picture.screenWidth, picture.screenHeight)};
    auto table = ReadColorTable(reader, packed);
    if (!table)
        return Truncated("inside the global colour table");
    picture.globalPalette = std::move(*table);
    if (background < picture.globalPalette.size())
        picture.backgroundColor = picture.globalPalette[background];
    return std::nullopt;
}

struct GraphicControl {
    std::uint8_t disposal = 0;
    std::uint16_t intervalMs = 0;
    bool hasTransparency = false;
    std::uint8_t transparentIndex = 0;
};

MaybeImageError ReadGraphicControl(SubBlocks& blocks, GraphicControl& control) {
    std::array<std::uint8_t, kGraphicControlSize> fields{};
    if (!ReadFromSubBlocks(blocks, fields)) {
        if (blocks.Truncated())
            return Truncated("inside a graphic control extension");
        return ImageError{ImageErrorKind::badBlock, "graphic control extension shorter than " +
                                                        std::to_string(kGraphicControlSize) +
                                                        " bytes"};
    }
    const std::uint8_t packed = fields[0];
    control.disposal = static_cast<std::uint8_t>((packed >> kDisposalShift) & kDisposalBits);
    control.hasTransparency = (packed & kTransparencyFlag) != 0;
    // The interval keeps 16 bits, as a delay of more than 655 s wraps around.
    control.intervalMs = static_cast<std::uint16_t>(
        Little16(std::span<const std::uint8_t, kGraphicControlSize>(fields).subspan<1, 2>()) *
        kMsPerDelayUnit);
    control.transparentIndex = fields[3];
    return std::nullopt;
}

// Takes the loop count from a NETSCAPE2.0 or ANIMEXTS1.0 extension; other applications, and loop
// sub-blocks of another form, are left alone.
void ReadApplicationExtension(SubBlocks& blocks, GifPicture& picture) {
    std::array<std::uint8_t, kApplicationIdSize> identifier{};
    const int first = blocks.Next();
    if (first < 0 || blocks.BlockLeft() != identifier.size() - 1)
        return;
    identifier[0] = static_cast<std::uint8_t>(first);
    if (!ReadFromSubBlocks(blocks, std::span(identifier).subspan(1)))
        return;
    if (std::none_of(std::begin(kLoopApplications), std::end(kLoopApplications),
                     [&](std::string_view name) { return StartsWith(identifier, name); }))
        return;
    std::array<std::uint8_t, 2> loop{};
    if (blocks.Next() == kLoopSubBlockId && blocks.BlockLeft() >= loop.size() &&
        ReadFromSubBlocks(blocks, loop))
        picture.loopCount = Little16(loop);
}

// An extension after its introducer. Only the graphic control and the loop count are used; the
// rest is skipped sub-block by sub-block.
MaybeImageError ReadExtension(ByteReader& reader, GifPicture& picture, GraphicControl& control) {
    const auto label = reader.TakeByte();
    if (!label)
        return Truncated("inside an extension");
    SubBlocks blocks(reader);
    if (*label == kGraphicControlLabel) {
        if (auto error = ReadGraphicControl(blocks, control))
            return error;
    } else if (*label == kApplicationLabel) {
        ReadApplicationExtension(blocks, picture);
    }
    if (!blocks.SkipRest())
        return Truncated("inside an extension");
    return std::nullopt;
}

// The image descriptor after its separator: the frame's rectangle and the packed field.
MaybeImageError ReadImageDescriptor(ByteReader& reader, std::size_t index, GifFrame& frame,
                                    std::uint8_t& packed) {
    const auto descriptor = reader.TakeArray<kImageDescriptorSize>();
    if (!descriptor)
        return Truncated("inside the descriptor of " + ImageName(index));
    frame.left = Little16(descriptor->subspan<0, 2>());
    frame.top = Little16(descriptor->subspan<2, 2>());
    frame.width = Little16(descriptor->subspan<4, 2>());
    frame.height = Little16(descriptor->subspan<6, 2>());
    packed = (*descriptor)[8];
    if (std::uint64_t(frame.width) * std::uint64_t(frame.height) > kMaxImagePixels)
        return ImageError{ImageErrorKind::badSize, ImageName(index) + " is too large: " +
                                                       SizeText(frame.width, frame.height)};
    return std::nullopt;
}

// The minimum code size and the LZW data in its sub-blocks, decoded into one palette index per
// pixel of the frame.
MaybeImageError ReadImageData(ByteReader& reader, std::size_t index, const GifFrame& frame,
                              const std::vector<Rgb>& palette, std::vector<std::uint8_t>& indices) {
    const auto minCodeSize = reader.TakeByte();
    if (!minCodeSize)
        return Truncated("before the image data of " + ImageName(index));
    if (*minCodeSize < kMinCodeSizeLow || *minCodeSize > kMinCodeSizeHigh)
        return ImageError{ImageErrorKind::badLzwCode, "invalid LZW minimum code size " +
                                                          std::to_string(*minCodeSize) + " in " +
                                                          ImageName(index)};
    SubBlocks blocks(reader);
    const auto pixels = static_cast<std::size_t>(frame.width) * frame.height;
    if (pixels > 0) {
        if (palette.empty())
            return ImageError{ImageErrorKind::missingColorTable,
                              ImageName(index) + " has no colour table"};
        LzwDecoder lzw(*minCodeSize);
        if (auto error = lzw.Decode(blocks, pixels, indices)) {
            error->message += " (" + ImageName(index) + ")";
            return error;
        }
    }
    // Codes after the last pixel, and an absent end code, do not matter.
    if (!blocks.SkipRest())
        return Truncated("inside the image data of " + ImageName(index));
    return std::nullopt;
}

// Rows of an image in the order its data brings them: top-down, or for an interlaced image every
// 8th row from 0, every 8th from 4, every 4th from 2, every 2nd from 1.
struct RowPass {
    std::size_t start, step;
};
constexpr RowPass kPlainRows[] = {{0, 1}};
constexpr RowPass kInterlacedRows[] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};

// Gives every pixel its palette colour, each row in its place.
MaybeImageError ColorPixels(std::span<const std::uint8_t> indices, const std::vector<Rgb>& palette,
                            bool interlaced, GifFrame& frame) {
    const auto width = static_cast<std::size_t>(frame.width);
    const auto height = static_cast<std::size_t>(frame.height);
    const std::span<const RowPass> passes = interlaced ? std::span<const RowPass>(kInterlacedRows)
                                                       : std::span<const RowPass>(kPlainRows);
    frame.colors.resize(indices.size());
    auto source = indices.begin();
    for (const RowPass& pass : passes) {
        for (std::size_t y = pass.start; y < height; y += pass.step) {
            auto target = frame.colors.begin() + static_cast<std::ptrdiff_t>(y * width);
            for (std::size_t x = 0; x < width; ++x, ++source, ++target) {
                if (*source >= palette.size())
                    return ImageError{ImageErrorKind::colorIndexOutOfRange,
                                      "pixel index " + std::to_string(*source) +
                                          " outside the colour table of " +
                                          std::to_string(palette.size()) + " entries"};
                *target = palette[*source];
            }
        }
    }
    return std::nullopt;
}

// A graphic control extension applies to the image that follows it.
void ApplyGraphicControl(const GraphicControl& control, const std::vector<Rgb>& palette,
                         GifFrame& frame) {
    frame.disposal = control.disposal;
    frame.intervalMs = control.intervalMs;
    if (control.hasTransparency && control.transparentIndex < palette.size())
        frame.transparentColor = palette[control.transparentIndex];
}

// An image after its separator: descriptor, local colour table, image data.
MaybeImageError ReadImage(ByteReader& reader, GifPicture& picture, const GraphicControl& control) {
    const std::size_t index = picture.frames.size();
    GifFrame frame;
    std::uint8_t packed = 0;
    if (auto error = ReadImageDescriptor(reader, index, frame, packed))
        return error;
    const auto localTable = ReadColorTable(reader, packed);
    if (!localTable)
        return Truncated("inside the local colour table of " + ImageName(index));
    const auto& palette = (packed & kColorTableFlag) ? *localTable : picture.globalPalette;
    std::vector<std::uint8_t> indices;
    if (auto error = ReadImageData(reader, index, frame, palette, indices))
        return error;
    if (auto error = ColorPixels(indices, palette, (packed & kInterlaceFlag) != 0, frame)) {
        error->message += " (" + ImageName(index) + ")";
        return error;
    }
    ApplyGraphicControl(control, palette, frame);
    picture.frames.push_back(std::move(frame));
    return std::nullopt;
}

// The blocks after the logical screen, up to the trailer or the end of the input: a missing
// trailer after complete images is accepted.
MaybeImageError ReadBlocks(ByteReader& reader, GifPicture& picture) {
    // Defaults are those of a frame without a graphic control extension.
    GraphicControl control;
    while (const auto introducer = reader.TakeByte()) {
        switch (*introducer) {
        case kTrailer:
            return std::nullopt;
        case kExtensionIntroducer:
            if (auto error = ReadExtension(reader, picture, control))
                return error;
            break;
        case kImageSeparator:
            if (auto error = ReadImage(reader, picture, control))
                return error;
            control = {};
            break;
        default:
            return ImageError{ImageErrorKind::badBlock,
                              "unknown block 0x" + hex::ByteDigits(*introducer) + " at offset " +
                                  std::to_string(reader.Offset() - 1)};
        }
    }
    return std::nullopt;
}

DecodeResult<GifPicture> Fail(ImageError error) {
    return Refusal<GifPicture>("GIF", std::move(error));
}

} // namespace

bool GifPicture::HasTransparency() const {
    return std::any_of(frames.begin(), frames.end(),
                       [](const GifFrame& frame) { return frame.transparentColor.has_value(); });
}

DecodeResult<GifPicture> DecodeGif(std::span<const std::uint8_t> data) {
    ByteReader reader(data);
    GifPicture picture;
    if (auto error = ReadSignature(reader))
        return Fail(std::move(*error));
    if (auto error = ReadScreen(reader, picture))
        return Fail(std::move(*error));
    if (auto error = ReadBlocks(reader, picture))
        return Fail(std::move(*error));
    if (picture.frames.empty())
        return Fail({ImageErrorKind::noImage, "no image in the file"});
    DecodeResult<GifPicture> result;
    result.value = std::move(picture);
    return result;
}

} // namespace veyra
