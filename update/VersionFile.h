#pragma once
// The version file: one GET of its URL on the update server, whose host name is fixed at build
// time (VEYRA_UPDATE_HOST), port 80.
#include <string>
#include <string_view>

namespace veyra {

// Fetches "http://" VEYRA_UPDATE_HOST "/update/qel_2.0.0.1/inc/veyralauncher.ini?v=" + stamp and
// returns the body of a successful response as text. Sends exactly one request, with the
// product's bounds (FetchLimits' defaults: connect 10 s, 15 s without data, 30 s in all, body up
// to 1 MiB, 100 head lines). Throws HttpError for every failure.
std::wstring FetchVersionFile(std::wstring_view versionStamp);

} // namespace veyra
