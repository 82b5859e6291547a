#pragma once
// Plain words for a studio on why the program would refuse a published version file.
#include "update/FetchLimits.h"
#include "update/HttpError.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace veyra::studio {

// Why the fetch of the version file from `host` failed, naming the bound that a timeout hit
// (`limits` are the bounds the fetch ran with).
std::string WhyTheFetchFailed(const HttpError& error, std::string_view host,
                              const FetchLimits& limits);

// Why the program's check finds that `body` does not name a launcher whose CRC-32 is
// `launcherCrc`: the usual slips (a leading zero, a sign, hexadecimal, the number before the "|",
// two "|") by name, otherwise "CRC differs: published X, file Y".
std::string WhyTheCrcDiffers(std::wstring_view body, std::uint32_t launcherCrc);

} // namespace veyra::studio
