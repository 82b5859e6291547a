#pragma once
// ConnectTcp (Socket.h) for both socket shims. Each includes this after its platform's socket
// headers, as it does ResolveIpv4.h and SocketStream.h, and its struct of names (SocketShim.h,
// SocketStream.h) also holds:
//   NewSocket()                 a new non-blocking IPv4 TCP socket, as an OwnedHandle; throws
//                               HttpError (socket error) when there is none
//   ResolverSystemCode(result)  the system code of getaddrinfo's failure `result`
#include "update/ByteStream.h"
#include "update/ResolveIpv4.h"
#include "update/SocketShim.h"
#include "update/SocketStream.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace veyra {

template <typename Shim>
std::unique_ptr<ByteStream> ConnectTcpWith(std::string_view host, std::uint16_t port,
                                           Clock::time_point deadline) {
    // For the resolver and the connect; the stream holds its own.
    [[maybe_unused]] typename Shim::Session session;
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    target.sin_addr = ResolveIpv4(std::string(host), Shim::ResolverSystemCode);

    typename Shim::OwnedHandle socket = Shim::NewSocket();
    ConnectAndWait<Shim>(socket.get(), target, deadline);
    return std::make_unique<SocketStream<Shim>>(std::move(socket));
}

} // namespace veyra
