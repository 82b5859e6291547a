#include "image/PngReader.h"

#include "image/ByteReader.h"
#include "support/HexDigits.h"
#include "support/uCRC32.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

namespace veyra {
namespace {

constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::size_t kBytesPerPixel = 4;
// Output grows in steps of at least this much, up to the size the header implies.
constexpr std::size_t kInflateStep = 64 * 1024;
// zlib counts in uInt, so longer spans go through it in slices of this size.
constexpr std::size_t kZlibSlice = std::size_t{1} << 30;
// The format's four-byte numbers (chunk lengths, width, height) stop below 2^31.
constexpr std::uint32_t kMaxPngNumber = 0x7FFFFFFFu;

constexpr std::string_view kHeaderChunk = "IHDR";
constexpr std::string_view kPaletteChunk = "PLTE";
constexpr std::string_view kDataChunk = "IDAT";
constexpr std::string_view kEndChunk = "IEND";
// Bit 5 of a chunk type's first letter (lower case) marks a chunk a reader may skip.
constexpr std::uint8_t kAncillaryBit = 0x20;

// A chunk: a four-byte length, the four-letter type, the data, a four-byte CRC.
constexpr std::size_t kChunkLengthSize = 4;
constexpr std::size_t kChunkTypeSize = 4;
constexpr std::size_t kChunkCrcSize = 4;

constexpr std::size_t kHeaderLength = 13;
constexpr std::uint8_t kColorTypeRgba = 6;
constexpr std::uint8_t kBitDepth = 8;
// The format defines one compression method (deflate) and one filter method (adaptive), both 0;
// interlace method 0 is no interlacing.
constexpr std::uint8_t kDeflateMethod = 0;
constexpr std::uint8_t kAdaptiveFilterMethod = 0;
constexpr std::uint8_t kNotInterlaced = 0;

enum class RowFilter : std::uint8_t { none = 0, sub = 1, up = 2, average = 3, paeth = 4 };

struct Chunk {
    std::size_t offset = 0; // of its length field
    std::array<std::uint8_t, kChunkTypeSize> type{};
    std::span<const std::uint8_t> data;

    std::string_view Type() const {
        return {reinterpret_cast<const char*>(type.data()), type.size()};
    }
    bool IsAncillary() const { return (type[0] & kAncillaryBit) != 0; }
};

struct Header {
    std::uint32_t width = 0, height = 0;

    std::size_t RowBytes() const { return std::size_t{width} * kBytesPerPixel; }
    // The inflated image data: each row has a filter byte before its pixels. Within
    // kMaxImagePixels this stays below 2^32, so no size_t overflows.
    std::size_t FilteredSize() const { return (RowBytes() + 1) * height; }
};

bool IsLetter(std::uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Chunk types are four ASCII letters; anything else is shown escaped so messages stay readable.
std::string ChunkName(const std::array<std::uint8_t, kChunkTypeSize>& type) {
    std::string name;
    for (const std::uint8_t c : type) {
        if (IsLetter(c)) {
            name.push_back(static_cast<char>(c));
        } else {
            name += "\\x" + hex::ByteDigits(c);
        }
    }
    return name;
}

std::string AtOffset(std::size_t offset) {
    return " at offset " + std::to_string(offset);
}

// The CRC covers the chunk's type and data; the program's own CRC-32, the one it checks updates
// with, so the exe carries one implementation.
std::uint32_t ChunkCrc(const Chunk& chunk) {
    Crc32Sink crc;
    crc.Take(chunk.type.data(), chunk.type.size());
    crc.Take(chunk.data.data(), chunk.data.size());
    return crc.Value();
}

MaybeImageError ReadSignature(ByteReader& reader) {
    const auto signature = reader.TakeArray<kSignature.size()>();
    if (!signature || !std::equal(kSignature.begin(), kSignature.end(), signature->begin()))
        return ImageError{ImageErrorKind::badSignature, "not a PNG file (bad signature)"};
    return std::nullopt;
}

// Reads one chunk's frame: length, type, data and CRC, which must match. What the data means is
// left to the chunk's own step.
MaybeImageError ReadChunk(ByteReader& reader, Chunk& chunk) {
    chunk.offset = reader.Offset();
    if (reader.AtEnd())
        return ImageError{ImageErrorKind::truncated, "the file ends without an IEND chunk"};
    const auto lengthAndType = reader.TakeArray<kChunkLengthSize + kChunkTypeSize>();
    if (!lengthAndType)
        return ImageError{ImageErrorKind::truncated,
                          "truncated chunk header" + AtOffset(chunk.offset)};
    const std::uint32_t length = BigEndian32(lengthAndType->first<kChunkLengthSize>());
    const auto type = lengthAndType->last<kChunkTypeSize>();
    std::copy(type.begin(), type.end(), chunk.type.begin());
    const std::string name = ChunkName(chunk.type);
    if (length > kMaxPngNumber)
        return ImageError{ImageErrorKind::badBlock,
                          "chunk '" + name + "' has an invalid length " + std::to_string(length)};
    const auto data = reader.Take(length);
    const auto storedCrc = data ? reader.TakeArray<kChunkCrcSize>() : std::nullopt;
    if (!storedCrc)
        return ImageError{ImageErrorKind::truncated,
                          "truncated chunk '" + name + "'" + AtOffset(chunk.offset)};
    if (!std::all_of(chunk.type.begin(), chunk.type.end(), IsLetter))
        return ImageError{ImageErrorKind::badBlock,
                          "invalid chunk type '" + name + "'" + AtOffset(chunk.offset)};
    chunk.data = *data;
    if (ChunkCrc(chunk) != BigEndian32(*storedCrc))
        return ImageError{ImageErrorKind::badCrc,
                          "bad CRC in chunk '" + name + "'" + AtOffset(chunk.offset)};
    return std::nullopt;
}

MaybeImageError ReadHeader(const Chunk& chunk, Header& header) {
    if (chunk.Type() != kHeaderChunk)
        return ImageError{ImageErrorKind::badBlock,
                          "the first chunk is '" + ChunkName(chunk.type) + "', not IHDR"};
    if (chunk.data.size() != kHeaderLength)
        return ImageError{ImageErrorKind::badBlock, "IHDR has length " +
                                                        std::to_string(chunk.data.size()) +
                                                        ", not " + std::to_string(kHeaderLength)};
    const auto fields = chunk.data.first<kHeaderLength>();
    const std::uint32_t width = BigEndian32(fields.subspan<0, 4>());
    const std::uint32_t height = BigEndian32(fields.subspan<4, 4>());
    const std::uint8_t depth = fields[8], colorType = fields[9];
    const std::uint8_t compression = fields[10], filterMethod = fields[11], interlace = fields[12];
    if (width == 0 || height == 0 || width > kMaxPngNumber || height > kMaxPngNumber)
        return ImageError{ImageErrorKind::badSize, "invalid image size " + SizeText(width, height)};
    if (std::uint64_t{width} * height > kMaxImagePixels)
        return ImageError{ImageErrorKind::badSize,
                          "image size " + SizeText(width, height) + " exceeds the limit of " +
                              SizeText(kMaxImageSide, kMaxImageSide) + " pixels"};
    if (colorType != kColorTypeRgba)
        return ImageError{ImageErrorKind::unsupported,
                          "unsupported colour type " + std::to_string(colorType) +
                              " (only RGBA, colour type " + std::to_string(kColorTypeRgba) + ")"};
    if (depth != kBitDepth)
        return ImageError{ImageErrorKind::unsupported,
                          "unsupported bit depth " + std::to_string(depth) + " (only " +
                              std::to_string(kBitDepth) + " bits per channel)"};
    if (compression != kDeflateMethod || filterMethod != kAdaptiveFilterMethod)
        return ImageError{ImageErrorKind::unsupported, "unknown compression or filter method"};
    if (interlace != kNotInterlaced)
        return ImageError{ImageErrorKind::unsupported, "interlaced images are not supported"};
    header.width = width;
    header.height = height;
    return std::nullopt;
}

// Streams the IDAT payloads through inflate into a buffer that never outgrows `expected`.
class ImageDataInflater {
public:
    explicit ImageDataInflater(std::size_t expected) : expected_(expected) {}
    ~ImageDataInflater() {
        if (started_)
            inflateEnd(&stream_);
    }
    ImageDataInflater(const ImageDataInflater&) = delete;
    ImageDataInflater& operator=(const ImageDataInflater&) = delete;

    MaybeImageError Feed(std::span<const std::uint8_t> data) {
        if (!started_) {
            if (inflateInit(&stream_) != Z_OK)
                return ImageError{ImageErrorKind::outOfMemory, "zlib could not be initialised"};
            started_ = true;
        }
        for (std::size_t done = 0; done < data.size();) {
            const std::size_t slice = std::min(data.size() - done, kZlibSlice);
            if (auto error = FeedSlice(data.subspan(done, slice)))
                return error;
            done += slice;
        }
        return std::nullopt;
    }

    bool Finished() const { return finished_; }
    std::size_t Produced() const { return produced_; }
    std::vector<std::uint8_t>& Output() { return output_; }

private:
    MaybeImageError FeedSlice(std::span<const std::uint8_t> slice) {
        stream_.next_in = const_cast<Bytef*>(slice.data());
        stream_.avail_in = static_cast<uInt>(slice.size());
        for (;;) {
            if (finished_) {
                if (stream_.avail_in > 0)
                    return ImageError{
                        ImageErrorKind::tooMuchData,
                        "compressed bytes follow the end of the image data's zlib stream"};
                return std::nullopt;
            }
            std::uint8_t spare = 0;
            const bool full = produced_ == expected_;
            if (!full && produced_ == output_.size())
                Grow();
            // Once the expected bytes are there, one spare byte tells whether more would follow.
            stream_.next_out = full ? &spare : output_.data() + produced_;
            stream_.avail_out =
                full ? 1u : static_cast<uInt>(std::min(output_.size() - produced_, kZlibSlice));
            const uInt before = stream_.avail_out;
            const int status = inflate(&stream_, Z_NO_FLUSH);
            const std::size_t made = before - stream_.avail_out;
            if (full && made > 0)
                return ImageError{ImageErrorKind::tooMuchData, "too much image data: more than " +
                                                                   std::to_string(expected_) +
                                                                   " bytes"};
            produced_ += made;
            if (status == Z_STREAM_END) {
                finished_ = true;
                continue;
            }
            if (auto error = StatusError(status))
                return error;
            // All input taken and room left over: inflate waits for the next IDAT.
            if (stream_.avail_in == 0 && stream_.avail_out > 0)
                return std::nullopt;
        }
    }

    void Grow() {
        const std::size_t grown = std::max(output_.size() * 2, kInflateStep);
        output_.resize(std::min(grown, expected_));
    }

    // What an inflate status other than the end of the stream means; nothing when it may go on.
    MaybeImageError StatusError(int status) const {
        switch (status) {
        case Z_OK:
        case Z_BUF_ERROR:
            return std::nullopt;
        case Z_NEED_DICT:
            return ImageError{ImageErrorKind::corruptData,
                              "corrupt image data: the zlib stream asks for a preset dictionary"};
        case Z_DATA_ERROR:
            return ImageError{ImageErrorKind::corruptData,
                              std::string("corrupt image data: ") +
                                  (stream_.msg ? stream_.msg : "bad zlib stream")};
        case Z_MEM_ERROR:
            return ImageError{ImageErrorKind::outOfMemory,
                              "out of memory while inflating the image data"};
        default:
            return ImageError{ImageErrorKind::corruptData,
                              "zlib failed with status " + std::to_string(status)};
        }
    }

    z_stream stream_{};
    bool started_ = false;
    bool finished_ = false;
    std::size_t expected_;
    std::size_t produced_ = 0;
    std::vector<std::uint8_t> output_;
};

// The steps after the signature, chunk by chunk: IHDR first and only once, IDAT chunks one after
// the other into the inflater, PLTE and ancillary chunks skipped, IEND last.
class ChunkSteps {
public:
    MaybeImageError Read(const Chunk& chunk) {
        if (!inflater_)
            return ReadFirst(chunk);
        if (chunk.Type() == kHeaderChunk)
            return ImageError{ImageErrorKind::badBlock, "a second IHDR chunk"};
        if (chunk.Type() == kDataChunk)
            return ReadData(chunk);
        if (seenData_)
            dataEnded_ = true;
        return ReadOther(chunk);
    }

    bool Ended() const { return seenEnd_; }
    const Header& ImageHeader() const { return header_; }

    // After IEND: the image data must have been there, whole.
    MaybeImageError CheckImageDataComplete() const {
        if (!seenData_)
            return ImageError{ImageErrorKind::noImage, "no image data (IDAT)"};
        const std::size_t expected = header_.FilteredSize();
        if (inflater_->Produced() < expected || !inflater_->Finished())
            return ImageError{
                ImageErrorKind::tooLittleData,
                "image data ends early: " + std::to_string(inflater_->Produced()) + " of " +
                    std::to_string(expected) + " bytes" +
                    (inflater_->Finished() ? "" : " and the zlib stream is incomplete")};
        return std::nullopt;
    }

    std::vector<std::uint8_t>& FilteredRows() { return inflater_->Output(); }

private:
    MaybeImageError ReadFirst(const Chunk& chunk) {
        if (auto error = ReadHeader(chunk, header_))
            return error;
        inflater_.emplace(header_.FilteredSize());
        return std::nullopt;
    }

    MaybeImageError ReadData(const Chunk& chunk) {
        if (dataEnded_)
            return ImageError{ImageErrorKind::badBlock, "IDAT chunks are not consecutive"};
        seenData_ = true;
        return inflater_->Feed(chunk.data);
    }

    MaybeImageError ReadOther(const Chunk& chunk) {
        if (chunk.Type() == kEndChunk) {
            seenEnd_ = true;
            return std::nullopt;
        }
        // A suggested palette means nothing for RGBA; ancillary chunks are not used.
        if (chunk.Type() == kPaletteChunk || chunk.IsAncillary())
            return std::nullopt;
        return ImageError{ImageErrorKind::unsupported,
                          "unknown critical chunk '" + ChunkName(chunk.type) + "'"};
    }

    Header header_;
    std::optional<ImageDataInflater> inflater_; // made once the header is read
    bool seenData_ = false, dataEnded_ = false, seenEnd_ = false;
};

std::uint8_t Paeth(std::uint8_t a, std::uint8_t b, std::uint8_t c) {
    const int p = int{a} + int{b} - int{c};
    const int pa = std::abs(p - int{a});
    const int pb = std::abs(p - int{b});
    const int pc = std::abs(p - int{c});
    if (pa <= pb && pa <= pc)
        return a;
    return pb <= pc ? b : c;
}

// The filters' neighbours; bytes before the row's start or above the first row count as 0.
std::uint8_t Left(std::span<const std::uint8_t> row, std::size_t i) {
    return i >= kBytesPerPixel ? row[i - kBytesPerPixel] : 0;
}
std::uint8_t Up(std::span<const std::uint8_t> above, std::size_t i) {
    return above.empty() ? 0 : above[i];
}
std::uint8_t UpLeft(std::span<const std::uint8_t> above, std::size_t i) {
    return above.empty() ? 0 : Left(above, i);
}

// Reverses one row's filter in place; `above` is the row before, already unfiltered, or empty
// for the first row. False for an unknown filter.
bool UnfilterScanline(std::uint8_t filter, std::span<std::uint8_t> row,
                      std::span<const std::uint8_t> above) {
    const auto predict = [&](auto predictor) {
        for (std::size_t i = 0; i < row.size(); ++i)
            row[i] = static_cast<std::uint8_t>(row[i] + predictor(i));
    };
    switch (static_cast<RowFilter>(filter)) {
    case RowFilter::none:
        return true;
    case RowFilter::sub:
        predict([&](std::size_t i) { return Left(row, i); });
        return true;
    case RowFilter::up:
        predict([&](std::size_t i) { return Up(above, i); });
        return true;
    case RowFilter::average:
        predict([&](std::size_t i) { return (unsigned{Left(row, i)} + Up(above, i)) / 2; });
        return true;
    case RowFilter::paeth:
        predict([&](std::size_t i) { return Paeth(Left(row, i), Up(above, i), UpLeft(above, i)); });
        return true;
    }
    return false;
}

// Reverses the row filters in place; `filtered` holds each row's filter byte and pixels.
MaybeImageError UnfilterRows(std::span<std::uint8_t> filtered, const Header& header) {
    const std::size_t rowBytes = header.RowBytes(), stride = rowBytes + 1;
    std::span<const std::uint8_t> above;
    for (std::size_t y = 0; y < header.height; ++y) {
        const std::uint8_t filter = filtered[y * stride];
        const auto row = filtered.subspan(y * stride + 1, rowBytes);
        if (!UnfilterScanline(filter, row, above))
            return ImageError{ImageErrorKind::corruptData, "unknown row filter " +
                                                               std::to_string(filter) + " in row " +
                                                               std::to_string(y)};
        above = row;
    }
    return std::nullopt;
}

// The image without the filter bytes.
RgbaImage StripFilterBytes(std::span<const std::uint8_t> filtered, const Header& header) {
    const std::size_t stride = header.RowBytes() + 1;
    RgbaImage image;
    image.width = static_cast<int>(header.width);
    image.height = static_cast<int>(header.height);
    image.pixels.resize(std::size_t{header.width} * header.height);
    auto target = image.pixels.begin();
    for (std::size_t y = 0; y < header.height; ++y) {
        const std::uint8_t* p = filtered.data() + y * stride + 1;
        for (std::size_t x = 0; x < header.width; ++x, p += kBytesPerPixel, ++target)
            *target = Rgba{p[0], p[1], p[2], p[3]};
    }
    return image;
}

DecodeResult<RgbaImage> Fail(ImageError error) {
    return Refusal<RgbaImage>("PNG", std::move(error));
}

} // namespace

DecodeResult<RgbaImage> DecodePng(std::span<const std::uint8_t> data) {
    ByteReader reader(data);
    if (auto error = ReadSignature(reader))
        return Fail(std::move(*error));
    ChunkSteps steps;
    while (!steps.Ended()) {
        Chunk chunk;
        if (auto error = ReadChunk(reader, chunk))
            return Fail(std::move(*error));
        if (auto error = steps.Read(chunk))
            return Fail(std::move(*error));
    }
    if (auto error = steps.CheckImageDataComplete())
        return Fail(std::move(*error));
    auto& filtered = steps.FilteredRows();
    if (auto error = UnfilterRows(filtered, steps.ImageHeader()))
        return Fail(std::move(*error));
    DecodeResult<RgbaImage> result;
    result.value = StripFilterBytes(filtered, steps.ImageHeader());
    return result;
}

} // namespace veyra
