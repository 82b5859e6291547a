#include "SplashTestSupport.h"
#include "ui/WindowThreadTask_win.h"
#include "ui/Window_win.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace veyra {
namespace {

using namespace std::chrono_literals;
using test::PumpUntil;

// The smallest window on the skeleton: it counts the messages that reach its Dispatch.
class ProbeWindow final : public Window {
public:
    ProbeWindow() {
        Create(::GetModuleHandleW(nullptr), {L"VeyraTaskProbe"}, {0, WS_POPUP, L"", {10, 10}});
    }
    ~ProbeWindow() override { Destroy(); }
    using Window::Detach;
    int dispatched = 0;

private:
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam) override {
        ++dispatched;
        return ::DefWindowProcW(Hwnd(), message, wParam, lParam);
    }
};

struct ProbeFailure : std::runtime_error {
    ProbeFailure() : std::runtime_error("probe failed") {}
};

TEST(WindowThreadTaskTest, RunsOnTheWindowThreadAndHandsBackItsFailure) {
    ProbeWindow window;
    ASSERT_NE(window.Handle(), nullptr);
    const DWORD windowThread = ::GetCurrentThreadId();
    DWORD ranOn = 0;
    bool failureArrived = false;
    std::atomic<bool> done = false;
    std::thread caller([&] {
        RunOnWindowThread(window.Handle(), [&] { ranOn = ::GetCurrentThreadId(); });
        try {
            RunOnWindowThread(window.Handle(), [] { throw ProbeFailure(); });
        } catch (const ProbeFailure&) {
            failureArrived = true;
        }
        done = true;
    });
    const bool finished = PumpUntil([&] { return done.load(); }, 5s);
    caller.join();
    ASSERT_TRUE(finished);
    EXPECT_EQ(ranOn, windowThread);
    EXPECT_TRUE(failureArrived);
}

// Called on the window thread itself, the task runs at once instead of waiting for a message
// loop that the caller is blocking.
TEST(WindowThreadTaskTest, OnTheWindowThreadItselfItRunsAtOnce) {
    ProbeWindow window;
    const int createMessages = window.dispatched;
    bool ran = false;
    RunOnWindowThread(window.Handle(), [&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_THROW(RunOnWindowThread(window.Handle(), [] { throw ProbeFailure(); }), ProbeFailure);
    EXPECT_EQ(window.dispatched, createMessages) << "a task is not one of the window's messages";
}

// A window whose object is being torn down runs no task: the task would reach a half-gone object.
TEST(WindowThreadTaskTest, NoTaskRunsOnceTheObjectIsDetached) {
    ProbeWindow window;
    window.Detach();
    bool ran = false;
    RunOnWindowThread(window.Handle(), [&] { ran = true; });
    EXPECT_FALSE(ran);
}

} // namespace
} // namespace veyra
