#include "support/Bridge_win.h"

#include "support/uWin7Taskbar_win.h"

namespace veyra {
namespace {

// Written once on the main thread at start-up, before the worker exists.
bool taskbarEnabled = false;

} // namespace

WindowsVersion ReportedWindowsVersion() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!::GetVersionExW(&info))
        return {};
    return {info.dwMajorVersion, info.dwMinorVersion};
}

bool ProbeWindowsVersion(VersionField field, unsigned value) {
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    DWORD type = 0;
    if (field == VersionField::Major) {
        type = VER_MAJORVERSION;
        info.dwMajorVersion = value;
    } else {
        type = VER_MINORVERSION;
        info.dwMinorVersion = value;
    }
    return ::VerifyVersionInfoW(&info, type, ::VerSetConditionMask(0, type, VER_EQUAL)) != FALSE;
}

bool DecideTaskbarEnabled() {
    taskbarEnabled = false;
    taskbarEnabled =
        DecideTaskbarEnabled(ReportedWindowsVersion(), ProbeWindowsVersion, CreateTaskbarList);
    return taskbarEnabled;
}

bool TaskbarEnabled() {
    return taskbarEnabled;
}

void ReportProgress(std::int32_t max, std::int32_t position) {
    ReportTaskbarProgress(taskbarEnabled, ModuleTaskbarList(), max, position);
}

TaskbarModules::TaskbarModules(HWND applicationWindow) {
    SetTaskbarApplicationWindow(applicationWindow);
    DecideTaskbarEnabled();
}

TaskbarModules::~TaskbarModules() {
    ReleaseTaskbarList();
    taskbarEnabled = false;
    SetTaskbarApplicationWindow(nullptr);
}

} // namespace veyra
