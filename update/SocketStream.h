#pragma once
// The stream over a connected non-blocking socket, for both socket shims. Each includes this after
// its platform's socket headers (POSIX <arpa/inet.h> and <netinet/in.h>, or Winsock's
// <ws2tcpip.h>), which declare the same peer-name calls, and instantiates it with its struct of
// names (SocketShim.h) that also holds:
//   Session                 what must outlive the socket (Winsock's session; nothing on POSIX),
//                           so the stream declares it first
//   OwnedHandle             the socket, closed when it goes
//   kReadable, kWritable    the Readiness a receive and a send wait for
//   kClosedError            the error a closed stream's Write reports
//   Receive(socket, into)   recv() into the span: the count, < 0 failed with LastError()
//   Send(socket, bytes)     send() from the span: the count, < 0 failed with LastError()
//   WouldBlock(error)       the non-blocking call would have had to wait
//   AddressLength           the length type getpeername() takes
#include "update/ByteStream.h"
#include "update/HttpError.h"
#include "update/SocketRetry.h"
#include "update/SocketShim.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>

namespace veyra {

// A stream over a connected non-blocking socket, which it owns.
template <typename Shim> class SocketStream final : public ByteStream {
public:
    explicit SocketStream(typename Shim::OwnedHandle socket) : socket_(std::move(socket)) {}

    std::optional<std::size_t> Read(std::span<std::uint8_t> into,
                                    Clock::time_point deadline) override {
        if (!socket_ || into.empty())
            return 0;
        std::size_t count = 0;
        const auto receive = [&] {
            for (;;) {
                const auto received = Shim::Receive(socket_.get(), into);
                if (received >= 0) {
                    count = static_cast<std::size_t>(received);
                    return true;
                }
                if (!FailedCallIsMadeAgain())
                    return false;
            }
        };
        if (!RetryWhileBlocked(receive, Shim::kReadable, deadline))
            return std::nullopt;
        return count;
    }

    void Write(std::span<const std::uint8_t> bytes, Clock::time_point deadline) override {
        if (!socket_)
            ThrowSocketError(Shim::kClosedError);
        const auto sendSome = [&] {
            for (;;) {
                const auto sent = Shim::Send(socket_.get(), bytes);
                if (sent > 0) {
                    bytes = bytes.subspan(static_cast<std::size_t>(sent));
                    return true;
                }
                if (sent == 0 || !FailedCallIsMadeAgain())
                    return false;
            }
        };
        while (!bytes.empty())
            if (!RetryWhileBlocked(sendSome, Shim::kWritable, deadline))
                throw HttpError(HttpErrorKind::timeout);
    }

    void Close() override { socket_.reset(); }

    std::string PeerAddress() const override {
        sockaddr_in peer{};
        typename Shim::AddressLength size = sizeof(peer);
        char text[INET_ADDRSTRLEN] = {};
        if (::getpeername(socket_.get(), reinterpret_cast<sockaddr*>(&peer), &size) != 0 ||
            !::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof(text)))
            return {};
        return text;
    }

    typename Shim::Handle Socket() const { return socket_.get(); }

private:
    // After a receive or send failed: true when a signal cut it short and it is made again at
    // once, false when it would have had to wait. Throws HttpError (socket error) on any other
    // error.
    static bool FailedCallIsMadeAgain() {
        const int error = Shim::LastError();
        if (Shim::Interrupted(error))
            return true;
        if (!Shim::WouldBlock(error))
            ThrowSocketError(error);
        return false;
    }

    // RetryUntilDeadline of `attempt`, waiting for the socket to be ready for `ready`.
    bool RetryWhileBlocked(const std::function<bool()>& attempt, typename Shim::Readiness ready,
                           Clock::time_point deadline) const {
        return RetryUntilDeadline(attempt, WaitingUntilReady<Shim>(socket_.get(), ready), deadline);
    }

    typename Shim::Session session_; // declared first: outlives the socket
    typename Shim::OwnedHandle socket_;
};

} // namespace veyra
