#include "studio/LocalStamp.h"

#include "update/VersionStamp.h"

#include <ctime>

namespace veyra::studio {

namespace {

// The C library's local clock rather than ReadLocalClock (support/LocalClock_win.h): the tool
// builds and runs natively too, and on Windows it reads the clock as it always has (the C
// library's, which honours TZ).
ClockReading ReadLibraryLocalClock() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
}

} // namespace

std::wstring LocalVersionStamp() {
    const ClockReading now = ReadLibraryLocalClock();
    return FormatVersionStamp(now, now);
}

} // namespace veyra::studio
