#include "studio/FileCrc.h"

#include "support/uCRC32.h"

#include <fstream>
#include <iterator>

namespace veyra::studio {

std::optional<std::string> FileBytes(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        return std::nullopt;
    return bytes;
}

// Not the program's FileCRC32 (support/uCRC32_win.h), whose read loop is Win32's: the tool builds
// natively too, reads a file whole because it also signs those very bytes, and answers nothing
// where the program raises IoError. Both take the CRC through the same Crc32Sink.
std::optional<std::uint32_t> FileCrc32(const std::filesystem::path& file) {
    const std::optional<std::string> bytes = FileBytes(file);
    if (!bytes)
        return std::nullopt;
    return Crc32OfBytes(*bytes);
}

std::uint32_t Crc32OfBytes(const std::string& bytes) {
    Crc32Sink crc;
    crc.Take(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    return crc.Value();
}

} // namespace veyra::studio
