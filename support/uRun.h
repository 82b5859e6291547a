#pragma once
// Program starter, the rules that need no operating system: flags, verb and show command, the
// UAC policy test, and the wait for a started program's exit code.
#include <cstdint>
#include <optional>

namespace veyra {

// A bit set in one byte.
enum TRunFlag : std::uint8_t {
    rfHidden = 1,  // show command SW_HIDE instead of SW_SHOWNORMAL
    rfWait = 2,    // wait for the program to end and return its exit code
    rfElevate = 4, // use the "runas" verb when UAC is on
};
using TRunFlags = std::uint8_t;

constexpr std::uint32_t kStillActive = 259; // STILL_ACTIVE
constexpr int kRunFailed = -1;
constexpr unsigned kWaitPollMs = 50;

// The shell verb to use: "runas" only with rfElevate while UAC is on, else none (default verb).
const wchar_t* RunVerb(TRunFlags flags, bool uacEnabled);

// SW_HIDE (0) with rfHidden, else SW_SHOWNORMAL (1).
int RunShowCommand(TRunFlags flags);

// UAC counts as on from Windows 6.0 when the policy value EnableLUA exists and is not zero.
bool UacPolicyOn(unsigned windowsMajorVersion, std::optional<std::uint32_t> enableLua);

// What the wait asks of the platform.
class ExitWait {
public:
    virtual ~ExitWait() = default;
    virtual std::uint32_t ReadExitCode() = 0; // the process's current exit code
    virtual bool StopWaiting() = 0;           // true once the message loop is ending
    virtual void Pause() = 0;                 // one poll interval
};

// Polls until the exit code is no longer STILL_ACTIVE or StopWaiting says so; returns the last
// exit code read (259 when the wait was given up), as the signed result of RunProgram.
std::int32_t WaitForExitCode(ExitWait& wait);

} // namespace veyra
