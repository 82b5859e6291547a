#pragma once
// Bounds on one fetch. A version file is a few bytes from a nearby server, so these are generous
// for it, and they keep a silent, slow or endless server from holding the update forever.
#include <chrono>
#include <cstddef>

namespace veyra {

struct FetchLimits {
    // Giving up on the TCP connect (name resolution is bounded by the resolver itself).
    std::chrono::milliseconds connect{10'000};
    // A read that receives nothing for this long ends the fetch.
    std::chrono::milliseconds idle{15'000};
    // The whole exchange, from the start of the connect to the end of the body.
    std::chrono::milliseconds total{30'000};
    // After the head of a 3xx response (other than 304), the body is read only when its first
    // bytes arrive within this time.
    std::chrono::milliseconds redirectBodyWait{5'000};
    // The longest status, header, chunk-size or trailer line, counted before its line feed.
    std::size_t maxLine = 16'384;
    // The most lines the response head may have: status and header lines of every response read,
    // skipped 100 responses included. Trailer lines of a chunked body count against it too.
    std::size_t maxHeadLines = 100;
    // The largest body, announced or received.
    std::size_t maxBody = 1024 * 1024;
};

} // namespace veyra
