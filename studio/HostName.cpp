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

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsPrintableAscii(char c) {
    return c >= 0x20 && c <= 0x7E;
}

// Four numbers 0..255, dot-separated, without leading zeros (which some resolvers read as octal).
bool IsDottedIpv4(std::string_view host) {
    int parts = 0;
    while (true) {
        const auto dot = host.find('.');
        const std::string_view number = host.substr(0, dot);
        if (number.empty() || number.size() > 3 || (number.size() > 1 && number[0] == '0') ||
            !std::all_of(number.begin(), number.end(), IsDigit))
            return false;
        int value = 0;
        for (const char c : number)
            value = value * 10 + (c - '0');
        if (value > 255 || ++parts > 4)
            return false;
        if (dot == std::string_view::npos)
            return parts == 4;
        host.remove_prefix(dot + 1);
    }
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
    if (host.find(' ') != std::string_view::npos)
        return "the host name holds a space";
    if (!std::all_of(host.begin(), host.end(), IsPrintableAscii))
        return "the host name holds characters that are not printable ASCII";
    // Digits and dots alone: a dotted IPv4 address, as the resolver would read it.
    if (std::all_of(host.begin(), host.end(), [](char c) { return IsDigit(c) || c == '.'; })) {
        if (!IsDottedIpv4(host))
            return "the host name is neither a DNS name nor a dotted IPv4 address A.B.C.D (four "
                   "numbers 0..255 without leading zeros)";
        return std::nullopt;
    }
    // The name goes out verbatim in the "Host" header, where a final dot names another site for
    // many servers.
    if (host.front() == '.' || host.back() == '.' || host.find("..") != std::string_view::npos)
        return "the host name has an empty part (a leading, trailing or double dot)";
    std::string_view rest = host;
    std::string_view last;
    while (!rest.empty()) {
        const auto dot = rest.find('.');
        last = rest.substr(0, dot);
        if (!IsValidLabel(last))
            return "the host name is not a DNS name or dotted IPv4 address: each dot-separated "
                   "part is 1 to " +
                   std::to_string(kMaxLabel) + " letters, digits or inner hyphens";
        if (dot == std::string_view::npos)
            break;
        rest.remove_prefix(dot + 1);
    }
    // Resolvers take a name that ends in a number for an address (1.2.3 is 1.2.0.3).
    if (std::all_of(last.begin(), last.end(), IsDigit))
        return "the host name's last part is a number, but it is no dotted IPv4 address A.B.C.D";
    return std::nullopt;
}

} // namespace veyra::studio
