#pragma once
// The version file: one GET of its URL on the update server, whose host name is fixed at build
// time (VEYRA_UPDATE_HOST), port 80.
#include "update/FetchLimits.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace veyra {

inline constexpr std::uint16_t kUpdatePort = 80;

// Fetches "http://" + host + "/update/qel_2.0.0.1/inc/veyralauncher.ini?v=" + stamp from port
// 80 and returns the body of a successful response as text. Sends exactly one request. Throws
// HttpError for every failure. The studio's check tool asks its own host through this, so that it
// sees exactly what the program sees; `connectedTo`, when given, receives the address reached.
std::wstring FetchVersionFileFrom(std::string_view host, std::wstring_view versionStamp,
                                  const FetchLimits& limits = {},
                                  std::string* connectedTo = nullptr);

// The program's fetch: FetchVersionFileFrom the built-in host (VEYRA_UPDATE_HOST) with the
// product's bounds, FetchLimits' defaults.
std::wstring FetchVersionFile(std::wstring_view versionStamp);

} // namespace veyra
