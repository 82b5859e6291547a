#include "image/ImageError.h"

namespace veyra {

const char* ImageErrorKindName(ImageErrorKind kind) {
    switch (kind) {
    case ImageErrorKind::none:
        return "none";
    case ImageErrorKind::truncated:
        return "truncated";
    case ImageErrorKind::badSignature:
        return "bad signature";
    case ImageErrorKind::badBlock:
        return "bad block";
    case ImageErrorKind::badCrc:
        return "bad CRC";
    case ImageErrorKind::badSize:
        return "bad size";
    case ImageErrorKind::unsupported:
        return "unsupported";
    case ImageErrorKind::corruptData:
        return "corrupt data";
    case ImageErrorKind::tooMuchData:
        return "too much data";
    case ImageErrorKind::tooLittleData:
        return "too little data";
    case ImageErrorKind::noImage:
        return "no image";
    case ImageErrorKind::badLzwCode:
        return "bad LZW code";
    case ImageErrorKind::missingColorTable:
        return "missing colour table";
    case ImageErrorKind::colorIndexOutOfRange:
        return "colour index out of range";
    case ImageErrorKind::outOfMemory:
        return "out of memory";
    }
    return "unknown";
}

std::string SizeText(std::uint64_t width, std::uint64_t height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

} // namespace veyra
