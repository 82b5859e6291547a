// The socket shim over POSIX sockets: non-blocking descriptors, poll() for every wait.
#include "update/HttpError.h"
#include "update/Socket.h"
#include "update/SocketRetry.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>
#include <utility>

namespace veyra {

namespace {

class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
    UniqueFd& operator=(UniqueFd&&) = delete;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { Reset(); }
    int Get() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }
    void Reset() {
        if (fd_ >= 0)
            ::close(std::exchange(fd_, -1));
    }

private:
    int fd_;
};

[[noreturn]] void ThrowSocketError(int code) {
    throw HttpError(HttpErrorKind::socketError, 0, static_cast<unsigned long>(code));
}

int MillisecondsUntil(Clock::time_point deadline) {
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero())
        return 0;
    // Rounded up, so that the wait never ends before the deadline.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

// Waits until the descriptor is ready for `events`; false when the deadline passes first.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, MillisecondsUntil(deadline));
        if (ready > 0)
            return true;
        if (ready == 0) {
            if (Clock::now() >= deadline)
                return false;
            continue;
        }
        if (errno != EINTR)
            ThrowSocketError(errno);
    }
}

// The wait of RetryUntilDeadline for the descriptor.
std::function<bool(Clock::time_point)> WaitingFor(int fd, short events) {
    return [fd, events](Clock::time_point deadline) { return WaitFor(fd, events, deadline); };
}

bool WouldBlock(int code) {
    return code == EAGAIN || code == EWOULDBLOCK;
}

class PosixStream final : public ByteStream {
public:
    explicit PosixStream(UniqueFd fd) : fd_(std::move(fd)) {}

    std::optional<std::size_t> Read(std::span<std::uint8_t> into,
                                    Clock::time_point deadline) override {
        if (fd_.Get() < 0 || into.empty())
            return 0;
        std::size_t count = 0;
        const auto receive = [&] {
            for (;;) {
                const ssize_t received = ::recv(fd_.Get(), into.data(), into.size(), 0);
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
        if (!RetryUntilDeadline(receive, WaitingFor(fd_.Get(), POLLIN), deadline))
            return std::nullopt;
        return count;
    }

    void Write(std::span<const std::uint8_t> bytes, Clock::time_point deadline) override {
        if (fd_.Get() < 0)
            ThrowSocketError(EBADF);
        const auto sendSome = [&] {
            for (;;) {
                // MSG_NOSIGNAL: a peer that has gone away is an error here, not a SIGPIPE.
                const ssize_t sent = ::send(fd_.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
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
            if (!RetryUntilDeadline(sendSome, WaitingFor(fd_.Get(), POLLOUT), deadline))
                throw HttpError(HttpErrorKind::timeout);
    }

    void Close() override { fd_.Reset(); }

    void SendUrgent(std::uint8_t byte) {
        if (::send(fd_.Get(), &byte, 1, MSG_OOB | MSG_NOSIGNAL) != 1)
            ThrowSocketError(errno);
    }

private:
    UniqueFd fd_;
};

in_addr Resolve(const std::string& host) {
    in_addr address{};
    if (::inet_pton(AF_INET, host.c_str(), &address) == 1)
        return address;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int result = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (result != 0 || found == nullptr)
        throw HttpError(HttpErrorKind::socketError, 0,
                        static_cast<unsigned long>(result == EAI_SYSTEM ? errno : 0),
                        HttpErrorCause::nameNotResolved);
    address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    ::freeaddrinfo(found);
    return address;
}

class PosixListener final : public TcpListener {
public:
    PosixListener(UniqueFd fd, std::uint16_t port) : fd_(std::move(fd)), port_(port) {}

    std::uint16_t Port() const override { return port_; }

    std::unique_ptr<ByteStream> Accept(Clock::time_point deadline) override {
        std::unique_ptr<ByteStream> stream;
        const auto acceptOne = [&] {
            for (;;) {
                const int accepted =
                    ::accept4(fd_.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
                if (accepted >= 0) {
                    stream = std::make_unique<PosixStream>(UniqueFd(accepted));
                    return true;
                }
                if (errno == EINTR || errno == ECONNABORTED)
                    continue;
                if (!WouldBlock(errno))
                    ThrowSocketError(errno);
                return false;
            }
        };
        RetryUntilDeadline(acceptOne, WaitingFor(fd_.Get(), POLLIN), deadline);
        return stream;
    }

private:
    UniqueFd fd_;
    std::uint16_t port_;
};

} // namespace

std::unique_ptr<ByteStream> ConnectTcp(std::string_view host, std::uint16_t port,
                                       Clock::time_point deadline) {
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    target.sin_addr = Resolve(std::string(host));

    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (fd.Get() < 0)
        ThrowSocketError(errno);
    if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
        if (errno != EINPROGRESS && errno != EINTR)
            ThrowSocketError(errno);
        if (!WaitFor(fd.Get(), POLLOUT, deadline))
            throw HttpError::Timeout(HttpErrorCause::connectWait);
        int error = 0;
        socklen_t size = sizeof error;
        if (::getsockopt(fd.Get(), SOL_SOCKET, SO_ERROR, &error, &size) != 0)
            ThrowSocketError(errno);
        if (error != 0)
            ThrowSocketError(error);
    }
    return std::make_unique<PosixStream>(std::move(fd));
}

void SendUrgentByte(ByteStream& stream, std::uint8_t byte) {
    dynamic_cast<PosixStream&>(stream).SendUrgent(byte);
}

std::unique_ptr<TcpListener> ListenOnLoopback(std::uint16_t port) {
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (fd.Get() < 0)
        ThrowSocketError(errno);
    // A fixed port is taken again by the next server at once, whatever the last one left behind.
    const int reuse = 1;
    if (port != 0 && ::setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) != 0)
        ThrowSocketError(errno);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd.Get(), 16) != 0 ||
        ::getsockname(fd.Get(), reinterpret_cast<sockaddr*>(&address), &size) != 0)
        ThrowSocketError(errno);
    return std::make_unique<PosixListener>(std::move(fd), ntohs(address.sin_port));
}

} // namespace veyra
