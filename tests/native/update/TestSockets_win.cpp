#include "tests/native/TestSockets.h"

#include "update/SocketRetry.h"
#include "update/SocketShim_win.h"

namespace veyra::test {
namespace {

using namespace win_socket;

class WinListener final : public TcpListener {
public:
    explicit WinListener(std::uint16_t port) : socket_(NewSocket()) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int size = sizeof address;
        if (::bind(socket_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) !=
                0 ||
            ::listen(socket_.get(), 16) != 0 ||
            ::getsockname(socket_.get(), reinterpret_cast<sockaddr*>(&address), &size) != 0)
            ThrowSocketError(::WSAGetLastError());
        port_ = ntohs(address.sin_port);
    }

    std::uint16_t Port() const override { return port_; }

    std::unique_ptr<ByteStream> Accept(Clock::time_point deadline) override {
        std::unique_ptr<ByteStream> stream;
        const auto acceptOne = [&] {
            for (;;) {
                UniqueSocket accepted(::accept(socket_.get(), nullptr, nullptr));
                if (accepted) {
                    MakeNonBlocking(accepted.get());
                    stream = StreamOver(std::move(accepted));
                    return true;
                }
                const int error = ::WSAGetLastError();
                if (error == WSAECONNRESET)
                    continue;
                if (error != WSAEWOULDBLOCK)
                    ThrowSocketError(error);
                return false;
            }
        };
        RetryUntilDeadline(acceptOne, WaitingFor(socket_.get(), Ready::read), deadline);
        return stream;
    }

private:
    WinsockSession session_; // declared first: outlives the socket
    UniqueSocket socket_;
    std::uint16_t port_ = 0;
};

} // namespace

std::unique_ptr<TcpListener> ListenOnLoopback(std::uint16_t port) {
    return std::make_unique<WinListener>(port);
}

void SendUrgentByte(ByteStream& stream, std::uint8_t byte) {
    if (::send(SocketOf(stream), reinterpret_cast<const char*>(&byte), 1, MSG_OOB) != 1)
        ThrowSocketError(::WSAGetLastError());
}

} // namespace veyra::test
