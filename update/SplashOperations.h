#pragma once
// What the update procedure may do to the splash window. Callable from any thread; each call is
// carried out on the window's thread while the caller waits. Declared beside the procedure,
// which is given it beside its UpdateOperations, so that the window above implements it without
// the procedure knowing the window.
#include <stdexcept>
#include <string>

namespace veyra {

// The system refused the close timer.
class TimerUnavailableError : public std::runtime_error {
public:
    TimerUnavailableError() : std::runtime_error("Not enough timers available") {}
};

class SplashOperations {
public:
    virtual ~SplashOperations() = default;
    // The status line shows `text`; its box is redrawn, background first.
    virtual void SetStatusText(const std::wstring& text) = 0;
    // The logo stops on the frame it shows; a second stop changes nothing.
    virtual void StopLogoAnimation() = 0;
    // layout::kCloseTimerIntervalMs later the process ends with code 0. The timer counts as on
    // from the first call, even when the system refuses it (TimerUnavailableError); later calls
    // do nothing.
    virtual void StartCloseTimer() = 0;
};

} // namespace veyra
