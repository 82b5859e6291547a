#pragma once
// A connected byte stream with bounded waits: what the HTTP client reads from and writes to.
// The sockets of each platform implement it (Socket.h); tests and the fuzzer use in-memory ones.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace veyra {

using Clock = std::chrono::steady_clock;

class ByteStream {
public:
    virtual ~ByteStream() = default;

    // Waits until bytes arrive, the peer closes its side or `deadline` passes. Returns the number
    // of bytes placed at the start of `into` (at least 1 when `into` is not empty), 0 when the
    // peer has closed, or nothing when the deadline passed first. Throws HttpError (socket error)
    // when the receive fails.
    virtual std::optional<std::size_t> Read(std::span<std::uint8_t> into,
                                            Clock::time_point deadline) = 0;

    // Sends all of `bytes`. Throws HttpError: socket error when the send fails, timeout when the
    // deadline passes first.
    virtual void Write(std::span<const std::uint8_t> bytes, Clock::time_point deadline) = 0;

    // Closes the connection; later calls are no-ops or report a closed stream.
    virtual void Close() = 0;

    // The peer's IPv4 address in dotted form, for diagnostics; empty when there is none (a
    // stream in memory) or it cannot be read.
    virtual std::string PeerAddress() const { return {}; }
};

} // namespace veyra
