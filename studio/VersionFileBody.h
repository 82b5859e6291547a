#pragma once
// The version file as the studio publishes it: a label, "|", the new launcher's CRC-32 in
// unsigned decimal, CR LF. The program reads only what follows the first "|".
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace veyra::studio {

// Why `label` cannot stand before the "|", or nothing when it can. A label is one or more
// printable ASCII characters other than "|": a "|" would move the CRC, characters of code 32 or
// less are what the program trims, and bytes outside ASCII read differently with each charset a
// server may declare. The whole body must also fit the program's body bound.
std::optional<std::string> LabelProblem(std::string_view label);

// The body for a launcher whose CRC-32 is `crc`: label, "|", the CRC, CR LF. Call only with a
// label that LabelProblem accepts.
std::string VersionFileBody(std::string_view label, std::uint32_t crc);

} // namespace veyra::studio
