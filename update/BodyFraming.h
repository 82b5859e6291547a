#pragma once
// Where the body ends: chunked framing, a Content-Length, or the server's close.
#include "update/ResponseHead.h"

#include <cstdint>
#include <string>

namespace veyra {

enum class Framing { chunked, length, untilClose };

struct BodyFraming {
    Framing kind = Framing::untilClose;
    std::uint64_t length = 0; // for Framing::length; very large values saturate
};

// The first rule that applies: a Transfer-Encoding containing "chunked" (letter case ignored);
// a Content-Length of decimal digits only (after trimming); otherwise the body runs to the close.
BodyFraming ChooseFraming(const HeaderBlock& headers);

// Reads the body as framed, bytes exactly as received. A Content-Length body cut short by the
// close is returned as far as it came. Throws HttpError: too large when the body (announced or
// received) or a chunk size exceeds limits.maxBody, or the trailer lines exceed
// limits.maxHeadLines; connection closed when the peer closes inside a chunked body before its
// last chunk; malformed chunk for a chunk-size line without a hexadecimal size or chunk data not
// followed by an empty line; and whatever ResponseInput throws.
std::string ReadBody(ResponseInput& input, const BodyFraming& framing, const FetchLimits& limits);

} // namespace veyra
