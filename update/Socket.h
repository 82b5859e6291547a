#pragma once
// TCP over IPv4 for the HTTP client: Socket_posix.cpp natively, Socket_win.cpp (Winsock) on
// Windows. Every wait is bounded by a deadline; failures are HttpError (socket error, timeout).
#include "update/ByteStream.h"

#include <cstdint>
#include <memory>
#include <string_view>

namespace veyra {

// Connects to `host`, port `port`. A dotted IPv4 address is used as it is; any other name is
// resolved by the platform's resolver for IPv4 stream addresses only, and the first address is
// the one tried. Throws HttpError: socket error when the name does not resolve or the connect
// fails, timeout when the connect has not completed by `deadline` (the resolver keeps its own
// time-outs; it cannot be interrupted).
std::unique_ptr<ByteStream> ConnectTcp(std::string_view host, std::uint16_t port,
                                       Clock::time_point deadline);

// A listening socket on 127.0.0.1, for the tests' local servers.
class TcpListener {
public:
    virtual ~TcpListener() = default;
    // The port the system chose.
    virtual std::uint16_t Port() const = 0;
    // The next incoming connection, or nothing when none comes before `deadline`.
    virtual std::unique_ptr<ByteStream> Accept(Clock::time_point deadline) = 0;
};

// Listens on 127.0.0.1 at `port`, or at a port of the system's choosing when it is 0. Throws
// HttpError (socket error).
std::unique_ptr<TcpListener> ListenOnLoopback(std::uint16_t port = 0);

// Sends `byte` as urgent (out-of-band) TCP data on a stream that ConnectTcp or a TcpListener
// made, as a hostile server may, for the tests. Throws HttpError (socket error).
void SendUrgentByte(ByteStream& stream, std::uint8_t byte);

} // namespace veyra
