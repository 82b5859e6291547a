#include "ui/AnimationTimer.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace veyra {
namespace {

// Runs the timer on the calling thread with a recording platform: "T" for each tick, "s" for
// each sleep of 10 ms. Actions can be attached to the nth tick or sleep (counted from 1); the run
// is cut off after `limit` events so that a timer that never ends fails instead of hanging.
class Script {
public:
    explicit Script(AnimationTimer& timer, std::size_t limit = 2000) : timer_(timer) {
        platform_.tick = [this, limit] {
            events_ += 'T';
            ++ticks_;
            if (onTick_)
                onTick_(ticks_);
            CutOffAfter(limit);
        };
        platform_.sleep = [this, limit](unsigned ms) {
            EXPECT_EQ(ms, 10u);
            events_ += 's';
            ++sleeps_;
            if (onSleep_)
                onSleep_(sleeps_);
            CutOffAfter(limit);
        };
        platform_.ended = [this] { return ended_; };
    }

    std::function<void(int)> onTick_, onSleep_;
    bool ended_ = false;

    std::string Run() {
        timer_.Run(platform_);
        return events_;
    }
    bool CutOff() const { return cutOff_; }

private:
    void CutOffAfter(std::size_t limit) {
        if (events_.size() >= limit) {
            cutOff_ = true;
            timer_.SetEnabled(false);
        }
    }

    AnimationTimer& timer_;
    AnimationTimer::Platform platform_;
    std::string events_;
    int ticks_ = 0, sleeps_ = 0;
    bool cutOff_ = false;
};

std::string Sleeps(int n) {
    return std::string(static_cast<std::size_t>(n), 's');
}

TEST(AnimationTimerTest, TicksAtOnceThenSleepsInTenMillisecondStepsUpToTheInterval) {
    const struct {
        unsigned interval;
        int sleeps;
    } cases[] = {{50, 5}, {51, 6}, {59, 6}, {60, 6}, {100, 10}, {10000, 1000}};
    for (const auto& c : cases) {
        AnimationTimer timer(c.interval);
        Script script(timer, 5000);
        script.onTick_ = [&](int n) {
            if (n == 3)
                timer.SetEnabled(false);
        };
        const std::string period = "T" + Sleeps(c.sleeps);
        EXPECT_EQ(script.Run(), period + period + "T") << c.interval;
        EXPECT_FALSE(script.CutOff());
    }
}

TEST(AnimationTimerTest, ADifferentIntervalDuringAWaitStartsTheCountAgain) {
    // The interval is 50; during the nth sleep of the first wait it is set to `next`.
    const struct {
        const char* what;
        int atSleep;
        unsigned next;
        int sleepsInThatWait;
    } cases[] = {
        {"the same interval changes nothing", 3, 50, 5},
        {"shorter, counted again from 0", 3, 30, 3 + 3},
        {"longer, counted again from 0", 3, 100, 3 + 10},
        {"at the last sleep", 5, 20, 5 + 2},
    };
    for (const auto& c : cases) {
        AnimationTimer timer(50);
        Script script(timer);
        script.onSleep_ = [&](int n) {
            if (n == c.atSleep)
                timer.SetInterval(c.next);
        };
        script.onTick_ = [&](int n) {
            if (n == 2)
                timer.SetEnabled(false);
        };
        EXPECT_EQ(script.Run(), "T" + Sleeps(c.sleepsInThatWait) + "T") << c.what;
    }
}

// The window's tick sets the interval of the frame it moves to; the wait after it counts that.
TEST(AnimationTimerTest, TheWaitAfterATickCountsTheIntervalTheTickSet) {
    AnimationTimer timer(50);
    Script script(timer);
    const unsigned set[] = {100, 100, 50};
    script.onTick_ = [&](int n) {
        if (n <= 3)
            timer.SetInterval(set[n - 1]);
        else
            timer.SetEnabled(false);
    };
    EXPECT_EQ(script.Run(), "T" + Sleeps(10) + "T" + Sleeps(10) + "T" + Sleeps(5) + "T");
}

TEST(AnimationTimerTest, EndsWithoutAnotherTickWhenSwitchedOffTheLoopEndsOrTheIntervalIsZero) {
    const struct {
        const char* what;
        std::function<void(AnimationTimer&, Script&)> end;
    } cases[] = {
        {"switched off", [](AnimationTimer& t, Script&) { t.SetEnabled(false); }},
        {"message loop ending", [](AnimationTimer&, Script& s) { s.ended_ = true; }},
        {"interval 0", [](AnimationTimer& t, Script&) { t.SetInterval(0); }},
    };
    for (const auto& c : cases) {
        // During the third sleep of the second wait: that sleep is the last thing that happens.
        {
            AnimationTimer timer(50);
            Script script(timer);
            script.onSleep_ = [&](int n) {
                if (n == 8)
                    c.end(timer, script);
            };
            EXPECT_EQ(script.Run(), "T" + Sleeps(5) + "T" + Sleeps(3)) << c.what << ", in a wait";
        }
        // During a tick: no sleep follows.
        {
            AnimationTimer timer(50);
            Script script(timer);
            script.onTick_ = [&](int n) {
                if (n == 2)
                    c.end(timer, script);
            };
            EXPECT_EQ(script.Run(), "T" + Sleeps(5) + "T") << c.what << ", in a tick";
        }
        // Before the run: not even the first tick.
        {
            AnimationTimer timer(50);
            Script script(timer);
            c.end(timer, script);
            EXPECT_EQ(script.Run(), "") << c.what << ", before the run";
        }
    }
}

TEST(AnimationTimerTest, SwitchedOnAgainALaterRunTicksAgain) {
    AnimationTimer timer(50);
    Script first(timer);
    first.onTick_ = [&](int) { timer.SetEnabled(false); };
    EXPECT_EQ(first.Run(), "T");
    EXPECT_FALSE(timer.Enabled());
    timer.SetEnabled(true);
    Script second(timer);
    second.onTick_ = [&](int n) {
        if (n == 2)
            timer.SetEnabled(false);
    };
    EXPECT_EQ(second.Run(), "T" + Sleeps(5) + "T");
}

} // namespace
} // namespace veyra
