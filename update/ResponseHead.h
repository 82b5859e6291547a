#pragma once
// The response head: the status code read from the status line, the header block, and the
// reading of both with interim 100 responses skipped.
#include "update/ResponseInput.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace veyra {

// The status code of a status line: the text after its first space up to the next space, cut at
// a "." within it, trimmed and read as a decimal integer (an optional sign, then digits). -1 when
// the line has no space or that text is not an integer that fits an int. So "HTTP/1.1 401.2 x"
// gives 401 and "HTTP/1.1 OK" gives -1.
int ParseStatusCode(std::string_view statusLine);

// The header lines of one response, in order.
class HeaderBlock {
public:
    // Takes one header line: the name before the first ":" and the value after it, both trimmed.
    // A line without ":" or with an empty name carries no header and is ignored, and so is a line
    // that starts with a space or tab (a folded continuation, which a version file never needs).
    void AddLine(std::string_view line);

    // The value of the first header with this name, letter case ignored; nothing without one.
    std::optional<std::string_view> Find(std::string_view name) const;

    std::size_t Size() const { return fields_.size(); }

private:
    std::vector<std::pair<std::string, std::string>> fields_;
};

struct ResponseHead {
    int statusCode = -1;
    HeaderBlock headers;
};

// Reads a status line and its header block, again and again while the status code is exactly
// 100; returns the first other response's head. A close in the middle of a header block ends the
// block with the lines received so far. Throws HttpError: connection closed when the peer closes
// before a status line is complete, too large when the lines read (status and header lines of all
// the responses) outnumber limits.maxHeadLines, and whatever ResponseInput throws.
ResponseHead ReadResponseHead(ResponseInput& input, const FetchLimits& limits);

} // namespace veyra
