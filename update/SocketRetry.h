#pragma once
// The loop under every socket operation of the shims: try it; while it would block, wait for the
// socket; give up once the deadline has passed, looked at after every wake-up. A wait can wake
// without the operation being able to go on (on Windows an urgent byte keeps a socket's
// exceptional condition set while a plain receive never takes it): the deadline still ends it.
#include "update/ByteStream.h"

#include <functional>

namespace veyra {

// `attempt` returns true when the operation is done, false when it would block, and throws on an
// error. `wait` waits at most until the deadline for the socket to become ready and returns false
// when the deadline passed first. Returns true when the operation was done, false when the
// deadline passed first; `attempt` is always tried at least once.
bool RetryUntilDeadline(const std::function<bool()>& attempt,
                        const std::function<bool(Clock::time_point)>& wait,
                        Clock::time_point deadline);

} // namespace veyra
