#include "support/uRun.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <vector>

namespace veyra {
namespace {

TEST(RunFlagsTest, BitsAndByteSize) {
    EXPECT_EQ(sizeof(TRunFlags), 1u);
    EXPECT_EQ(rfHidden, 1);
    EXPECT_EQ(rfWait, 2);
    EXPECT_EQ(rfElevate, 4);
}

TEST(RunVerbTest, RunasOnlyWhenElevationIsAskedAndUacIsOn) {
    struct Case {
        TRunFlags flags;
        bool uac;
        bool runas;
    };
    const Case cases[] = {
        {rfElevate, true, true},          {rfElevate | rfWait | rfHidden, true, true},
        {rfElevate, false, false},        {0, true, false},
        {rfWait | rfHidden, true, false}, {0, false, false},
    };
    for (const auto& c : cases) {
        const wchar_t* verb = RunVerb(c.flags, c.uac);
        if (c.runas) {
            ASSERT_NE(verb, nullptr) << int(c.flags) << " " << c.uac;
            EXPECT_EQ(std::wcscmp(verb, L"runas"), 0);
        } else {
            EXPECT_EQ(verb, nullptr) << int(c.flags) << " " << c.uac;
        }
    }
}

TEST(RunShowCommandTest, HiddenOnlyWithTheHiddenFlag) {
    EXPECT_EQ(RunShowCommand(rfHidden), 0);
    EXPECT_EQ(RunShowCommand(rfHidden | rfWait | rfElevate), 0);
    EXPECT_EQ(RunShowCommand(0), 1);
    EXPECT_EQ(RunShowCommand(rfWait | rfElevate), 1);
}

TEST(UacPolicyTest, NeedsVersionSixAndANonZeroEnableLua) {
    EXPECT_TRUE(UacPolicyOn(6, 1u));
    EXPECT_TRUE(UacPolicyOn(10, 0xFFFFFFFFu));
    EXPECT_FALSE(UacPolicyOn(5, 1u)); // older than Vista: no UAC whatever the registry says
    EXPECT_FALSE(UacPolicyOn(6, 0u));
    EXPECT_FALSE(UacPolicyOn(6, std::nullopt));
}

// A scripted process: each read returns the next exit code; the loop asks to end after a number
// of pauses.
class ScriptedProcess final : public ExitWait {
public:
    ScriptedProcess(std::vector<std::uint32_t> codes, int pausesBeforeLoopEnds = 1'000)
        : codes_(std::move(codes)), pausesBeforeLoopEnds_(pausesBeforeLoopEnds) {}

    std::uint32_t ReadExitCode() override { return codes_[std::min(reads++, codes_.size() - 1)]; }
    bool StopWaiting() override { return pauses >= pausesBeforeLoopEnds_; }
    void Pause() override { ++pauses; }

    std::size_t reads = 0;
    int pauses = 0;

private:
    std::vector<std::uint32_t> codes_;
    int pausesBeforeLoopEnds_;
};

TEST(WaitForExitCodeTest, PollsUntilTheProgramEnds) {
    ScriptedProcess process{{kStillActive, kStillActive, kStillActive, 42}};
    EXPECT_EQ(WaitForExitCode(process), 42);
    EXPECT_EQ(process.reads, 4u);
    EXPECT_EQ(process.pauses, 3);
}

TEST(WaitForExitCodeTest, AProgramThatHasAlreadyEndedNeedsNoPause) {
    ScriptedProcess process{{0}};
    EXPECT_EQ(WaitForExitCode(process), 0);
    EXPECT_EQ(process.pauses, 0);
}

TEST(WaitForExitCodeTest, ExitCodesAboveTheSignedRangeComeBackNegative) {
    ScriptedProcess process{{0xC0000005u}};
    EXPECT_EQ(WaitForExitCode(process), static_cast<std::int32_t>(0xC0000005u));
}

TEST(WaitForExitCodeTest, GivesUpWith259WhenTheMessageLoopEnds) {
    // A program that really ended with 259 cannot be told from a running one.
    ScriptedProcess process{{kStillActive}, 5};
    EXPECT_EQ(WaitForExitCode(process), 259);
    EXPECT_EQ(process.pauses, 5);
    EXPECT_EQ(process.reads, 6u);
}

} // namespace
} // namespace veyra
