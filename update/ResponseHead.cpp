#include "update/ResponseHead.h"

#include "update/AsciiText.h"
#include "update/HttpError.h"

#include <charconv>

namespace veyra {

int ParseStatusCode(std::string_view statusLine) {
    const auto firstSpace = statusLine.find(' ');
    if (firstSpace == std::string_view::npos)
        return -1;
    std::string_view field = statusLine.substr(firstSpace + 1);
    field = field.substr(0, field.find(' '));
    field = ascii::Trim(field.substr(0, field.find('.')));
    const bool negative = !field.empty() && field.front() == '-';
    if (!field.empty() && (field.front() == '-' || field.front() == '+'))
        field.remove_prefix(1);
    if (field.empty() || field.find_first_not_of("0123456789") != std::string_view::npos)
        return -1;
    int code = 0;
    if (std::from_chars(field.data(), field.data() + field.size(), code).ec != std::errc{})
        return -1; // too large for an int
    return negative ? -code : code;
}

void HeaderBlock::AddLine(std::string_view line) {
    if (line.empty() || line.front() == ' ' || line.front() == '\t')
        return;
    const auto colon = line.find(':');
    if (colon == std::string_view::npos)
        return;
    const std::string_view name = ascii::Trim(line.substr(0, colon));
    if (name.empty())
        return;
    fields_.emplace_back(std::string(name), std::string(ascii::Trim(line.substr(colon + 1))));
}

std::optional<std::string_view> HeaderBlock::Find(std::string_view name) const {
    for (const auto& [fieldName, value] : fields_) {
        if (ascii::EqualsIgnoringCase(fieldName, name))
            return std::string_view(value);
    }
    return std::nullopt;
}

ResponseHead ReadResponseHead(ResponseInput& input, const FetchLimits& limits) {
    std::size_t lines = 0;
    const auto count = [&] {
        if (++lines > limits.maxHeadLines)
            throw HttpError(HttpErrorKind::tooLarge);
    };
    for (;;) {
        const auto statusLine = input.ReadLine();
        if (!statusLine)
            throw HttpError(HttpErrorKind::connectionClosed);
        count();
        ResponseHead head;
        head.statusCode = ParseStatusCode(*statusLine);
        while (const auto line = input.ReadLine()) {
            if (line->empty())
                break;
            count();
            head.headers.AddLine(*line);
        }
        if (head.statusCode != 100)
            return head;
    }
}

} // namespace veyra
