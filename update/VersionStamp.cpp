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

std::wstring FormatVersionStamp(const StampDate& date, const StampTime& time) {
    std::wstring stamp;
    AppendPadded(stamp, date.day, 2);
    AppendPadded(stamp, date.month, 2);
    AppendPadded(stamp, date.year, 4);
    AppendPadded(stamp, time.hour, 2);
    AppendPadded(stamp, time.minute, 2);
    AppendPadded(stamp, time.second, 2);
    return stamp;
}

} // namespace veyra
