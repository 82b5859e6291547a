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

} // namespace veyra
