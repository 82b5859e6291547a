#pragma once
// What the PNG and GIF readers report when they refuse their input: a kind for code and tests,
// beside a readable message for the log.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace veyra {

// The largest picture either reader accepts: kMaxImageSide * kMaxImageSide pixels.
inline constexpr std::uint64_t kMaxImageSide = 16384;
inline constexpr std::uint64_t kMaxImagePixels = kMaxImageSide * kMaxImageSide;

enum class ImageErrorKind {
    // Not an error: the picture was read.
    none,
    // The input ends inside a chunk or block, or before the chunk or block that ends the file.
    truncated,
    // The file does not start with the format's signature.
    badSignature,
    // A chunk or block breaks the file's structure: an invalid chunk length or type, chunks out
    // of order or repeated, a header chunk or extension of the wrong size, an unknown GIF block.
    badBlock,
    // A PNG chunk's stored CRC does not match its type and data.
    badCrc,
    // A width or height of 0, or more than kMaxImagePixels pixels.
    badSize,
    // Valid in the format but not read here: other PNG colour types, bit depths, methods,
    // interlacing, or an unknown critical chunk.
    unsupported,
    // The PNG's compressed image data is not a valid zlib stream, or a row has an unknown filter.
    corruptData,
    // The image data holds more than the image's size needs.
    tooMuchData,
    // The image data ends before the image's last pixel.
    tooLittleData,
    // The file holds no image data at all.
    noImage,
    // A GIF's LZW data has a minimum code size outside 2..8 or a code the table cannot have yet.
    badLzwCode,
    // A GIF image with pixels has neither a local nor a global colour table.
    missingColorTable,
    // A GIF pixel names an entry beyond its colour table.
    colorIndexOutOfRange,
    // Memory for decompressing ran out.
    outOfMemory,
};

// A short English name of the kind ("truncated", "bad CRC", ...).
const char* ImageErrorKindName(ImageErrorKind kind);

// A picture's width and height for a message: "640x480".
std::string SizeText(std::uint64_t width, std::uint64_t height);

// A reader's refusal: its kind and what exactly went wrong.
struct ImageError {
    ImageErrorKind kind = ImageErrorKind::none;
    std::string message;
};

// What a reader's step returns: nothing when it went well.
using MaybeImageError = std::optional<ImageError>;

// What a reader returns: the decoded value, or on a refusal an empty one with the message and kind.
template <class T> struct DecodeResult {
    T value;                                    // empty when decoding failed
    std::string error;                          // empty on success
    ImageErrorKind kind = ImageErrorKind::none; // what went wrong; none on success
    bool ok() const { return error.empty(); }
};

// A reader's result for a refusal: nothing decoded, the kind, and the message after the format's
// name ("PNG: ...").
template <class T> DecodeResult<T> Refusal(std::string_view format, ImageError error) {
    DecodeResult<T> result;
    result.error = std::string(format) + ": " + std::move(error.message);
    result.kind = error.kind;
    return result;
}

} // namespace veyra
