#include "update/SocketRetry.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace veyra {
namespace {

using namespace std::chrono_literals;

// A wait that wakes at once every time, as select() does while a socket's exceptional condition
// stays set (an urgent byte that a plain receive never takes). It refuses to be called long after
// the deadline: a loop that does not look at the deadline fails here instead of spinning forever.
struct AlwaysWakingWait {
    int wakeUps = 0;
    bool operator()(Clock::time_point deadline) {
        if (Clock::now() > deadline + 2s)
            throw std::runtime_error("still waiting two seconds past the deadline");
        ++wakeUps;
        return true;
    }
};

TEST(SingleThreadSocketRetryTest, AWaitThatKeepsWakingStillEndsAtTheDeadline) {
    AlwaysWakingWait wait;
    int attempts = 0;
    const auto deadline = Clock::now() + 30ms;
    const bool done =
        RetryUntilDeadline([&] { return ++attempts, false; }, std::ref(wait), deadline);
    EXPECT_FALSE(done);
    EXPECT_GE(Clock::now(), deadline);
    EXPECT_GT(wait.wakeUps, 0);
    EXPECT_EQ(attempts, wait.wakeUps + 1); // a try after every wake-up, then the deadline
}

TEST(SingleThreadSocketRetryTest, TheOperationGoesOnAfterEachWakeUpUntilItIsDone) {
    AlwaysWakingWait wait;
    int attempts = 0;
    const bool done =
        RetryUntilDeadline([&] { return ++attempts == 3; }, std::ref(wait), Clock::now() + 10s);
    EXPECT_TRUE(done);
    EXPECT_EQ(attempts, 3);
    EXPECT_EQ(wait.wakeUps, 2);
}

TEST(SingleThreadSocketRetryTest, ReadyDataIsTakenEvenWhenTheDeadlineHasPassed) {
    int waits = 0;
    const bool done = RetryUntilDeadline(
        [] { return true; }, [&](Clock::time_point) { return ++waits, true; }, Clock::now() - 1s);
    EXPECT_TRUE(done);
    EXPECT_EQ(waits, 0);
}

TEST(SingleThreadSocketRetryTest, AWaitThatRunsOutEndsTheOperation) {
    int attempts = 0;
    const bool done =
        RetryUntilDeadline([&] { return ++attempts, false; },
                           [](Clock::time_point) { return false; }, Clock::now() + 10s);
    EXPECT_FALSE(done);
    EXPECT_EQ(attempts, 1);
}

TEST(SingleThreadSocketRetryTest, AnErrorOfTheOperationPassesToTheCaller) {
    EXPECT_THROW(RetryUntilDeadline([]() -> bool { throw std::runtime_error("reset"); },
                                    [](Clock::time_point) { return true; }, Clock::now() + 10s),
                 std::runtime_error);
}

} // namespace
} // namespace veyra
