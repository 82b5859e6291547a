#include "support/Bridge.h"

namespace veyra {
namespace {

unsigned FirstConfirmed(const VersionProbe& probe, VersionField field, unsigned first,
                        unsigned last) {
    for (unsigned value = first; value <= last; ++value) {
        if (probe(field, value))
            return value;
    }
    return 0;
}

} // namespace

WindowsVersion ConfirmWindowsVersion(WindowsVersion reported, const VersionProbe& probe) {
    const bool aboveWindows7 = reported.major > 6 || (reported.major == 6 && reported.minor > 1);
    if (!aboveWindows7)
        return reported;
    WindowsVersion confirmed;
    confirmed.major = FirstConfirmed(probe, VersionField::Major, 6, 20);
    confirmed.minor = FirstConfirmed(probe, VersionField::Minor, 0, 15);
    return confirmed;
}

bool TaskbarProgressSupported(WindowsVersion version) {
    return version.major == 6 && version.minor >= 1;
}

bool DecideTaskbarEnabled(WindowsVersion reported, const VersionProbe& probe,
                          const std::function<bool()>& createTaskbarList) {
    if (!TaskbarProgressSupported(ConfirmWindowsVersion(reported, probe)))
        return false;
    return createTaskbarList();
}

void ReportTaskbarProgress(bool enabled, TaskbarList& taskbar, std::int32_t max,
                           std::int32_t position) {
    if (!enabled || !taskbar.SetProgressState(tpsNormal))
        return;
    // Widened with their sign, as the 32-bit signed numbers meet the interface's 64-bit ones.
    taskbar.SetProgressValue(static_cast<std::uint64_t>(static_cast<std::int64_t>(position)),
                             static_cast<std::uint64_t>(static_cast<std::int64_t>(max)));
}

} // namespace veyra
