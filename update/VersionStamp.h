#pragma once
// The cache-busting value of the version file's URL: 14 digits of the local date and time.
#include "support/LocalClock.h"

#include <string>

namespace veyra {

// Day, month, year (4 digits) of `dateReading`, then hour (24-hour clock), minutes, seconds of
// `timeReading`, each zero-padded: 16 April 2019, 13:42:30 gives "16042019134230".
std::wstring FormatVersionStamp(const ClockReading& dateReading, const ClockReading& timeReading);

} // namespace veyra
