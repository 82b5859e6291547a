#pragma once
// Reader for the splash window's PNG pictures: 8-bit RGBA (colour type 6, bit depth 8), not
// interlaced. Chunk CRCs are checked; IHDR must come first, IDAT chunks must be consecutive and
// IEND must be present; ancillary chunks (iCCP, pHYs, tEXt, iTXt, ...) and PLTE are skipped;
// bytes after IEND are ignored. Anything else is an error with a readable message: other colour
// types, bit depths or interlacing, an unknown critical chunk, truncated or corrupt data, a bad
// CRC, a bad zlib stream, too little or too much image data, compressed bytes after the end of
// the zlib stream, and sizes over kMaxImagePixels. Each error also has a kind (ImageError.h).
//
// Never reads outside `data`. Memory grows with the image data actually inflated (never just
// because the header claims a large size), and the result holds exactly width * height pixels.
#include "image/Image.h"
#include "image/ImageError.h"

#include <cstdint>
#include <span>
#include <string>

namespace veyra {

DecodeResult<RgbaImage> DecodePng(std::span<const std::uint8_t> data);

} // namespace veyra
