#pragma once
// The part both socket shims share: the socket error, the bounded wait for one socket and the
// non-blocking connect (their stream: SocketStream.h). Each shim instantiates the templates with
// a struct of its platform's names (Socket_posix.cpp: PosixShim, Socket_win.cpp: WinsockShim):
//   Handle, Readiness       the socket, and what a wait waits for (poll() events / Ready)
//   kConnected              the Readiness of a connect that has ended
//   kLongestWaitMs          the longest wait the platform's call takes
//   Wait(socket, ready, ms) poll() or select() for the one socket: > 0 ready, 0 the time ran
//                           out, < 0 failed with LastError()
//   LastError()             errno or WSAGetLastError()
//   Interrupted(error)      the call was cut short and is made again
//   Connecting(error)       a non-blocking connect that goes on
//   Connect(socket, target) connect(): 0 when connected at once
//   ConnectResult(socket, failure)  SO_ERROR into `failure`: 0 when it could be read
// What still differs between them is the platform's: a signal cuts POSIX calls short (EINTR),
// Winsock has none; Winsock waits with select(), since WSAPoll() does not report a refused
// connect on the Windows versions the program runs on; poll() takes an int of milliseconds,
// select() a timeval whose microseconds must fit Windows' 32-bit long.
#include "update/ByteStream.h"
#include "update/HttpError.h"

#include <chrono>
#include <functional>

namespace veyra {

// Throws HttpError (socket error) with the platform's error `code` (errno, Winsock error).
[[noreturn]] inline void ThrowSocketError(int code) {
    throw HttpError(HttpErrorKind::socketError, 0, static_cast<unsigned long>(code));
}

// The time left until `deadline`, in milliseconds up to `longest`; 0 once it has passed.
template <typename Milliseconds>
Milliseconds MillisecondsUntil(Clock::time_point deadline, Milliseconds longest) {
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero())
        return 0;
    // Rounded up, so that the wait never ends before the deadline.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return ms > longest ? longest : static_cast<Milliseconds>(ms);
}

// Waits until `socket` is ready for `ready`; false when the deadline passes first. Throws
// HttpError (socket error) when the wait fails.
template <typename Shim>
bool WaitUntilReady(typename Shim::Handle socket, typename Shim::Readiness ready,
                    Clock::time_point deadline) {
    for (;;) {
        const int count =
            Shim::Wait(socket, ready, MillisecondsUntil(deadline, Shim::kLongestWaitMs));
        if (count > 0)
            return true;
        if (count < 0) {
            const int error = Shim::LastError();
            if (!Shim::Interrupted(error))
                ThrowSocketError(error);
        } else if (Clock::now() >= deadline) {
            return false;
        }
    }
}

// The wait of RetryUntilDeadline for `socket`: WaitUntilReady for `ready`.
template <typename Shim>
std::function<bool(Clock::time_point)> WaitingUntilReady(typename Shim::Handle socket,
                                                         typename Shim::Readiness ready) {
    return [socket, ready](Clock::time_point deadline) {
        return WaitUntilReady<Shim>(socket, ready, deadline);
    };
}

// Connects the non-blocking `socket` to `target` and waits until the connect has ended. Throws
// HttpError: socket error when the connect fails, timeout (connectWait) when it has not ended by
// `deadline`.
template <typename Shim, typename Address>
void ConnectAndWait(typename Shim::Handle socket, const Address& target,
                    Clock::time_point deadline) {
    if (Shim::Connect(socket, target) == 0)
        return;
    const int error = Shim::LastError();
    if (!Shim::Connecting(error))
        ThrowSocketError(error);
    if (!WaitUntilReady<Shim>(socket, Shim::kConnected, deadline))
        throw HttpError::Timeout(HttpErrorCause::connectWait);
    int failure = 0;
    if (Shim::ConnectResult(socket, failure) != 0)
        ThrowSocketError(Shim::LastError());
    if (failure != 0)
        ThrowSocketError(failure);
}

} // namespace veyra
