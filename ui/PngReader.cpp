#include "ui/PngReader.h"

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

std::uint32_t ReadBigEndian32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

// Chunk types are four ASCII letters; anything else is shown escaped so messages stay readable.
std::string ChunkName(const std::uint8_t* type) {
    std::string name;
    for (int i = 0; i < 4; ++i) {
        const char c = static_cast<char>(type[i]);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
            name.push_back(c);
        } else {
            static constexpr char kHex[] = "0123456789abcdef";
            name += "\\x";
            name.push_back(kHex[type[i] >> 4]);
            name.push_back(kHex[type[i] & 0xF]);
        }
    }
    return name;
}

bool IsLetter(std::uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
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

    // Returns an error message, or an empty string.
    std::string Feed(const std::uint8_t* data, std::size_t size) {
        if (!started_) {
            if (inflateInit(&stream_) != Z_OK)
                return "zlib could not be initialised";
            started_ = true;
        }
        // zlib counts in uInt; feed huge chunks in slices.
        while (size > 0) {
            const std::size_t slice = std::min<std::size_t>(size, 1u << 30);
            if (auto error = FeedSlice(data, slice); !error.empty())
                return error;
            data += slice;
            size -= slice;
        }
        return {};
    }

    bool Finished() const { return finished_; }
    std::size_t Produced() const { return produced_; }
    std::vector<std::uint8_t>& Output() { return output_; }

private:
    std::string FeedSlice(const std::uint8_t* data, std::size_t size) {
        stream_.next_in = const_cast<Bytef*>(data);
        stream_.avail_in = static_cast<uInt>(size);
        for (;;) {
            if (finished_) {
                if (stream_.avail_in > 0)
                    return "compressed bytes follow the end of the image data's zlib stream";
                return {};
            }
            std::uint8_t spare = 0;
            const bool full = produced_ == expected_;
            if (!full && produced_ == output_.size()) {
                const std::size_t grown = std::max(output_.size() * 2, kInflateStep);
                output_.resize(std::min(grown, expected_));
            }
            // Once the expected bytes are there, one spare byte tells whether more would follow.
            stream_.next_out = full ? &spare : output_.data() + produced_;
            stream_.avail_out = full ? 1u
                                     : static_cast<uInt>(std::min<std::size_t>(
                                           output_.size() - produced_, 1u << 30));
            const uInt before = stream_.avail_out;
            const int status = inflate(&stream_, Z_NO_FLUSH);
            const std::size_t made = before - stream_.avail_out;
            if (full && made > 0)
                return "too much image data: more than " + std::to_string(expected_) + " bytes";
            produced_ += made;
            if (status == Z_STREAM_END) {
                finished_ = true;
                continue;
            }
            if (status == Z_NEED_DICT)
                return "corrupt image data: the zlib stream asks for a preset dictionary";
            if (status == Z_DATA_ERROR)
                return std::string("corrupt image data: ") +
                       (stream_.msg ? stream_.msg : "bad zlib stream");
            if (status == Z_MEM_ERROR)
                return "out of memory while inflating the image data";
            if (status != Z_OK && status != Z_BUF_ERROR)
                return "zlib failed with status " + std::to_string(status);
            // All input taken and room left over: inflate waits for the next IDAT.
            if (stream_.avail_in == 0 && stream_.avail_out > 0)
                return {};
        }
    }

    z_stream stream_{};
    bool started_ = false;
    bool finished_ = false;
    std::size_t expected_;
    std::size_t produced_ = 0;
    std::vector<std::uint8_t> output_;
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

// Reverses the row filters in place; `raw` holds height rows of one filter byte and the pixels.
std::string Unfilter(std::vector<std::uint8_t>& raw, std::size_t rowBytes, std::size_t height) {
    const std::size_t stride = rowBytes + 1;
    for (std::size_t y = 0; y < height; ++y) {
        std::uint8_t* row = raw.data() + y * stride + 1;
        const std::uint8_t* above = y > 0 ? raw.data() + (y - 1) * stride + 1 : nullptr;
        const std::uint8_t filter = row[-1];
        switch (filter) {
        case 0:
            break;
        case 1:
            for (std::size_t i = kBytesPerPixel; i < rowBytes; ++i)
                row[i] = static_cast<std::uint8_t>(row[i] + row[i - kBytesPerPixel]);
            break;
        case 2:
            if (above)
                for (std::size_t i = 0; i < rowBytes; ++i)
                    row[i] = static_cast<std::uint8_t>(row[i] + above[i]);
            break;
        case 3:
            for (std::size_t i = 0; i < rowBytes; ++i) {
                const unsigned left = i >= kBytesPerPixel ? row[i - kBytesPerPixel] : 0;
                const unsigned up = above ? above[i] : 0;
                row[i] = static_cast<std::uint8_t>(row[i] + (left + up) / 2);
            }
            break;
        case 4:
            for (std::size_t i = 0; i < rowBytes; ++i) {
                const std::uint8_t left = i >= kBytesPerPixel ? row[i - kBytesPerPixel] : 0;
                const std::uint8_t up = above ? above[i] : 0;
                const std::uint8_t upLeft =
                    above && i >= kBytesPerPixel ? above[i - kBytesPerPixel] : 0;
                row[i] = static_cast<std::uint8_t>(row[i] + Paeth(left, up, upLeft));
            }
            break;
        default:
            return "unknown row filter " + std::to_string(filter) + " in row " + std::to_string(y);
        }
    }
    return {};
}

PngDecodeResult Fail(std::string message) {
    PngDecodeResult result;
    result.error = "PNG: " + std::move(message);
    return result;
}

} // namespace

PngDecodeResult DecodePng(std::span<const std::uint8_t> data) {
    if (data.size() < kSignature.size() ||
        !std::equal(kSignature.begin(), kSignature.end(), data.begin()))
        return Fail("not a PNG file (bad signature)");

    std::size_t offset = kSignature.size();
    std::uint32_t width = 0, height = 0;
    std::size_t rowBytes = 0;
    std::optional<ImageDataInflater> inflater;
    bool seenHeader = false, seenData = false, dataEnded = false, seenEnd = false;

    while (!seenEnd) {
        const std::size_t left = data.size() - offset;
        if (left == 0)
            return Fail("the file ends without an IEND chunk");
        if (left < 8)
            return Fail("truncated chunk header at offset " + std::to_string(offset));
        const std::uint8_t* header = data.data() + offset;
        const std::uint32_t length = ReadBigEndian32(header);
        const std::uint8_t* type = header + 4;
        const std::string name = ChunkName(type);
        if (length > 0x7FFFFFFFu)
            return Fail("chunk '" + name + "' has an invalid length " + std::to_string(length));
        if (length > left - 8 || left - 8 - length < 4)
            return Fail("truncated chunk '" + name + "' at offset " + std::to_string(offset));
        for (int i = 0; i < 4; ++i)
            if (!IsLetter(type[i]))
                return Fail("invalid chunk type '" + name + "' at offset " +
                            std::to_string(offset));
        const std::uint8_t* body = header + 8;
        const std::uint32_t stored = ReadBigEndian32(body + length);
        // The CRC covers the type and the data; zlib counts in uInt, so go in slices.
        uLong crc = crc32(0L, type, 4);
        for (std::size_t done = 0; done < length;) {
            const std::size_t slice = std::min<std::size_t>(length - done, 1u << 30);
            crc = crc32(crc, body + done, static_cast<uInt>(slice));
            done += slice;
        }
        if (static_cast<std::uint32_t>(crc) != stored)
            return Fail("bad CRC in chunk '" + name + "' at offset " + std::to_string(offset));
        offset += std::size_t{length} + 12;

        const std::string_view kind(reinterpret_cast<const char*>(type), 4);
        if (!seenHeader) {
            if (kind != "IHDR")
                return Fail("the first chunk is '" + name + "', not IHDR");
            if (length != 13)
                return Fail("IHDR has length " + std::to_string(length) + ", not 13");
            width = ReadBigEndian32(body);
            height = ReadBigEndian32(body + 4);
            const std::uint8_t depth = body[8], colorType = body[9];
            const std::uint8_t compression = body[10], filterMethod = body[11];
            const std::uint8_t interlace = body[12];
            if (width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu)
                return Fail("invalid image size " + std::to_string(width) + "x" +
                            std::to_string(height));
            if (std::uint64_t{width} * height > kPngMaxPixels)
                return Fail("image size " + std::to_string(width) + "x" + std::to_string(height) +
                            " exceeds the limit of 16384x16384 pixels");
            if (colorType != 6)
                return Fail("unsupported colour type " + std::to_string(colorType) +
                            " (only RGBA, colour type 6)");
            if (depth != 8)
                return Fail("unsupported bit depth " + std::to_string(depth) +
                            " (only 8 bits per channel)");
            if (compression != 0 || filterMethod != 0)
                return Fail("unknown compression or filter method");
            if (interlace != 0)
                return Fail("interlaced images are not supported");
            seenHeader = true;
            // Below 2^28 pixels all of this fits in 32 bits, so no size_t overflows.
            rowBytes = std::size_t{width} * kBytesPerPixel;
            inflater.emplace((rowBytes + 1) * height);
            continue;
        }
        if (kind == "IHDR")
            return Fail("a second IHDR chunk");
        if (kind == "IDAT") {
            if (dataEnded)
                return Fail("IDAT chunks are not consecutive");
            seenData = true;
            if (auto error = inflater->Feed(body, length); !error.empty())
                return Fail(error);
            continue;
        }
        if (seenData)
            dataEnded = true;
        if (kind == "IEND") {
            seenEnd = true;
        } else if (kind == "PLTE" || (type[0] & 0x20)) {
            // A suggested palette means nothing for RGBA; ancillary chunks are not used.
        } else {
            return Fail("unknown critical chunk '" + name + "'");
        }
    }

    if (!seenData)
        return Fail("no image data (IDAT)");
    const std::size_t expected = (rowBytes + 1) * height;
    if (inflater->Produced() < expected || !inflater->Finished())
        return Fail("image data ends early: " + std::to_string(inflater->Produced()) + " of " +
                    std::to_string(expected) + " bytes" +
                    (inflater->Finished() ? "" : " and the zlib stream is incomplete"));

    auto& raw = inflater->Output();
    if (auto error = Unfilter(raw, rowBytes, height); !error.empty())
        return Fail(error);

    PngDecodeResult result;
    result.image.width = static_cast<int>(width);
    result.image.height = static_cast<int>(height);
    result.image.rgba.resize(rowBytes * height);
    for (std::size_t y = 0; y < height; ++y)
        std::copy_n(raw.data() + y * (rowBytes + 1) + 1, rowBytes,
                    result.image.rgba.data() + y * rowBytes);
    return result;
}

} // namespace veyra
