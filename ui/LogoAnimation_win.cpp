// Why a timer thread that sends each step to the window thread, not SetTimer: the animation keeps
// its pace (each step's own time plus the interval counted in 10 ms sleeps), which a window timer
// rounded to the system tick does not give. A step composes and draws, so it runs on the window
// thread; the timer thread waits for each one, so steps never pile up, and stopping runs the
// messages sent meanwhile, so neither thread can wait for the other.
#include "ui/LogoAnimation_win.h"

#include "resources/Layout.h"
#include "support/AppTermination.h"
#include "ui/FrameTiming.h"
#include "ui/LayoutRect_win.h"
#include "ui/WindowThreadTask_win.h"

namespace veyra {
namespace {

// Waits for `thread` to end while running the messages that other threads send to this one:
// the timer thread may be waiting for its step to run here. Posted messages stay queued.
void WaitRunningSentMessages(HANDLE thread) {
    for (;;) {
        MSG message;
        ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        // A bounded wait, so that a wake-up the system might not report costs 20 ms, not a hang.
        const DWORD result = ::MsgWaitForMultipleObjects(1, &thread, FALSE, 20, QS_SENDMESSAGE);
        if (result == WAIT_OBJECT_0 || result == WAIT_FAILED)
            return;
    }
}

} // namespace

LogoAnimation::LogoAnimation(GifPicture picture, Rgb systemWindowColor)
    : composer_(std::move(picture), systemWindowColor),
      frameCount_(static_cast<int>(composer_.Picture().frames.size())),
      timer_(FrameIntervalMs(composer_.Picture(), 0)) {}

LogoAnimation::~LogoAnimation() {
    {
        // A step the timer thread hands over while it ends runs on an object being destroyed:
        // it must do nothing.
        const std::lock_guard lock(lock_);
        animate_ = false;
    }
    timer_.SetEnabled(false);
    EndTimerThread();
}

void LogoAnimation::Start(HWND tickWindow, std::function<HWND()> surface) {
    {
        const std::lock_guard lock(lock_);
        if (animate_)
            return;
        animate_ = true;
        surface_ = std::move(surface);
    }
    timer_.SetEnabled(true);
    if (timer_.Interval() == 0)
        return;
    thread_ = std::make_unique<TThread>(
        [this, tickWindow](TThread&) {
            AnimationTimer::Platform platform;
            platform.tick = [this, tickWindow] {
                RunOnWindowThread(tickWindow, [this] { Tick(); });
            };
            platform.sleep = [](unsigned ms) { ::SleepEx(ms, FALSE); };
            platform.ended = &ApplicationTerminated;
            timer_.Run(platform);
        },
        0);
}

void LogoAnimation::Stop() {
    {
        const std::lock_guard lock(lock_);
        if (!animate_)
            return;
        animate_ = false;
    }
    timer_.SetEnabled(false);
    EndTimerThread();
    // The next paint shows the same frame: the logo stays as it was.
    if (const HWND surface = surface_ ? surface_() : nullptr) {
        const RECT logo = ToRect(layout::kLogo);
        ::InvalidateRect(surface, &logo, FALSE);
    }
}

void LogoAnimation::EndTimerThread() {
    if (!thread_)
        return;
    if (thread_->ThreadHandle())
        WaitRunningSentMessages(thread_->ThreadHandle());
    thread_.reset();
}

void LogoAnimation::Tick() {
    const std::lock_guard lock(lock_);
    if (!animate_ || frameCount_ < 2)
        return; // a step handed over just as the animation stopped does nothing
    const HWND surface = surface_ ? surface_() : nullptr;
    if (!surface || !::IsWindowVisible(surface))
        return; // it could not be drawn: the frame stays
    frame_ = (frame_ + 1) % frameCount_;
    // Drawn now rather than marked: the step's own paint, of the logo's rectangle only.
    const RECT logo = ToRect(layout::kLogo);
    ::RedrawWindow(surface, &logo, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    timer_.SetInterval(FrameIntervalMs(composer_.Picture(), frame_));
}

bool LogoAnimation::Animating() const {
    const std::lock_guard lock(lock_);
    return animate_;
}

int LogoAnimation::FrameIndex() const {
    const std::lock_guard lock(lock_);
    return frame_;
}

LogoView LogoAnimation::CurrentView() {
    const GifPicture& picture = composer_.Picture();
    return {&composer_.Compose(frame_), picture.screenWidth, picture.screenHeight,
            composer_.KeyColor()};
}

} // namespace veyra
