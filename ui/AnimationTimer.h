#pragma once
// The logo's animation timer: a loop, run on a thread of its own, that hands a tick over and then
// counts the interval in 10 ms sleeps. The sleep, the hand-over and the end of the message loop
// come from outside, so the counting is the same natively and on Windows.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

namespace veyra {

class AnimationTimer {
public:
    struct Platform {
        // Hands a tick to the window thread and returns once it has run there.
        std::function<void()> tick;
        // Sleeps about `ms` milliseconds (SleepEx(ms, FALSE) on Windows).
        std::function<void(unsigned ms)> sleep;
        // Whether the message loop has been asked to end.
        std::function<bool()> ended;
    };
    static constexpr unsigned kStepMs = 10;

    explicit AnimationTimer(unsigned intervalMs = 0) : interval_(intervalMs) {}

    // From any thread. A different interval starts the count of the wait under way again from 0;
    // the same interval changes nothing. 0 stops the timer: Run returns without another tick.
    void SetInterval(unsigned ms);
    unsigned Interval() const;

    // From any thread. Off, Run returns at its next step without another tick; on again, a later
    // Run ticks again.
    void SetEnabled(bool on) { enabled_.store(on); }
    bool Enabled() const { return enabled_.load(); }

    // The timer thread's body. Until the timer is off, the interval is 0 or the message loop is
    // ending: hand a tick over (the first one at once), then wait: a counter from 0, while it is
    // below the interval one sleep of kStepMs and the counter up by kStepMs. The end conditions
    // are looked at before every tick and every sleep.
    void Run(const Platform& platform);

private:
    bool GoesOn(const Platform& platform) const;
    // The wait after a tick; false when the timer ended during it.
    bool Wait(const Platform& platform);

    mutable std::mutex mutex_;
    unsigned interval_;       // guarded by mutex_
    std::uint64_t changes_{}; // guarded by mutex_: how often the interval has changed
    std::atomic<bool> enabled_{true};
};

} // namespace veyra
