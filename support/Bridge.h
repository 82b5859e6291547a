#pragma once
// Whether taskbar progress is shown at all, and the one progress call of the update procedure:
// the rules that need no operating system.
#include "support/uWin7Taskbar.h"

#include <cstdint>
#include <functional>

namespace veyra {

struct WindowsVersion {
    unsigned major = 0;
    unsigned minor = 0;
    bool operator==(const WindowsVersion&) const = default;
};

enum class VersionField { Major, Minor };

// Asks the system whether one field of its version equals `value` (VerifyVersionInfoW).
using VersionProbe = std::function<bool(VersionField field, unsigned value)>;

// The version as reported when it is at most 6.1. Above that, each number is confirmed by
// probes: the major is the first of 6..20 the probe confirms, then the minor the first of
// 0..15; a number no probe confirms is 0.
WindowsVersion ConfirmWindowsVersion(WindowsVersion reported, const VersionProbe& probe);

// Progress is shown on 6.x from 6.1 (Windows 7) only. Without a compatibility manifest every
// later Windows reports 6.2, so in practice that is Windows 7 and everything after it.
bool TaskbarProgressSupported(WindowsVersion version);

// The start-up decision: false unless the confirmed version supports progress; then the result
// of `createTaskbarList`, which is called only in that case.
bool DecideTaskbarEnabled(WindowsVersion reported, const VersionProbe& probe,
                          const std::function<bool()>& createTaskbarList);

// One progress report on the scale 0..max: when enabled and the state can be set to normal, the
// value follows (position of max, both sign-extended to 64 bits). Otherwise nothing more.
void ReportTaskbarProgress(bool enabled, TaskbarList& taskbar, std::int32_t max,
                           std::int32_t position);

} // namespace veyra
