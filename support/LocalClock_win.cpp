#include "support/LocalClock_win.h"

#include <windows.h>

namespace veyra {

ClockReading ReadLocalClock() {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

} // namespace veyra
