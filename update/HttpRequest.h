#pragma once
// The request head the client sends: one GET with a fixed set of headers and nothing else.
#include <string>
#include <string_view>

namespace veyra {

// The version file's path on the update server.
inline constexpr char kVersionFilePath[] = "/update/qel_2.0.0.1/inc/veyralauncher.ini";

// The request target for a version stamp: the path, "?v=" and the stamp, not percent-encoded.
// The stamp goes out as ASCII: a character outside it becomes '?'.
std::string VersionFileTarget(std::wstring_view stamp);

// The complete request head, ready for one write: the request line for `target`, the headers
// Cache-control, Host (`host` as given, no port), Accept, Accept-Encoding and User-Agent in that
// order, then the empty line; every line ends in CR LF.
std::string BuildRequestHead(std::string_view host, std::string_view target);

} // namespace veyra
