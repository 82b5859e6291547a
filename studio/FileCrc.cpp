#include "studio/FileCrc.h"

#include "support/uCRC32.h"

#include <fstream>
#include <limits>
#include <vector>

namespace veyra::studio {

std::optional<std::uint32_t> FileCrc32(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    // CRC32Update takes at most as many bytes a call as its 16-bit count holds.
    std::vector<char> block(std::numeric_limits<std::uint16_t>::max());
    std::uint32_t crc = 0xFFFFFFFFu;
    for (;;) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        const auto got = static_cast<std::uint16_t>(in.gcount());
        crc = CRC32Update(crc, block.data(), got);
        if (in.eof())
            break;
        if (!in)
            return std::nullopt;
    }
    return ~crc;
}

} // namespace veyra::studio
