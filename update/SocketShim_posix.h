#pragma once
// The POSIX socket shim's parts, shared by the shim (Socket_posix.cpp) and the tests' local
// servers, which listen and accept over the same descriptors, waits and streams.
#include "update/ByteStream.h"

#include <unistd.h>

#include <functional>
#include <memory>
#include <utility>

namespace veyra::posix_socket {

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

// Throws HttpError (socket error) with the errno value `code`.
[[noreturn]] void ThrowSocketError(int code);

// Whether `code` says a non-blocking call would have had to wait.
bool WouldBlock(int code);

// The wait of RetryUntilDeadline for the descriptor: poll() for `events`.
std::function<bool(Clock::time_point)> WaitingFor(int fd, short events);

// A stream over a connected non-blocking socket, which it owns.
std::unique_ptr<ByteStream> StreamOver(UniqueFd fd);

// The descriptor under a stream that StreamOver or ConnectTcp made.
int DescriptorOf(ByteStream& stream);

} // namespace veyra::posix_socket
