#pragma once
// LOGO's animation: the frames and the current frame index, the composite cache, the `Animate`
// switch and the timer thread that counts the time.
//
// The timer thread never touches a window: it hands each step to the window thread
// (RunOnWindowThread) and waits until the step has run. Stopping happens on the window thread,
// which then waits for the timer thread to end; while it waits it still runs the messages sent to
// it, so a step the timer thread is handing over at that moment runs (and does nothing, the
// animation being off already) instead of leaving each thread waiting for the other.
#include "image/GifReader.h"
#include "image/LogoComposer.h"
#include "support/uThread_win.h"
#include "ui/AnimationTimer.h"
#include "ui/SplashImage.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace veyra {

class LogoAnimation {
public:
    // Loads `picture` (the frame index becomes 0, the cache is empty, the interval comes from
    // frame 0). The animation is off until Start. `systemWindowColor` is the key colour's last
    // resort (LogoComposer).
    LogoAnimation(GifPicture picture, Rgb systemWindowColor);
    // Ends the timer thread, waiting for it as Stop does. On the window thread.
    ~LogoAnimation();
    LogoAnimation(const LogoAnimation&) = delete;
    LogoAnimation& operator=(const LogoAnimation&) = delete;

    // Animate on, on the window thread: starts the timer thread (normal priority), which at once
    // and then after every interval runs Tick on the thread of `tickWindow` (a window built on
    // Window) and waits for it. `surface` names the window the logo lies on, whose
    // logo rectangle each step repaints; it may give null while that window has no handle.
    // Nothing happens when the animation is on already or the interval is 0 (fewer than two
    // frames): the timer stays stopped.
    void Start(HWND tickWindow, std::function<HWND()> surface);

    // Animate off, on the window thread: no step runs any more, the timer thread ends and is
    // waited for (running the messages sent to this thread meanwhile), the frame and its
    // composite stay, and the logo's rectangle is marked for one repaint. When the animation is
    // off already it does nothing.
    void Stop();

    // One step, on the window thread. Skipped, without advancing, when the animation is off,
    // the logo's window has no handle or is hidden, or there are fewer than two frames.
    // Otherwise, under the logo's lock: the next frame (0 after the last), the logo's rectangle
    // repainted at once, the interval taken from the new frame.
    void Tick();

    bool Animating() const;
    // The current frame index; from any thread.
    int FrameIndex() const;
    // The timer's interval now, in milliseconds (0: stopped).
    unsigned IntervalMs() const { return timer_.Interval(); }

    // The current frame's composite, for painting on the window thread. Valid until the next
    // step or paint.
    LogoView CurrentView();

private:
    void EndTimerThread();

    LogoComposer composer_;
    int frameCount_;
    // The logo's lock: held while the frame index or the `Animate` setting changes. Recursive,
    // since a step runs inside the window thread's own waits.
    mutable std::recursive_mutex lock_;
    int frame_ = 0;
    bool animate_ = false;
    AnimationTimer timer_;
    std::function<HWND()> surface_;
    std::unique_ptr<TThread> thread_; // the timer thread while it may run
};

} // namespace veyra
