#include "studio/VersionFileBody.h"

#include "support/uCRC32.h"
#include "update/FetchLimits.h"

#include <algorithm>

namespace veyra::studio {
namespace {

// The longest CRC-32 in decimal (4294967295) and the CR LF after it.
constexpr std::size_t kCrcAndLineEnd = 10 + 2;

bool IsPrintableAscii(char c) {
    const auto code = static_cast<unsigned char>(c);
    return code > 0x20 && code < 0x7F;
}

} // namespace

std::optional<std::string> LabelProblem(std::string_view label) {
    if (label.empty())
        return "the label is empty";
    if (label.find('|') != std::string_view::npos)
        return "the label holds a \"|\": the program would take what follows it as the CRC";
    if (!std::all_of(label.begin(), label.end(), IsPrintableAscii))
        return "the label holds a space, a control character or a character outside ASCII: use "
               "printable ASCII only (for example 2.0.0.2)";
    if (label.size() + 1 + kCrcAndLineEnd > FetchLimits{}.maxBody)
        return "the label is longer than the program's bound on the version file allows";
    return std::nullopt;
}

std::string VersionFileBody(std::string_view label, std::uint32_t crc) {
    const std::wstring decimal = CrcToDecimal(crc);
    std::string body(label);
    body += '|';
    for (const wchar_t digit : decimal)
        body += static_cast<char>(digit);
    body += "\r\n";
    return body;
}

} // namespace veyra::studio
