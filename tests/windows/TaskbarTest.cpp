#include "support/Bridge_win.h"
#include "support/WinHandle_win.h"
#include "support/uWin7Taskbar_win.h"
#include "tests/native/FakeTaskbar.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <thread>

namespace veyra {
namespace {

UniqueWindow PlainWindow() {
    return UniqueWindow(::CreateWindowExW(0, L"STATIC", L"taskbar test", WS_OVERLAPPEDWINDOW, 0, 0,
                                          100, 100, nullptr, nullptr, ::GetModuleHandleW(nullptr),
                                          nullptr));
}

// The object is released at the end of each test, before its COM apartment ends.
struct TaskbarCleanup {
    ~TaskbarCleanup() {
        ReleaseTaskbarList();
        SetTaskbarMainWindow(nullptr);
        SetTaskbarApplicationWindow(nullptr);
    }
};

TEST(TaskbarListWinTest, TheShellObjectIsMadeOnceAndTakesProgressCalls) {
    ComApartment com;
    TaskbarCleanup cleanup;
    const UniqueWindow window = PlainWindow();
    ASSERT_TRUE(window);
    SetTaskbarMainWindow(window.get());
    ::ShowWindow(window.get(), SW_SHOWNORMAL);

    ASSERT_FALSE(TaskbarListReady());
    EXPECT_FALSE(SetTaskbarProgressState(tpsNormal)); // nothing to call yet
    ASSERT_TRUE(CreateTaskbarList());
    EXPECT_TRUE(TaskbarListReady());
    EXPECT_TRUE(CreateTaskbarList());

    EXPECT_TRUE(SetTaskbarProgressState(tpsNormal));
    EXPECT_TRUE(SetTaskbarProgressValue(40, 254));
    EXPECT_TRUE(SetTaskbarProgressValue(254, 254));
    EXPECT_TRUE(SetTaskbarProgressState(tpsError));

    ReleaseTaskbarList();
    EXPECT_FALSE(TaskbarListReady());
    EXPECT_FALSE(SetTaskbarProgressValue(1, 2));
}

TEST(TaskbarListWinTest, WithoutComOnTheThreadNoObjectComesBack) {
    TaskbarCleanup cleanup;
    std::optional<bool> created;
    // A new thread has no COM apartment.
    std::thread([&] { created = CreateTaskbarList(); }).join();
    ASSERT_TRUE(created.has_value());
    EXPECT_FALSE(*created);
    EXPECT_FALSE(TaskbarListReady());
}

TEST(TaskbarListWinTest, ProgressGoesToTheMainWindowWhileItExists) {
    TaskbarCleanup cleanup;
    UniqueWindow application = PlainWindow();
    UniqueWindow main = PlainWindow();
    ASSERT_TRUE(application && main);
    SetTaskbarApplicationWindow(application.get());
    EXPECT_EQ(TaskbarWindow(), application.get());
    SetTaskbarMainWindow(main.get());
    EXPECT_EQ(TaskbarWindow(), main.get());
    main.reset();
    EXPECT_EQ(TaskbarWindow(), application.get());
}

// The Windows version as the test run expects it from its Wine prefix, e.g. "6.1"; the runs of
// the test command set VEYRA_EXPECT_WINVER.
std::optional<WindowsVersion> ExpectedVersion() {
    const char* text = std::getenv("VEYRA_EXPECT_WINVER");
    unsigned major = 0;
    unsigned minor = 0;
    if (!text || std::sscanf(text, "%u.%u", &major, &minor) != 2)
        return std::nullopt;
    return WindowsVersion{major, minor};
}

TEST(WindowsVersionWinTest, TheReportedVersionIsConfirmedByTheProbes) {
    const std::optional<WindowsVersion> expected = ExpectedVersion();
    if (!expected)
        GTEST_SKIP() << "VEYRA_EXPECT_WINVER is not set";
    const WindowsVersion reported = ReportedWindowsVersion();
    EXPECT_EQ(reported.major, expected->major);
    EXPECT_EQ(reported.minor, expected->minor);

    EXPECT_TRUE(ProbeWindowsVersion(VersionField::Major, expected->major));
    EXPECT_FALSE(ProbeWindowsVersion(VersionField::Major, expected->major + 1));
    EXPECT_FALSE(ProbeWindowsVersion(VersionField::Major, 10));
    EXPECT_TRUE(ProbeWindowsVersion(VersionField::Minor, expected->minor));
    EXPECT_FALSE(ProbeWindowsVersion(VersionField::Minor, expected->minor + 1));
    EXPECT_EQ(ConfirmWindowsVersion(reported, ProbeWindowsVersion), *expected);
}

// Windows 7 (6.1) and, without a compatibility manifest, every later Windows (6.2).
TEST(WindowsVersionWinTest, StartUpTurnsProgressOnFromWindows7) {
    const std::optional<WindowsVersion> expected = ExpectedVersion();
    if (!expected)
        GTEST_SKIP() << "VEYRA_EXPECT_WINVER is not set";
    ASSERT_EQ(expected->major, 6u);
    ASSERT_GE(expected->minor, 1u);
    ComApartment com;
    const UniqueWindow application = PlainWindow();
    {
        TaskbarModules modules(application.get());
        EXPECT_TRUE(TaskbarEnabled());
        EXPECT_TRUE(TaskbarListReady());
        EXPECT_EQ(TaskbarWindow(), application.get());
    }
    EXPECT_FALSE(TaskbarEnabled());
    EXPECT_FALSE(TaskbarListReady());
}

} // namespace
} // namespace veyra
