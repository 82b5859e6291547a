// The socket shim over POSIX sockets: non-blocking descriptors, poll() for every wait.
#include "update/HttpError.h"
#include "update/Socket.h"
#include "update/SocketRetry.h"
#include "update/SocketShim.h"
#include "update/SocketShim_posix.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <climits>
#include <string>
#include <utility>

// After the platform's socket headers, whose resolver it calls.
#include "update/ResolveIpv4.h"

namespace veyra {
namespace posix_socket {

bool WouldBlock(int code) {
    return code == EAGAIN || code == EWOULDBLOCK;
}

namespace {

// The POSIX names of the shared wait and connect (SocketShim.h).
struct PosixShim {
    using Handle = int;
    using Readiness = short;
    static constexpr Readiness kConnected = POLLOUT;
    static constexpr int kLongestWaitMs = INT_MAX;
    static int Wait(int fd, short events, int ms) {
        pollfd entry{fd, events, 0};
        return ::poll(&entry, 1, ms);
    }
    static int LastError() { return errno; }
    static bool Interrupted(int error) { return error == EINTR; }
    static bool Connecting(int error) { return error == EINPROGRESS || error == EINTR; }
    static int Connect(int fd, const sockaddr_in& target) {
        return ::connect(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target);
    }
    static int ConnectResult(int fd, int& failure) {
        socklen_t size = sizeof failure;
        return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &failure, &size);
    }
};

class PosixStream final : public ByteStream {
public:
    explicit PosixStream(UniqueFd fd) : fd_(std::move(fd)) {}

    std::optional<std::size_t> Read(std::span<std::uint8_t> into,
                                    Clock::time_point deadline) override {
        if (!fd_ || into.empty())
            return 0;
        std::size_t count = 0;
        const auto receive = [&] {
            for (;;) {
                const ssize_t received = ::recv(fd_.get(), into.data(), into.size(), 0);
                if (received >= 0) {
                    count = static_cast<std::size_t>(received);
                    return true;
                }
                if (errno == EINTR)
                    continue;
                if (!WouldBlock(errno))
                    ThrowSocketError(errno);
                return false;
            }
        };
        if (!RetryUntilDeadline(receive, WaitingFor(fd_.get(), POLLIN), deadline))
            return std::nullopt;
        return count;
    }

    void Write(std::span<const std::uint8_t> bytes, Clock::time_point deadline) override {
        if (!fd_)
            ThrowSocketError(EBADF);
        const auto sendSome = [&] {
            for (;;) {
                // MSG_NOSIGNAL: a peer that has gone away is an error here, not a SIGPIPE.
                const ssize_t sent = ::send(fd_.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
                if (sent > 0) {
                    bytes = bytes.subspan(static_cast<std::size_t>(sent));
                    return true;
                }
                if (sent < 0 && errno == EINTR)
                    continue;
                if (sent < 0 && !WouldBlock(errno))
                    ThrowSocketError(errno);
                return false;
            }
        };
        while (!bytes.empty())
            if (!RetryUntilDeadline(sendSome, WaitingFor(fd_.get(), POLLOUT), deadline))
                throw HttpError(HttpErrorKind::timeout);
    }

    void Close() override { fd_.reset(); }

    std::string PeerAddress() const override {
        sockaddr_in peer{};
        socklen_t size = sizeof(peer);
        char text[INET_ADDRSTRLEN] = {};
        if (::getpeername(fd_.get(), reinterpret_cast<sockaddr*>(&peer), &size) != 0 ||
            !::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof(text)))
            return {};
        return text;
    }

    int Descriptor() const { return fd_.get(); }

private:
    UniqueFd fd_;
};

} // namespace

std::function<bool(Clock::time_point)> WaitingFor(int fd, short events) {
    return [fd, events](Clock::time_point deadline) {
        return WaitUntilReady<PosixShim>(fd, events, deadline);
    };
}

std::unique_ptr<ByteStream> StreamOver(UniqueFd fd) {
    return std::make_unique<PosixStream>(std::move(fd));
}

int DescriptorOf(ByteStream& stream) {
    return dynamic_cast<PosixStream&>(stream).Descriptor();
}

} // namespace posix_socket

using namespace posix_socket;

std::unique_ptr<ByteStream> ConnectTcp(std::string_view host, std::uint16_t port,
                                       Clock::time_point deadline) {
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    target.sin_addr =
        ResolveIpv4(std::string(host), [](int result) { return result == EAI_SYSTEM ? errno : 0; });

    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd)
        ThrowSocketError(errno);
    ConnectAndWait<PosixShim>(fd.get(), target, deadline);
    return StreamOver(std::move(fd));
}

} // namespace veyra
