#pragma once
// Test data: reproducible pseudo-random bytes, and zlib's CRC-32 of them as the independent
// reference.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>

namespace veyra::test {

inline std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (auto& b : bytes)
        b = static_cast<char>(random());
    return bytes;
}

inline std::uint32_t ZlibCrc32(const std::string& bytes) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

} // namespace veyra::test
