#include "update/VersionStamp.h"

namespace veyra {
namespace {

void AppendPadded(std::wstring& out, int value, int digits) {
    std::wstring text = std::to_wstring(value < 0 ? 0 : value);
    if (static_cast<int>(text.size()) < digits)
        out.append(digits - text.size(), L'0');
    out += text;
}

} // namespace

std::wstring FormatVersionStamp(const ClockReading& dateReading, const ClockReading& timeReading) {
    std::wstring stamp;
    AppendPadded(stamp, dateReading.day, 2);
    AppendPadded(stamp, dateReading.month, 2);
    AppendPadded(stamp, dateReading.year, 4);
    AppendPadded(stamp, timeReading.hour, 2);
    AppendPadded(stamp, timeReading.minute, 2);
    AppendPadded(stamp, timeReading.second, 2);
    return stamp;
}

} // namespace veyra
