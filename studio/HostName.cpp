#include "studio/HostName.h"

#include "update/VersionFile.h"

#include <algorithm>

namespace veyra::studio {
namespace {

constexpr std::size_t kMaxName = 253;
constexpr std::size_t kMaxLabel = 63;

bool IsLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool IsValidLabel(std::string_view label) {
    return !label.empty() && label.size() <= kMaxLabel && IsLetterOrDigit(label.front()) &&
           IsLetterOrDigit(label.back()) && std::all_of(label.begin(), label.end(), [](char c) {
               return IsLetterOrDigit(c) || c == '-';
           });
}

} // namespace

std::optional<std::string> HostProblem(std::string_view host) {
    if (host.empty())
        return "the host name is empty";
    if (host.find("://") != std::string_view::npos)
        return "give the host name alone, without \"http://\"";
    if (host.find(':') != std::string_view::npos)
        return "the host name holds a \":\": the program always uses port " +
               std::to_string(kUpdatePort) + " and names no port";
    if (host.find('/') != std::string_view::npos)
        return "the host name holds a \"/\": give the host alone, the program adds the path";
    if (host.find('@') != std::string_view::npos)
        return "the host name holds user information (\"@\"), which the program never sends";
    if (host.size() > kMaxName)
        return "the host name is longer than " + std::to_string(kMaxName) + " characters";
    std::string_view rest = host;
    if (rest.back() == '.')
        rest.remove_suffix(1);
    if (rest.empty())
        return "the host name has no name before its dot";
    while (!rest.empty()) {
        const auto dot = rest.find('.');
        if (!IsValidLabel(rest.substr(0, dot)))
            return "the host name is not a DNS name or dotted IPv4 address: each dot-separated "
                   "part is 1 to " +
                   std::to_string(kMaxLabel) + " letters, digits or inner hyphens";
        if (dot == std::string_view::npos)
            break;
        rest.remove_prefix(dot + 1);
        if (rest.empty())
            return "the host name has an empty part";
    }
    return std::nullopt;
}

} // namespace veyra::studio
