#pragma once
// The tests' side of the socket shim: a listening socket on 127.0.0.1 for their local servers,
// and urgent data as a hostile server sends it. Built over the shim's own parts (POSIX natively,
// Winsock under Wine), so the servers wait and stream exactly as the client does.
#include "update/ByteStream.h"

#include <cstdint>
#include <memory>

namespace veyra::test {

class TcpListener {
public:
    virtual ~TcpListener() = default;
    // The port it listens on.
    virtual std::uint16_t Port() const = 0;
    // The next incoming connection, or nothing when none comes before `deadline`.
    virtual std::unique_ptr<ByteStream> Accept(Clock::time_point deadline) = 0;
};

// Listens on 127.0.0.1 at `port`, or at a port of the system's choosing when it is 0. Throws
// HttpError (socket error).
std::unique_ptr<TcpListener> ListenOnLoopback(std::uint16_t port = 0);

// Sends `byte` as urgent (out-of-band) TCP data on a stream that ConnectTcp or a TcpListener
// made. Throws HttpError (socket error).
void SendUrgentByte(ByteStream& stream, std::uint8_t byte);

} // namespace veyra::test
