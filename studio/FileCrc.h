#pragma once
// The CRC-32 of a file on the studio's machine, by the program's own CRC code.
#include <cstdint>
#include <filesystem>
#include <optional>

namespace veyra::studio {

// The CRC-32 of the file's whole content, or nothing when it cannot be opened or read.
std::optional<std::uint32_t> FileCrc32(const std::filesystem::path& file);

} // namespace veyra::studio
