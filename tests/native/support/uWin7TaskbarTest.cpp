#include "support/uWin7Taskbar.h"
#include "tests/native/FakeTaskbar.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

namespace veyra {
namespace {

using test::Calls;
using test::FakeShell;
using test::kEFail;
using test::kSFalse;

TEST(TaskbarProgressFlagTest, EachStateHasItsFlagAndAnythingElseMeansNoProgress) {
    EXPECT_EQ(sizeof(TTaskbarProgressState), 1u);
    const std::uint32_t expected[] = {0, 1, 2, 4, 8};
    for (unsigned value = 0; value <= 255; ++value) {
        const auto state = static_cast<TTaskbarProgressState>(value);
        EXPECT_EQ(TaskbarProgressFlag(state), value < 5 ? expected[value] : 0u) << value;
    }
}

TEST(TaskbarListTest, KeepsTheObjectOnlyWhenHrInitReturnsSOk) {
    struct Case {
        const char* name;
        bool objectComesBack, creationThrows, hrInitThrows;
        std::int32_t hrInit;
        bool ready;
        Calls calls;
    };
    const Case cases[] = {
        {"S_OK", true, false, false, kComOk, true, {"HrInit"}},
        {"S_FALSE", true, false, false, kSFalse, false, {"HrInit", "Release"}},
        {"E_FAIL", true, false, false, kEFail, false, {"HrInit", "Release"}},
        {"no object", false, false, false, kComOk, false, {}},
        {"creation throws", true, true, false, kComOk, false, {}},
        {"HrInit throws", true, false, true, kComOk, false, {"HrInit", "Release"}},
    };
    for (const auto& c : cases) {
        FakeShell shell;
        shell.objectComesBack = c.objectComesBack;
        shell.creationThrows = c.creationThrows;
        shell.hrInitThrows = c.hrInitThrows;
        shell.hrInit = c.hrInit;
        EXPECT_EQ(shell.Create(), c.ready) << c.name;
        EXPECT_EQ(shell.list.Ready(), c.ready) << c.name;
        EXPECT_EQ(shell.created, 1) << c.name;
        EXPECT_EQ(shell.calls, c.calls) << c.name;
    }
}

TEST(TaskbarListTest, AnObjectThatIsThereIsNotMadeAgain) {
    FakeShell shell;
    ASSERT_TRUE(shell.Create());
    shell.hrInit = kEFail; // a second object would fail; none is made
    EXPECT_TRUE(shell.Create());
    EXPECT_EQ(shell.created, 1);
    EXPECT_EQ(shell.calls, Calls{"HrInit"});
}

TEST(TaskbarListTest, AFailedCreationIsTriedAgainOnTheNextCall) {
    FakeShell shell;
    shell.objectComesBack = false;
    ASSERT_FALSE(shell.Create());
    shell.objectComesBack = true;
    EXPECT_TRUE(shell.Create());
    EXPECT_EQ(shell.created, 2);
}

TEST(TaskbarListTest, WithoutTheObjectEveryCallFailsAndNothingIsCalled) {
    FakeShell shell;
    shell.hrInit = kEFail;
    ASSERT_FALSE(shell.Create());
    shell.calls.clear();
    EXPECT_FALSE(shell.list.SetProgressState(tpsNormal));
    EXPECT_FALSE(shell.list.SetProgressValue(1, 2));
    EXPECT_TRUE(shell.calls.empty());
}

TEST(TaskbarListTest, CallsGoToTheCurrentWindowWithTheMappedFlag) {
    FakeShell shell;
    ASSERT_TRUE(shell.Create());
    EXPECT_TRUE(shell.list.SetProgressState(tpsError));
    EXPECT_TRUE(shell.list.SetProgressValue(40, 254));
    shell.window = "application"; // asked anew for every call
    EXPECT_TRUE(shell.list.SetProgressState(static_cast<TTaskbarProgressState>(9)));
    EXPECT_TRUE(shell.list.SetProgressValue(0xFFFFFFFFFFFFFFFFu, 1));
    EXPECT_EQ(shell.calls,
              (Calls{"HrInit", "SetProgressState splash 4", "SetProgressValue splash 40 254",
                     "SetProgressState application 0",
                     "SetProgressValue application 18446744073709551615 1"}));
}

TEST(TaskbarListTest, OnlySOkCountsAsSuccess) {
    for (const std::int32_t result : {kSFalse, kEFail}) {
        FakeShell shell;
        shell.stateResult = result;
        shell.valueResult = result;
        ASSERT_TRUE(shell.Create());
        EXPECT_FALSE(shell.list.SetProgressState(tpsNormal)) << result;
        EXPECT_FALSE(shell.list.SetProgressValue(1, 2)) << result;
        EXPECT_EQ(shell.calls.size(), 3u) << result; // both calls were made
    }
}

TEST(TaskbarListTest, ReleaseEmptiesTheReference) {
    FakeShell shell;
    ASSERT_TRUE(shell.Create());
    shell.list.Release();
    EXPECT_FALSE(shell.list.Ready());
    EXPECT_FALSE(shell.list.SetProgressState(tpsNormal));
    EXPECT_EQ(shell.calls, (Calls{"HrInit", "Release"}));
}

// The program can end while the worker is inside a progress call.
TEST(TaskbarListTest, ReleaseDuringACallNeitherWaitsForItNorPullsTheObjectAway) {
    FakeShell shell;
    ASSERT_TRUE(shell.Create());
    std::promise<void> inCall;
    std::promise<void> mayReturn;
    const std::shared_future<void> returnSignal = mayReturn.get_future().share();
    shell.duringStateCall = [&] {
        inCall.set_value();
        returnSignal.wait();
    };
    std::thread worker([&] { shell.list.SetProgressState(tpsNormal); });
    inCall.get_future().wait();

    auto release = std::async(std::launch::async, [&] { shell.list.Release(); });
    const bool releaseReturned =
        release.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    const Calls duringTheCall = shell.calls;
    mayReturn.set_value();
    worker.join();
    release.wait();

    EXPECT_TRUE(releaseReturned);
    EXPECT_EQ(duringTheCall, (Calls{"HrInit", "SetProgressState splash 2"}));
    EXPECT_EQ(shell.calls, (Calls{"HrInit", "SetProgressState splash 2", "Release"}));
    EXPECT_FALSE(shell.list.Ready());
    shell.duringStateCall = nullptr;
    EXPECT_FALSE(shell.list.SetProgressValue(1, 2));
}

} // namespace
} // namespace veyra
