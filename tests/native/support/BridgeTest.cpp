#include "support/Bridge.h"
#include "tests/native/FakeTaskbar.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace veyra {
namespace {

using test::Calls;
using test::FakeShell;

// A system whose probes confirm its major and minor (a number left empty confirms no value);
// records the probes asked.
struct FakeSystem {
    FakeSystem(std::optional<unsigned> majorNumber = {}, std::optional<unsigned> minorNumber = {})
        : major(majorNumber), minor(minorNumber) {}

    std::optional<unsigned> major;
    std::optional<unsigned> minor;
    std::vector<std::string> probes;

    VersionProbe Probe() {
        return [this](VersionField field, unsigned value) {
            const bool isMajor = field == VersionField::Major;
            probes.push_back((isMajor ? "major " : "minor ") + std::to_string(value));
            const std::optional<unsigned>& truth = isMajor ? major : minor;
            return truth == value;
        };
    }
};

TEST(TaskbarDecisionTest, ProgressFromWindows7OnAsTheSystemReportsIt) {
    struct Case {
        WindowsVersion reported;
        std::optional<unsigned> probedMajor, probedMinor; // what the probes confirm
        bool createResult;
        bool enabled;
        bool created;
    };
    const Case cases[] = {
        {{6, 1}, {}, {}, true, true, true},   // Windows 7: no probes needed
        {{6, 1}, {}, {}, false, false, true}, // the object could not be made
        {{6, 0}, {}, {}, true, false, false}, // Vista
        {{5, 1}, {}, {}, true, false, false}, // XP
        {{6, 2}, 6, 2, true, true, true},     // 8 and later without a manifest
        {{6, 3}, 6, 3, true, true, true},     // 8.1 as a manifested program sees it
        {{6, 2}, 10, 0, true, false, false},  // probes that see 10.0 turn progress off
        {{10, 0}, 10, 0, true, false, false}, // a 10.0 report: major 10 is not 6
        {{7, 0}, 7, 0, true, false, false},   // a later major
        {{7, 0}, {}, {}, true, false, false}, // nothing confirmed: 0.0
        {{6, 2}, {}, 2, true, false, false},  // no major confirmed: 0.2
        {{6, 2}, 6, {}, true, false, false},  // no minor confirmed: 6.0
        {{6, 2}, 21, 1, true, false, false},  // a major beyond 20 is never confirmed
    };
    for (const auto& c : cases) {
        FakeSystem system{c.probedMajor, c.probedMinor};
        int creations = 0;
        const bool enabled = DecideTaskbarEnabled(c.reported, system.Probe(), [&] {
            ++creations;
            return c.createResult;
        });
        const std::string name = std::to_string(c.reported.major) + "." +
                                 std::to_string(c.reported.minor) + " probed " +
                                 std::to_string(c.probedMajor.value_or(99)) + "." +
                                 std::to_string(c.probedMinor.value_or(99));
        EXPECT_EQ(enabled, c.enabled) << name;
        EXPECT_EQ(creations, c.created ? 1 : 0) << name;
    }
}

TEST(TaskbarDecisionTest, ProbesOnlyAboveWindows7AndStopsAtTheFirstConfirmedValue) {
    FakeSystem windows7{6, 1};
    EXPECT_EQ(ConfirmWindowsVersion({6, 1}, windows7.Probe()), (WindowsVersion{6, 1}));
    EXPECT_EQ(ConfirmWindowsVersion({5, 2}, windows7.Probe()), (WindowsVersion{5, 2}));
    EXPECT_TRUE(windows7.probes.empty());

    FakeSystem windows8{6, 2};
    EXPECT_EQ(ConfirmWindowsVersion({6, 2}, windows8.Probe()), (WindowsVersion{6, 2}));
    EXPECT_EQ(windows8.probes,
              (std::vector<std::string>{"major 6", "minor 0", "minor 1", "minor 2"}));

    FakeSystem windows10{10, 0};
    EXPECT_EQ(ConfirmWindowsVersion({6, 2}, windows10.Probe()), (WindowsVersion{10, 0}));
    EXPECT_EQ(windows10.probes, (std::vector<std::string>{"major 6", "major 7", "major 8",
                                                          "major 9", "major 10", "minor 0"}));
}

TEST(TaskbarDecisionTest, UnconfirmedNumbersAreProbedThroughTheirWholeRange) {
    FakeSystem silent;
    EXPECT_EQ(ConfirmWindowsVersion({7, 0}, silent.Probe()), (WindowsVersion{0, 0}));
    std::vector<std::string> expected;
    for (unsigned major = 6; major <= 20; ++major)
        expected.push_back("major " + std::to_string(major));
    for (unsigned minor = 0; minor <= 15; ++minor)
        expected.push_back("minor " + std::to_string(minor));
    EXPECT_EQ(silent.probes, expected);

    FakeSystem edges{20, 15};
    EXPECT_EQ(ConfirmWindowsVersion({6, 2}, edges.Probe()), (WindowsVersion{20, 15}));
}

TEST(ReportProgressTest, FailedHrInitLeavesProgressOffForTheRun) {
    FakeShell shell;
    shell.hrInit = test::kEFail;
    FakeSystem windows7{6, 1};
    const bool enabled =
        DecideTaskbarEnabled({6, 1}, windows7.Probe(), [&] { return shell.Create(); });
    EXPECT_FALSE(enabled);
    ReportTaskbarProgress(enabled, shell.list, 254, 40);
    ReportTaskbarProgress(true, shell.list, 254, 90); // even if it were enabled: no object
    EXPECT_EQ(shell.calls, (Calls{"HrInit", "Release"}));
}

TEST(ReportProgressTest, StateNormalThenPositionOfMax) {
    FakeShell shell;
    ASSERT_TRUE(shell.Create());
    ReportTaskbarProgress(true, shell.list, 254, 40);
    ReportTaskbarProgress(true, shell.list, 254, 254); // full bar, still the normal state
    EXPECT_EQ(shell.calls,
              (Calls{"HrInit", "SetProgressState splash 2", "SetProgressValue splash 40 254",
                     "SetProgressState splash 2", "SetProgressValue splash 254 254"}));
}

TEST(ReportProgressTest, NegativeNumbersAreSignExtended) {
    FakeShell shell;
    ASSERT_TRUE(shell.Create());
    ReportTaskbarProgress(true, shell.list, -1, -254);
    EXPECT_EQ(shell.calls.back(),
              "SetProgressValue splash 18446744073709551362 18446744073709551615");
}

TEST(ReportProgressTest, AFailedStateChangeSuppressesTheValue) {
    FakeShell shell;
    shell.stateResult = test::kEFail;
    ASSERT_TRUE(shell.Create());
    ReportTaskbarProgress(true, shell.list, 254, 180);
    EXPECT_EQ(shell.calls, (Calls{"HrInit", "SetProgressState splash 2"}));
}

TEST(ReportProgressTest, DisabledProgressMakesNoCall) {
    FakeShell shell;
    ASSERT_TRUE(shell.Create());
    ReportTaskbarProgress(false, shell.list, 254, 200);
    EXPECT_EQ(shell.calls, Calls{"HrInit"});
}

} // namespace
} // namespace veyra
