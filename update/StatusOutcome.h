#pragma once
// What a final status code means for the fetch: success or failure, and whether the body is read.

namespace veyra {

enum class BodyRead {
    no,
    yes,
    // Only when body bytes have arrived already or arrive within FetchLimits::redirectBodyWait.
    ifDataArrives,
};

struct StatusOutcome {
    bool success;
    BodyRead body;
};

// 204: success without body. Other 2xx: success with body. 304 and 101..199: failure without
// body. Other 3xx: failure, body only if data arrives. Every other code (401 and 407 too, -1
// too): failure with body. A Content-Length of 0 overrides "with body" (see the fetch).
StatusOutcome OutcomeForStatus(int statusCode);

} // namespace veyra
