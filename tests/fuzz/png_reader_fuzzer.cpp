// Any bytes must be read without crashing, reading outside the input or a result that
// contradicts its own size. Each input is read twice: as it is, and with every chunk's CRC made
// right, so that mutations reach the decoding behind the CRC check.
#include "image/PngReader.h"

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

void Check(const std::uint8_t* data, std::size_t size) {
    const auto result = veyra::DecodePng({data, size});
    const auto& image = result.value;
    // A refusal always has a kind, and only a refusal has one.
    if (result.ok() != (result.kind == veyra::ImageErrorKind::none))
        __builtin_trap();
    if (result.ok()) {
        if (image.width <= 0 || image.height <= 0 ||
            image.pixels.size() != static_cast<std::size_t>(image.width) * image.height)
            __builtin_trap();
    } else if (!image.pixels.empty() || image.width != 0) {
        __builtin_trap();
    }
}

std::uint32_t BigEndian32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           p[3];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Check(data, size);

    std::vector<std::uint8_t> fixed(data, data + size);
    bool changed = false;
    for (std::size_t offset = 8; offset + 12 <= fixed.size();) {
        const std::uint32_t length = BigEndian32(&fixed[offset]);
        if (length > fixed.size() - offset - 12)
            break;
        std::uint8_t* crc = &fixed[offset + 8 + length];
        const auto right = static_cast<std::uint32_t>(crc32(0, &fixed[offset + 4], length + 4));
        if (BigEndian32(crc) != right) {
            for (int i = 0; i < 4; ++i)
                crc[i] = static_cast<std::uint8_t>(right >> (24 - 8 * i));
            changed = true;
        }
        offset += std::size_t{length} + 12;
    }
    if (changed)
        Check(fixed.data(), fixed.size());
    return 0;
}
