#pragma once
// What one read of the update file gives its check: the CRC-32 the version file names, the length,
// and in a build pinned to the studio's keys the SHA-256 its signature covers. A copy of the file
// takes the launcher's name only when a read of it gives the same.
#include "update/OpenedFile.h"
#include "update/SignatureVerifier.h"

#include <cstdint>
#include <optional>

namespace veyra {

struct FileDigests {
    std::uint32_t crc32 = 0;
    std::uint64_t length = 0;
    std::optional<Sha256Digest> sha256; // taken only with a verifier
};

// Reads the opened file once for its CRC-32, its length and, given `sha256From`, its SHA-256 (left
// empty when the platform failed, which a pinned check refuses). Raises IoError.
FileDigests ReadDigests(OpenedFile& file, SignatureVerifier* sha256From);

// Whether `copy` holds the bytes `accepted` describes: the same CRC-32 and length, and the same
// SHA-256 where the check took one (a CRC-32 alone can be forged).
bool SameBytes(const FileDigests& accepted, const FileDigests& copy);

} // namespace veyra
