#include "tests/native/TestSockets.h"

#include "update/SocketRetry.h"
#include "update/SocketShim_posix.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

namespace veyra::test {
namespace {

using namespace posix_socket;

class PosixListener final : public TcpListener {
public:
    PosixListener(UniqueFd fd, std::uint16_t port) : fd_(std::move(fd)), port_(port) {}

    std::uint16_t Port() const override { return port_; }

    std::unique_ptr<ByteStream> Accept(Clock::time_point deadline) override {
        std::unique_ptr<ByteStream> stream;
        const auto acceptOne = [&] {
            for (;;) {
                const int accepted =
                    ::accept4(fd_.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
                if (accepted >= 0) {
                    stream = StreamOver(UniqueFd(accepted));
                    return true;
                }
                if (errno == EINTR || errno == ECONNABORTED)
                    continue;
                if (!WouldBlock(errno))
                    ThrowSocketError(errno);
                return false;
            }
        };
        RetryUntilDeadline(acceptOne, WaitingFor(fd_.get(), POLLIN), deadline);
        return stream;
    }

private:
    UniqueFd fd_;
    std::uint16_t port_;
};

} // namespace

std::unique_ptr<TcpListener> ListenOnLoopback(std::uint16_t port) {
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd)
        ThrowSocketError(errno);
    // A fixed port is taken again by the next server at once, whatever the last one left behind.
    const int reuse = 1;
    if (port != 0 && ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) != 0)
        ThrowSocketError(errno);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd.get(), 16) != 0 ||
        ::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&address), &size) != 0)
        ThrowSocketError(errno);
    return std::make_unique<PosixListener>(std::move(fd), ntohs(address.sin_port));
}

void SendUrgentByte(ByteStream& stream, std::uint8_t byte) {
    if (::send(DescriptorOf(stream), &byte, 1, MSG_OOB | MSG_NOSIGNAL) != 1)
        ThrowSocketError(errno);
}

} // namespace veyra::test
