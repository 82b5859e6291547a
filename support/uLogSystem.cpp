#include "support/uLogSystem.h"

namespace veyra {
namespace {

// Two decimal digits of 0..99.
void AppendTwoDigits(std::wstring& out, int value) {
    out.push_back(static_cast<wchar_t>(L'0' + value / 10 % 10));
    out.push_back(static_cast<wchar_t>(L'0' + value % 10));
}

// A control character from the locale would land in the log as a byte of its own: 0x1A, the
// end-of-file mark, would have the next append cut the file there. Such a setting counts as absent.
bool HasControlCharacter(const std::wstring& text) {
    for (const wchar_t c : text)
        if (c < 0x20)
            return true;
    return false;
}

const std::wstring& SingleCharacterOr(const std::wstring& separator, const std::wstring& fallback) {
    return separator.size() == 1 && !HasControlCharacter(separator) ? separator : fallback;
}

const std::wstring& DesignatorOrNone(const std::wstring& designator) {
    static const std::wstring none;
    return HasControlCharacter(designator) ? none : designator;
}

} // namespace

std::wstring FormatLogDate(const ClockReading& clock, const LogLocale& locale) {
    static const std::wstring slash = L"/";
    const std::wstring& separator = SingleCharacterOr(locale.dateSeparator, slash);
    std::wstring out = L"[";
    AppendTwoDigits(out, clock.day);
    out += separator;
    AppendTwoDigits(out, clock.month);
    out += separator;
    AppendTwoDigits(out, clock.year % 100);
    out += L"] ";
    return out;
}

std::wstring FormatLogTime(const ClockReading& clock, const LogLocale& locale) {
    static const std::wstring colon = L":";
    const std::wstring& separator = SingleCharacterOr(locale.timeSeparator, colon);
    int hour = clock.hour;
    if (!locale.clock24) {
        hour %= 12;
        if (hour == 0)
            hour = 12; // midnight and noon
    }
    std::wstring time;
    if (locale.leadingZeroInHours || hour >= 10)
        AppendTwoDigits(time, hour);
    else
        time.push_back(static_cast<wchar_t>(L'0' + hour));
    time += separator;
    AppendTwoDigits(time, clock.minute);
    time += separator;
    AppendTwoDigits(time, clock.second);
    if (!locale.clock24) {
        const std::wstring& designator =
            DesignatorOrNone(clock.hour < 12 ? locale.amDesignator : locale.pmDesignator);
        time = locale.designatorBeforeTime ? designator + L" " + time : time + L" " + designator;
    }
    return L"[" + time + L"] ";
}

std::wstring FormatLogLine(const ClockReading& dateReading, const ClockReading& timeReading,
                           const LogLocale& locale, std::wstring_view message) {
    std::wstring line = FormatLogDate(dateReading, locale);
    line += FormatLogTime(timeReading, locale);
    line += message;
    line += L"\r\n";
    return line;
}

std::optional<std::uint64_t> EndOfFileMarkCut(std::uint64_t fileSize, std::string_view tail) {
    if (tail.size() > kEndOfFileMarkWindow)
        tail.remove_prefix(tail.size() - kEndOfFileMarkWindow);
    const auto mark = tail.find(kEndOfFileMark);
    if (mark == std::string_view::npos)
        return std::nullopt;
    return fileSize - tail.size() + mark;
}

} // namespace veyra
