// The socket shim over Winsock: non-blocking sockets, select() for every wait. Each stream and
// listener holds its own Winsock session, so WSACleanup comes only after its socket is closed.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "update/HttpError.h"
#include "update/Socket.h"
#include "update/SocketRetry.h"
#include "update/SocketShim.h"
#include "update/SocketShim_win.h"

#include <climits>
#include <string>
#include <utility>

// After the platform's socket headers, whose resolver it calls.
#include "update/ResolveIpv4.h"

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

// The Winsock names of the shared wait and connect (SocketShim.h).
struct WinsockShim {
    using Handle = SOCKET;
    using Readiness = Ready;
    static constexpr Readiness kConnected = Ready::connected;
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
    static bool Connecting(int error) { return error == WSAEWOULDBLOCK; }
    static int Connect(SOCKET socket, const sockaddr_in& target) {
        return ::connect(socket, reinterpret_cast<const sockaddr*>(&target), sizeof target);
    }
    static int ConnectResult(SOCKET socket, int& failure) {
        int size = sizeof failure;
        return ::getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&failure), &size);
    }
};

class WinStream final : public ByteStream {
public:
    explicit WinStream(UniqueSocket socket) : socket_(std::move(socket)) {}

    std::optional<std::size_t> Read(std::span<std::uint8_t> into,
                                    Clock::time_point deadline) override {
        if (!socket_ || into.empty())
            return 0;
        const int size = into.size() > INT_MAX ? INT_MAX : static_cast<int>(into.size());
        std::size_t count = 0;
        const auto receive = [&] {
            const int received =
                ::recv(socket_.get(), reinterpret_cast<char*>(into.data()), size, 0);
            if (received != SOCKET_ERROR) {
                count = static_cast<std::size_t>(received);
                return true;
            }
            const int error = ::WSAGetLastError();
            if (error != WSAEWOULDBLOCK)
                ThrowSocketError(error);
            return false;
        };
        if (!RetryUntilDeadline(receive, WaitingFor(socket_.get(), Ready::read), deadline))
            return std::nullopt;
        return count;
    }

    void Write(std::span<const std::uint8_t> bytes, Clock::time_point deadline) override {
        if (!socket_)
            ThrowSocketError(WSAENOTSOCK);
        const auto sendSome = [&] {
            const int size = bytes.size() > INT_MAX ? INT_MAX : static_cast<int>(bytes.size());
            const int sent =
                ::send(socket_.get(), reinterpret_cast<const char*>(bytes.data()), size, 0);
            if (sent > 0) {
                bytes = bytes.subspan(static_cast<std::size_t>(sent));
                return true;
            }
            const int error = ::WSAGetLastError();
            if (sent == SOCKET_ERROR && error != WSAEWOULDBLOCK)
                ThrowSocketError(error);
            return false;
        };
        while (!bytes.empty())
            if (!RetryUntilDeadline(sendSome, WaitingFor(socket_.get(), Ready::write), deadline))
                throw HttpError(HttpErrorKind::timeout);
    }

    void Close() override { socket_.reset(); }

    std::string PeerAddress() const override {
        sockaddr_in peer{};
        int size = sizeof(peer);
        char text[INET_ADDRSTRLEN] = {};
        if (::getpeername(socket_.get(), reinterpret_cast<sockaddr*>(&peer), &size) != 0 ||
            !::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof(text)))
            return {};
        return text;
    }

    SOCKET Socket() const { return socket_.get(); }

private:
    WinsockSession session_; // declared first: outlives the socket
    UniqueSocket socket_;
};

} // namespace

std::function<bool(Clock::time_point)> WaitingFor(SOCKET socket, Ready ready) {
    return [socket, ready](Clock::time_point deadline) {
        return WaitUntilReady<WinsockShim>(socket, ready, deadline);
    };
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

using namespace win_socket;

std::unique_ptr<ByteStream> ConnectTcp(std::string_view host, std::uint16_t port,
                                       Clock::time_point deadline) {
    WinsockSession session; // for the resolver and the connect; the stream holds its own
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    target.sin_addr = ResolveIpv4(std::string(host), [](int result) { return result; });

    UniqueSocket socket = NewSocket();
    ConnectAndWait<WinsockShim>(socket.get(), target, deadline);
    return StreamOver(std::move(socket));
}

} // namespace veyra
