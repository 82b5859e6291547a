#include "support/uRun.h"

namespace veyra {

const wchar_t* RunVerb(TRunFlags flags, bool uacEnabled) {
    return (flags & rfElevate) && uacEnabled ? L"runas" : nullptr;
}

int RunShowCommand(TRunFlags flags) {
    return (flags & rfHidden) ? 0 : 1;
}

bool UacPolicyOn(unsigned windowsMajorVersion, std::optional<std::uint32_t> enableLua) {
    return windowsMajorVersion >= 6 && enableLua.has_value() && *enableLua != 0;
}

std::int32_t WaitForExitCode(ExitWait& wait) {
    std::uint32_t code = wait.ReadExitCode();
    while (code == kStillActive && !wait.StopWaiting()) {
        wait.Pause();
        code = wait.ReadExitCode();
    }
    return static_cast<std::int32_t>(code);
}

} // namespace veyra
