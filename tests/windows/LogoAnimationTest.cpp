#include "SplashTestSupport.h"
#include "app/Application_win.h"
#include "image/GifReader.h"
#include "image/LogoComposer.h"
#include "resources/Layout.h"
#include "support/AppTermination.h"
#include "ui/SplashArtwork_win.h"
#include "ui/SplashWindow_win.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace veyra {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::PixelOf;
using test::PumpUntil;

constexpr int kLogoFrames = 38;

// Pumps the window thread's messages for `time`.
void PumpFor(std::chrono::milliseconds time) {
    PumpUntil([] { return false; }, time);
}

bool IsLogoRect(const RECT& r) {
    const layout::Rect& l = layout::kLogo;
    return r.left == l.left && r.top == l.top && r.right == l.right() && r.bottom == l.bottom();
}

// What the window the logo lies on receives, through a procedure put in front of its own: each
// paint's rectangle and the frame index it paints.
struct PaintSpy {
    struct Paint {
        RECT area;
        int frame;
        Clock::time_point at;
    };
    static inline WNDPROC original = nullptr;
    static inline const T_VeyraLauncher* splash = nullptr;
    static inline std::vector<Paint> paints;
    static inline int erases = 0;

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_PAINT) {
            RECT area{};
            ::GetUpdateRect(window, &area, FALSE);
            paints.push_back({area, splash->LogoFrameIndex(), Clock::now()});
        }
        if (message == WM_ERASEBKGND)
            ++erases;
        return ::CallWindowProcW(original, window, message, wParam, lParam);
    }
    static void Attach(const T_VeyraLauncher& watched) {
        splash = &watched;
        original = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(watched.ControlLayerHandle(), GWLP_WNDPROC,
                                reinterpret_cast<LONG_PTR>(&PaintSpy::Proc)));
        paints.clear();
        erases = 0;
    }
    // The paints of the logo's rectangle alone, which only animation steps make.
    static std::vector<Paint> LogoPaints() {
        std::vector<Paint> steps;
        for (const Paint& p : paints)
            if (IsLogoRect(p.area))
                steps.push_back(p);
        return steps;
    }
};

class LogoAnimationTest : public ::testing::Test {
protected:
    void TearDown() override { ClearApplicationTerminated(); }
    TApplication application_{::GetModuleHandleW(nullptr)};
};

TEST_F(LogoAnimationTest, StartsAtFrameZeroAlthoughTheLayoutNamesAnother) {
    static_assert(layout::kStoredLogoFrameIndex == 31);
    T_VeyraLauncher splash(application_.Instance());
    EXPECT_TRUE(splash.LogoAnimating());
    EXPECT_EQ(splash.LogoFrameIndex(), 0);
}

// About every 50 ms plus the step's own time, each step paints the logo's rectangle alone,
// without erasing, with the next frame; after the last frame comes frame 0.
TEST_F(LogoAnimationTest, StepsFollowOneAnotherEvery50MsOrSoAndWrapAfterTheLastFrame) {
    T_VeyraLauncher splash(application_.Instance());
    splash.Show(WindowShowState::Normal);
    PumpFor(100ms); // the first paint of the whole window
    PaintSpy::Attach(splash);
    const int first = splash.LogoFrameIndex();

    PumpFor(2000ms);
    const auto steps = PaintSpy::LogoPaints();
    EXPECT_EQ(steps.size(), PaintSpy::paints.size()) << "a step painted more than the logo";
    EXPECT_EQ(PaintSpy::erases, 0);
    // 2 s at a nominal 50 ms, plus what five sleeps of at least 10 ms and the step itself add.
    EXPECT_GE(steps.size(), 25u);
    EXPECT_LE(steps.size(), 45u);
    int expected = first;
    for (const auto& step : steps) {
        expected = (expected + 1) % kLogoFrames;
        ASSERT_EQ(step.frame, expected) << "after " << (expected + kLogoFrames - 1) % kLogoFrames;
    }

    // Until the wrap has been seen: 37 is followed by 0.
    const bool wrapped = PumpUntil(
        [&] {
            const auto all = PaintSpy::LogoPaints();
            for (std::size_t i = 1; i < all.size(); ++i)
                if (all[i - 1].frame == kLogoFrames - 1)
                    return true;
            return false;
        },
        5s);
    ASSERT_TRUE(wrapped);
    const auto all = PaintSpy::LogoPaints();
    for (std::size_t i = 1; i < all.size(); ++i)
        ASSERT_EQ(all[i].frame, (all[i - 1].frame + 1) % kLogoFrames) << i;
}

// A logo that cannot be drawn (its window hidden) skips the steps and keeps its frame; shown
// again, it moves on from that frame.
TEST_F(LogoAnimationTest, AHiddenLogoSkipsStepsWithoutAdvancing) {
    T_VeyraLauncher splash(application_.Instance());
    PumpFor(300ms); // not shown yet
    EXPECT_EQ(splash.LogoFrameIndex(), 0);

    splash.Show(WindowShowState::Normal);
    ASSERT_TRUE(PumpUntil([&] { return splash.LogoFrameIndex() >= 3; }, 2s));
    ::ShowWindow(splash.Handle(), SW_HIDE);
    ASSERT_FALSE(::IsWindowVisible(splash.ControlLayerHandle()));
    const int hiddenAt = splash.LogoFrameIndex();
    PumpFor(300ms);
    EXPECT_EQ(splash.LogoFrameIndex(), hiddenAt);

    ::ShowWindow(splash.Handle(), SW_SHOWNOACTIVATE);
    EXPECT_TRUE(PumpUntil([&] { return splash.LogoFrameIndex() != hiddenAt; }, 2s));
    EXPECT_TRUE(splash.LogoAnimating());
}

TEST_F(LogoAnimationTest, ALogoOfOneFrameNeverSteps) {
    T_VeyraLauncher::Hooks hooks;
    hooks.loadArtwork = [](HMODULE module) {
        SplashArtwork art = LoadSplashArtwork(module);
        art.logo.frames.resize(1);
        return art;
    };
    T_VeyraLauncher splash(application_.Instance(), {}, hooks);
    splash.Show(WindowShowState::Normal);
    PumpFor(100ms);
    PaintSpy::Attach(splash);
    PumpFor(300ms);
    EXPECT_EQ(splash.LogoFrameIndex(), 0);
    EXPECT_TRUE(PaintSpy::LogoPaints().empty());
}

// Ends the test program with a message when `iteration` stops moving for 20 s: a window thread
// caught in a deadlock can never report a failure itself.
class DeadlockWatch {
public:
    explicit DeadlockWatch(const std::atomic<int>& iteration)
        : thread_([this, &iteration] {
              int seen = iteration.load();
              auto since = Clock::now();
              while (!done_.load()) {
                  std::this_thread::sleep_for(100ms);
                  if (iteration.load() != seen) {
                      seen = iteration.load();
                      since = Clock::now();
                  } else if (Clock::now() - since > 20s) {
                      std::fprintf(stderr, "FAILED: deadlock in iteration %d of the stop\n", seen);
                      std::fflush(stderr);
                      ::ExitProcess(3);
                  }
              }
          }) {}
    ~DeadlockWatch() {
        done_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> done_ = false;
    std::thread thread_;
};

// The worker stops the animation while steps are being handed over: the stop returns promptly
// every time (no thread waits for the other), the frame stays and no step follows. Repeated to
// catch a rare deadlock: half of the time the stop lands at some point of the period; the other
// half the window thread is busy right after a step, so that the stop and then the next step's
// hand-over queue up, and the stop has to run that step while it waits for the timer thread.
TEST_F(LogoAnimationTest, StopFromAnotherThreadWhileStepsRunIsPromptAndFinal) {
    std::atomic<int> iteration = 0;
    const DeadlockWatch watch(iteration);
    for (int i = 0; i < 200; iteration = ++i) {
        T_VeyraLauncher splash(application_.Instance());
        splash.Show(WindowShowState::Normal);
        ASSERT_TRUE(PumpUntil([&] { return splash.LogoFrameIndex() >= 1; }, 2s)) << i;
        const bool busy = i % 2 == 0;
        if (busy) {
            const int seen = splash.LogoFrameIndex();
            ASSERT_TRUE(PumpUntil([&] { return splash.LogoFrameIndex() != seen; }, 2s)) << i;
        } else {
            PumpFor(std::chrono::milliseconds(i % 7 * 8));
        }
        const int before = splash.LogoFrameIndex();

        std::atomic<bool> done = false;
        std::thread worker([&] {
            splash.StopLogoAnimation();
            splash.StopLogoAnimation(); // a second stop changes nothing
            done = true;
        });
        if (busy)
            ::Sleep(80); // the next step is handed over meanwhile, after the stop
        const bool returned = PumpUntil([&] { return done.load(); }, 2s);
        if (!returned) // let the worker end, so that the test can report
            PumpUntil([&] { return done.load(); }, 10s);
        worker.join();
        ASSERT_TRUE(returned) << "iteration " << i << ": the stop did not return within 2 s";
        EXPECT_FALSE(splash.LogoAnimating());

        const int frozen = splash.LogoFrameIndex();
        if (busy) { // the step that was waiting ran, and did nothing
            ASSERT_EQ(frozen, before) << "iteration " << i;
        }
        PumpFor(70ms); // longer than one period
        ASSERT_EQ(splash.LogoFrameIndex(), frozen) << "iteration " << i << ": a step came after";
    }
}

// After the stop the logo shows the frame it had, keyed over the background picture, and one
// repaint of its rectangle is pending.
TEST_F(LogoAnimationTest, StopLeavesTheFrameOnScreenAndMarksItForOneRepaint) {
    T_VeyraLauncher splash(application_.Instance());
    splash.Show(WindowShowState::Normal);
    ASSERT_TRUE(PumpUntil([&] { return splash.LogoFrameIndex() >= 5; }, 3s));
    const HWND layer = splash.ControlLayerHandle();
    ::ValidateRect(layer, nullptr);
    splash.StopLogoAnimation();
    const int frozen = splash.LogoFrameIndex();
    ASSERT_GE(frozen, 5);
    RECT pending{};
    ASSERT_TRUE(::GetUpdateRect(layer, &pending, FALSE));
    EXPECT_TRUE(IsLogoRect(pending));
    PaintSpy::Attach(splash);
    PumpFor(200ms);
    EXPECT_EQ(PaintSpy::paints.size(), 1u);
    EXPECT_EQ(splash.LogoFrameIndex(), frozen);

    const SplashArtwork art = LoadSplashArtwork(::GetModuleHandleW(nullptr));
    LogoComposer reference(art.logo, Rgb{255, 255, 255});
    const std::vector<Rgb>& composite = reference.Compose(frozen);
    const auto pixels = test::Render(layer);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 180; ++x) {
            const int wx = layout::kLogo.left + x, wy = layout::kLogo.top + y;
            const Rgb color = composite[static_cast<std::size_t>(y) * 180 + x];
            const Rgb expected = color == Rgb{0, 0, 0} ? PixelOf(art.background, wx, wy) : color;
            ASSERT_EQ(pixels[wy * layout::kWindowWidth + wx], expected) << x << "," << y;
        }
}

} // namespace
} // namespace veyra
