#pragma once
// Module Bridge on Windows: the start-up decision whether taskbar progress is shown, and the
// update procedure's progress call.
#include "support/Bridge.h"

#include <windows.h>

#include <cstdint>

namespace veyra {

// The version the system reports to this program (GetVersionExW); 0.0 when the query fails.
// Without a compatibility manifest, Windows 8.1 and later report 6.2.
WindowsVersion ReportedWindowsVersion();

// Whether one field of the system's version equals `value` (VerifyVersionInfoW, VER_EQUAL).
bool ProbeWindowsVersion(VersionField field, unsigned value);

// The start-up step: decides TaskbarEnabled from the reported version, creating the taskbar
// object when the version allows progress. Needs COM on the calling (main) thread.
bool DecideTaskbarEnabled();

// The decision made at start-up; false before it.
bool TaskbarEnabled();

// Shows position of max on the taskbar button in the normal state, when TaskbarEnabled. Never
// fails; a failed state change leaves the value alone.
void ReportProgress(std::int32_t max, std::int32_t position);

// Start-up and end of the taskbar modules for the program's lifetime. Made right after COM is
// initialised on the main thread: registers the application's window as the progress window of
// last resort and decides TaskbarEnabled. Its end releases the taskbar object, which must
// happen before COM ends, so it is made after the application object and ends before it.
class TaskbarModules {
public:
    explicit TaskbarModules(HWND applicationWindow);
    TaskbarModules(const TaskbarModules&) = delete;
    TaskbarModules& operator=(const TaskbarModules&) = delete;
    ~TaskbarModules();
};

} // namespace veyra
