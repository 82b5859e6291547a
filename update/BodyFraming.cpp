#include "update/BodyFraming.h"

#include "support/HexDigits.h"
#include "update/AsciiText.h"
#include "update/HttpError.h"

#include <limits>

namespace veyra {

namespace {

constexpr std::uint64_t kSaturated = std::numeric_limits<std::uint64_t>::max();

// Decimal digits only, or nothing; a value beyond 64 bits saturates.
std::optional<std::uint64_t> ParseLength(std::string_view text) {
    text = ascii::Trim(text);
    if (text.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        value = value > (kSaturated - digit) / 10 ? kSaturated : value * 10 + digit;
    }
    return value;
}

// The size on a chunk-size line; extensions after ";" are ignored.
std::uint64_t ParseChunkSize(std::string_view line, const FetchLimits& limits) {
    line = ascii::Trim(line.substr(0, line.find(';')));
    if (line.empty())
        throw HttpError(HttpErrorKind::malformedChunk);
    std::uint64_t size = 0;
    for (const char c : line) {
        const int digit = hex::DigitValue(c);
        if (digit < 0)
            throw HttpError(HttpErrorKind::malformedChunk);
        size = size * 16 + static_cast<std::uint64_t>(digit);
        // Checked at every digit, so the value can never wrap.
        if (size > limits.maxBody)
            throw HttpError(HttpErrorKind::tooLarge);
    }
    return size;
}

void ReadChunked(ResponseInput& input, const FetchLimits& limits, std::string& body) {
    for (;;) {
        const auto sizeLine = input.ReadLine();
        if (!sizeLine)
            throw HttpError(HttpErrorKind::connectionClosed);
        const std::uint64_t size = ParseChunkSize(*sizeLine, limits);
        if (size == 0)
            break;
        if (body.size() + size > limits.maxBody)
            throw HttpError(HttpErrorKind::tooLarge);
        if (input.Read(body, static_cast<std::size_t>(size)) < size)
            throw HttpError(HttpErrorKind::connectionClosed);
        const auto end = input.ReadLine();
        if (!end)
            throw HttpError(HttpErrorKind::connectionClosed);
        if (!end->empty())
            throw HttpError(HttpErrorKind::malformedChunk);
    }
    // Trailer lines are read and ignored. The body is complete with its last chunk, so a close
    // among them ends the trailer rather than failing the fetch.
    std::size_t trailers = 0;
    while (const auto line = input.ReadLine()) {
        if (line->empty())
            break;
        if (++trailers > limits.maxHeadLines)
            throw HttpError(HttpErrorKind::tooLarge);
    }
}

void ReadUntilClose(ResponseInput& input, const FetchLimits& limits, std::string& body) {
    // One byte over the bound is enough to know the body is too large.
    while (input.Read(body, limits.maxBody + 1 - body.size()) != 0) {
        if (body.size() > limits.maxBody)
            throw HttpError(HttpErrorKind::tooLarge);
    }
}

} // namespace

BodyFraming ChooseFraming(const HeaderBlock& headers) {
    if (const auto coding = headers.Find("Transfer-Encoding");
        coding && ascii::ContainsIgnoringCase(*coding, "chunked"))
        return {Framing::chunked, 0};
    if (const auto lengthText = headers.Find("Content-Length")) {
        if (const auto length = ParseLength(*lengthText))
            return {Framing::length, *length};
    }
    return {Framing::untilClose, 0};
}

std::string ReadBody(ResponseInput& input, const BodyFraming& framing, const FetchLimits& limits) {
    std::string body;
    switch (framing.kind) {
    case Framing::chunked:
        ReadChunked(input, limits, body);
        break;
    case Framing::length:
        if (framing.length > limits.maxBody)
            throw HttpError(HttpErrorKind::tooLarge);
        // A close before the announced length ends the body early; that is not a failure.
        input.Read(body, static_cast<std::size_t>(framing.length));
        break;
    case Framing::untilClose:
        ReadUntilClose(input, limits, body);
        break;
    }
    return body;
}

} // namespace veyra
