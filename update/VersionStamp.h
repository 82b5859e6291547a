#pragma once
// The cache-busting value of the version file's URL: 14 digits of the local date and time.
#include <string>

namespace veyra {

struct StampDate {
    int day, month, year;
};
struct StampTime {
    int hour, minute, second; // hour on the 24-hour clock
};

// Day, month, year (4 digits), hour, minutes, seconds, each zero-padded: 16 April 2019, 13:42:30
// gives "16042019134230".
std::wstring FormatVersionStamp(const StampDate& date, const StampTime& time);

} // namespace veyra
