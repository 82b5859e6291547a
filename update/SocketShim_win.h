#pragma once
// The Winsock shim's parts, shared by the shim (Socket_win.cpp) and the tests' local servers,
// which listen and accept over the same sockets, waits and streams.
#include <winsock2.h>

#include "support/UniqueAny.h"
#include "update/ByteStream.h"
#include "update/SocketShim.h"

#include <functional>
#include <memory>

namespace veyra::win_socket {

inline void CloseSocketHandle(SOCKET socket) {
    ::closesocket(socket);
}
using UniqueSocket = UniqueAny<SOCKET, CloseSocketHandle, INVALID_SOCKET>;

// One WSAStartup and its WSACleanup: whatever owns a socket holds one, declared before the
// socket, so the cleanup comes only after the socket is closed.
class WinsockSession {
public:
    WinsockSession();
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    ~WinsockSession();
};

enum class Ready { read, write, connected };

// The wait of RetryUntilDeadline for the socket: select() until it is ready for `ready`.
std::function<bool(Clock::time_point)> WaitingFor(SOCKET socket, Ready ready);

void MakeNonBlocking(SOCKET socket);

// A new non-blocking IPv4 TCP socket.
UniqueSocket NewSocket();

// A stream over a connected non-blocking socket, which it owns.
std::unique_ptr<ByteStream> StreamOver(UniqueSocket socket);

// The socket under a stream that StreamOver or ConnectTcp made.
SOCKET SocketOf(ByteStream& stream);

} // namespace veyra::win_socket
