#pragma once
// The POSIX socket shim's parts, shared by the shim (Socket_posix.cpp) and the tests' local
// servers, which listen and accept over the same descriptors, waits and streams.
#include "support/UniqueAny.h"
#include "update/ByteStream.h"
#include "update/SocketShim.h"

#include <unistd.h>

#include <functional>
#include <memory>

namespace veyra::posix_socket {

inline void CloseDescriptor(int fd) {
    ::close(fd);
}
// The calls that make a descriptor report failure as -1.
using UniqueFd = UniqueAny<int, CloseDescriptor, -1>;

// Whether `code` says a non-blocking call would have had to wait.
bool WouldBlock(int code);

// The wait of RetryUntilDeadline for the descriptor: poll() for `events`.
std::function<bool(Clock::time_point)> WaitingFor(int fd, short events);

// A stream over a connected non-blocking socket, which it owns.
std::unique_ptr<ByteStream> StreamOver(UniqueFd fd);

// The descriptor under a stream that StreamOver or ConnectTcp made.
int DescriptorOf(ByteStream& stream);

} // namespace veyra::posix_socket
