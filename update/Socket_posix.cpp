// The socket shim over POSIX sockets: non-blocking descriptors, poll() for every wait.
#include "update/Socket.h"
#include "update/SocketShim.h"
#include "update/SocketShim_posix.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>

// After the platform's socket headers, whose resolver and peer-name calls they make.
#include "update/SocketConnect.h"
#include "update/SocketStream.h"

namespace veyra {
namespace posix_socket {

bool WouldBlock(int code) {
    return code == EAGAIN || code == EWOULDBLOCK;
}

namespace {

// The POSIX names of the shared wait, connect (SocketShim.h, SocketConnect.h) and stream
// (SocketStream.h).
struct PosixShim {
    struct Session {}; // POSIX sockets need no setup before their first call
    using Handle = int;
    using OwnedHandle = UniqueFd;
    using Readiness = short;
    using AddressLength = socklen_t;
    static constexpr Readiness kConnected = POLLOUT;
    static constexpr Readiness kReadable = POLLIN;
    static constexpr Readiness kWritable = POLLOUT;
    static constexpr int kClosedError = EBADF;
    static constexpr int kLongestWaitMs = INT_MAX;
    static int Wait(int fd, short events, int ms) {
        pollfd entry{fd, events, 0};
        return ::poll(&entry, 1, ms);
    }
    static int LastError() { return errno; }
    static bool Interrupted(int error) { return error == EINTR; }
    static bool WouldBlock(int error) { return posix_socket::WouldBlock(error); }
    static bool Connecting(int error) { return error == EINPROGRESS || error == EINTR; }
    static int Connect(int fd, const sockaddr_in& target) {
        return ::connect(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target);
    }
    static int ConnectResult(int fd, int& failure) {
        socklen_t size = sizeof failure;
        return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &failure, &size);
    }
    static ssize_t Receive(int fd, std::span<std::uint8_t> into) {
        return ::recv(fd, into.data(), into.size(), 0);
    }
    static ssize_t Send(int fd, std::span<const std::uint8_t> bytes) {
        // MSG_NOSIGNAL: a peer that has gone away is an error here, not a SIGPIPE.
        return ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }
    static UniqueFd NewSocket() {
        UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        if (!fd)
            ThrowSocketError(errno);
        return fd;
    }
    static int ResolverSystemCode(int result) { return result == EAI_SYSTEM ? errno : 0; }
};

using PosixStream = SocketStream<PosixShim>;

} // namespace

std::function<bool(Clock::time_point)> WaitingFor(int fd, short events) {
    return WaitingUntilReady<PosixShim>(fd, events);
}

std::unique_ptr<ByteStream> StreamOver(UniqueFd fd) {
    return std::make_unique<PosixStream>(std::move(fd));
}

int DescriptorOf(ByteStream& stream) {
    return dynamic_cast<PosixStream&>(stream).Socket();
}

} // namespace posix_socket

std::unique_ptr<ByteStream> ConnectTcp(std::string_view host, std::uint16_t port,
                                       Clock::time_point deadline) {
    return ConnectTcpWith<posix_socket::PosixShim>(host, port, deadline);
}

} // namespace veyra
