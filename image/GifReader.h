#pragma once
// Reader for the logo's GIF animation (GIF87a and GIF89a): logical screen, global and local
// colour tables, graphic control extensions, the NETSCAPE2.0 loop count, interlaced and plain
// images, LZW image data with codes of up to 12 bits.
//
// Decisions on input the format leaves open or that is corrupt:
// - The file may end where the next block would start, after a complete image: it is read as if
//   the trailer followed. Bytes after the trailer are ignored. A file without any image is an
//   error.
// - A frame whose rectangle reaches beyond the logical screen is kept whole; composition clips
//   it. A frame of zero width or height has no pixels; its image data is skipped.
// - Image data that ends (end code or end of its sub-blocks) before width * height pixels is an
//   error; codes after the last pixel are ignored. An LZW code beyond the next table entry and a
//   minimum code size outside 2..8 are errors. When the table is full (4096 entries) decoding
//   goes on with 12-bit codes and no new entries until a clear code.
// - A pixel index outside the frame's colour table, and a frame with no colour table at all, are
//   errors. A transparent index outside the table gives no transparent colour.
// - A graphic control extension applies to the next image only; its first sub-block must hold at
//   least 4 bytes. Unknown extensions are skipped sub-block by sub-block; an unknown block
//   introducer is an error.
// - Logical screen sizes of 0 or above kMaxImagePixels, and images above it, are errors.
// Each error has a kind (ImageError.h) beside its message. Never reads outside `data`; pixel
// memory grows with the pixels actually decoded.
#include "image/ImageError.h"
#include "image/PixelTypes.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace veyra {

struct GifFrame {
    int left = 0, top = 0, width = 0, height = 0; // from the image descriptor
    // width * height colours, rows top-down (interlaced images already reordered).
    std::vector<Rgb> colors;
    // The palette colour of the transparent index, when the graphic control extension flags one
    // and the index lies inside the frame's colour table. Transparency goes by colour, so other
    // entries of the same colour are see-through too.
    std::optional<Rgb> transparentColor;
    std::uint16_t intervalMs = 0; // delay * 10, kept to 16 bits
    std::uint8_t disposal = 0;    // bits 2..4 of the graphic control extension's packed byte
};

struct GifPicture {
    int screenWidth = 0, screenHeight = 0;
    std::vector<Rgb> globalPalette; // empty without a global table
    // The global palette's colour of the background index, when there is a global palette and
    // the index lies inside it.
    std::optional<Rgb> backgroundColor;
    std::optional<std::uint16_t> loopCount; // NETSCAPE2.0, informational
    std::vector<GifFrame> frames;
    bool HasTransparency() const; // any frame has a transparent colour
};

DecodeResult<GifPicture> DecodeGif(std::span<const std::uint8_t> data);

} // namespace veyra
