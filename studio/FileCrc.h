#pragma once
// A launcher file on the studio's machine: its bytes, and its CRC-32 by the program's own CRC code.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace veyra::studio {

// The file's whole content, or nothing when it is no regular file or cannot be read.
std::optional<std::string> FileBytes(const std::filesystem::path& file);

// The CRC-32 of the file's whole content, or nothing when it cannot be opened or read.
std::optional<std::uint32_t> FileCrc32(const std::filesystem::path& file);

// The CRC-32 of `bytes`.
std::uint32_t Crc32OfBytes(const std::string& bytes);

} // namespace veyra::studio
