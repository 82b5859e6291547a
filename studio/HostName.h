#pragma once
// The update host as the program uses it: verbatim as the resolver's input and in the "Host"
// header, always port 80.
#include <optional>
#include <string>
#include <string_view>

namespace veyra::studio {

// Why `host` is not a plain DNS name or dotted IPv4 address, or nothing when it is. A scheme,
// port, path or user information would reach the resolver and the "Host" header as they stand.
// The rule is tools/release.sh's (tests/studio/hosts.sh holds the two to one table): no trailing
// dot, and a name whose last part is a number must be a dotted IPv4 address of four numbers
// 0..255 without leading zeros.
std::optional<std::string> HostProblem(std::string_view host);

} // namespace veyra::studio
