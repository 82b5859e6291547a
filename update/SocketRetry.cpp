#include "update/SocketRetry.h"

namespace veyra {

bool RetryUntilDeadline(const std::function<bool()>& attempt,
                        const std::function<bool(Clock::time_point)>& wait,
                        Clock::time_point deadline) {
    for (;;) {
        if (attempt())
            return true;
        if (Clock::now() >= deadline || !wait(deadline))
            return false;
    }
}

} // namespace veyra
