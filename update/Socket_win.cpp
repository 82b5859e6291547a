// The socket shim over Winsock: non-blocking sockets, select() for every wait. Each stream and
// listener holds its own Winsock session, so WSACleanup comes only after its socket is closed.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "update/Socket.h"
#include "update/SocketShim.h"
#include "update/SocketShim_win.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>

// After the platform's socket headers, whose resolver and peer-name calls they make.
#include "update/SocketConnect.h"
#include "update/SocketStream.h"

namespace veyra {
namespace win_socket {

WinsockSession::WinsockSession() {
    WSADATA data;
    const int result = ::WSAStartup(MAKEWORD(2, 2), &data);
    if (result != 0)
        ThrowSocketError(result);
}

WinsockSession::~WinsockSession() {
    ::WSACleanup();
}

namespace {

// The Winsock names of the shared wait, connect (SocketShim.h, SocketConnect.h) and stream
// (SocketStream.h).
struct WinsockShim {
    using Session = WinsockSession;
    using Handle = SOCKET;
    using OwnedHandle = UniqueSocket;
    using Readiness = Ready;
    using AddressLength = int;
    static constexpr Readiness kConnected = Ready::connected;
    static constexpr Readiness kReadable = Ready::read;
    static constexpr Readiness kWritable = Ready::write;
    static constexpr int kClosedError = WSAENOTSOCK;
    static constexpr long kLongestWaitMs = LONG_MAX / 1000;
    // Waits until the socket is readable, writable, or (connected) its connect has ended: a
    // failed connect shows as the exceptional condition, for SO_ERROR to tell. The exceptional
    // condition is watched while connecting only: afterwards it stands for urgent data, which a
    // plain receive never takes, so it would wake every wait at once.
    static int Wait(SOCKET socket, Ready ready, long ms) {
        fd_set wanted;
        FD_ZERO(&wanted);
        FD_SET(socket, &wanted);
        fd_set failed;
        FD_ZERO(&failed);
        FD_SET(socket, &failed);
        timeval wait{ms / 1000, (ms % 1000) * 1000};
        const bool connecting = ready == Ready::connected;
        return ::select(0, ready == Ready::read ? &wanted : nullptr,
                        ready != Ready::read ? &wanted : nullptr, connecting ? &failed : nullptr,
                        &wait);
    }
    static int LastError() { return ::WSAGetLastError(); }
    static bool Interrupted(int) { return false; }
    static bool WouldBlock(int error) { return error == WSAEWOULDBLOCK; }
    static bool Connecting(int error) { return error == WSAEWOULDBLOCK; }
    static int Connect(SOCKET socket, const sockaddr_in& target) {
        return ::connect(socket, reinterpret_cast<const sockaddr*>(&target), sizeof target);
    }
    static int ConnectResult(SOCKET socket, int& failure) {
        int size = sizeof failure;
        return ::getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&failure), &size);
    }
    // recv() and send() take an int length: a longer span goes in parts.
    static int LengthOf(std::size_t size) {
        return size > INT_MAX ? INT_MAX : static_cast<int>(size);
    }
    static int Receive(SOCKET socket, std::span<std::uint8_t> into) {
        return ::recv(socket, reinterpret_cast<char*>(into.data()), LengthOf(into.size()), 0);
    }
    static int Send(SOCKET socket, std::span<const std::uint8_t> bytes) {
        return ::send(socket, reinterpret_cast<const char*>(bytes.data()), LengthOf(bytes.size()),
                      0);
    }
    static UniqueSocket NewSocket() { return win_socket::NewSocket(); }
    static int ResolverSystemCode(int result) { return result; }
};

using WinStream = SocketStream<WinsockShim>;

} // namespace

std::function<bool(Clock::time_point)> WaitingFor(SOCKET socket, Ready ready) {
    return WaitingUntilReady<WinsockShim>(socket, ready);
}

void MakeNonBlocking(SOCKET socket) {
    u_long on = 1;
    if (::ioctlsocket(socket, FIONBIO, &on) != 0)
        ThrowSocketError(::WSAGetLastError());
}

UniqueSocket NewSocket() {
    UniqueSocket socket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!socket)
        ThrowSocketError(::WSAGetLastError());
    MakeNonBlocking(socket.get());
    return socket;
}

std::unique_ptr<ByteStream> StreamOver(UniqueSocket socket) {
    return std::make_unique<WinStream>(std::move(socket));
}

SOCKET SocketOf(ByteStream& stream) {
    return dynamic_cast<WinStream&>(stream).Socket();
}

} // namespace win_socket

std::unique_ptr<ByteStream> ConnectTcp(std::string_view host, std::uint16_t port,
                                       Clock::time_point deadline) {
    return ConnectTcpWith<win_socket::WinsockShim>(host, port, deadline);
}

} // namespace veyra
