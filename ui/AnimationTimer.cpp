#include "ui/AnimationTimer.h"

namespace veyra {

void AnimationTimer::SetInterval(unsigned ms) {
    const std::lock_guard lock(mutex_);
    if (ms == interval_)
        return;
    interval_ = ms;
    ++changes_;
}

unsigned AnimationTimer::Interval() const {
    const std::lock_guard lock(mutex_);
    return interval_;
}

bool AnimationTimer::GoesOn(const Platform& platform) const {
    return Enabled() && Interval() != 0 && !platform.ended();
}

void AnimationTimer::Run(const Platform& platform) {
    while (GoesOn(platform)) {
        platform.tick();
        if (!Wait(platform))
            return;
    }
}

bool AnimationTimer::Wait(const Platform& platform) {
    unsigned counter = 0;
    std::uint64_t seen = 0;
    {
        const std::lock_guard lock(mutex_);
        seen = changes_;
    }
    for (;;) {
        if (!GoesOn(platform))
            return false;
        unsigned interval = 0;
        {
            const std::lock_guard lock(mutex_);
            interval = interval_;
            if (changes_ != seen) {
                seen = changes_;
                counter = 0;
            }
        }
        if (counter >= interval)
            return true;
        platform.sleep(kStepMs);
        counter += kStepMs;
    }
}

} // namespace veyra
