#pragma once
// Buffered reading of a response: lines up to a line feed and runs of bytes, each wait bounded by
// the idle time-out and by the end of the whole exchange.
#include "update/ByteStream.h"
#include "update/FetchLimits.h"

#include <optional>
#include <string>
#include <vector>

namespace veyra {

class ResponseInput {
public:
    // `start` is when the exchange began; no wait goes past start + limits.total.
    ResponseInput(ByteStream& stream, const FetchLimits& limits, Clock::time_point start);

    // The bytes up to the next line feed, without it and without one CR directly before it.
    // Nothing when the peer closed before a line feed came (the unfinished line is dropped).
    // Throws HttpError: line too long when more than limits.maxLine bytes precede the line feed
    // (checked as bytes arrive, so a line never grows past the bound), timeout when a wait
    // expires, socket error from the stream.
    std::optional<std::string> ReadLine();

    // Appends up to `count` bytes to `out` and returns how many; fewer only when the peer closed.
    // Throws as ReadLine does.
    std::size_t Read(std::string& out, std::size_t count);

    // Whether bytes are buffered already or arrive within `wait` (never past the exchange's end).
    // An expired wait is not an error here.
    bool DataWithin(std::chrono::milliseconds wait);

    // Whether the peer has been seen to close its side of the connection.
    bool PeerClosed() const { return peerClosed_; }

private:
    enum class Fill { data, closed, expired };
    // Refills the empty buffer, waiting until `deadline` at most.
    Fill TryFill(Clock::time_point deadline);
    // Refills the empty buffer within the idle time-out: false when the peer has closed, throws
    // timeout when nothing arrives.
    bool Refill();
    Clock::time_point NextDeadline(std::chrono::milliseconds wait) const;

    ByteStream& stream_;
    const FetchLimits limits_;
    const Clock::time_point end_;
    std::vector<std::uint8_t> buffer_;
    std::size_t begin_ = 0;
    std::size_t filled_ = 0;
    bool peerClosed_ = false;
};

} // namespace veyra
