#pragma once
// The update host as the program uses it: verbatim as the resolver's input and in the "Host"
// header, always port 80.
#include <optional>
#include <string>
#include <string_view>

namespace veyra::studio {

// Why `host` is not a plain DNS name or dotted IPv4 address, or nothing when it is. A scheme,
// port, path or user information would reach the resolver and the "Host" header as they stand.
std::optional<std::string> HostProblem(std::string_view host);

} // namespace veyra::studio
