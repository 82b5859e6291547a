#pragma once
// Error log, the rules that need no operating system: the line's time stamp from a clock reading
// and the locale's settings, and where an existing log is cut before appending.
#include "support/LocalClock.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace veyra {

// The log file's name in the program directory.
inline constexpr wchar_t kLogFileName[] = L"VeyraLauncher.err";

// The end-of-file mark an existing log is cut at, and how far back from the end it is looked for.
inline constexpr char kEndOfFileMark = '\x1A';
inline constexpr std::size_t kEndOfFileMarkWindow = 128;

// The user's locale settings that shape the time stamp, as the system states them.
struct LogLocale {
    // The separators and designators count as absent when they hold a control character (below
    // U+0020).
    std::wstring dateSeparator; // used only when exactly one character, else "/"
    std::wstring timeSeparator; // used only when exactly one character, else ":"
    bool leadingZeroInHours = false;
    bool clock24 = false;
    std::wstring amDesignator;
    std::wstring pmDesignator;
    bool designatorBeforeTime = false; // else after it
};

// "[dd/mm/yy] ": day, month and the year's last two digits, two digits each, with the locale's
// date separator.
std::wstring FormatLogDate(const ClockReading& clock, const LogLocale& locale);

// "[h:mm:ss] ": the hour as the locale asks (leading zero or not; 24-hour, or 1..12 with the AM or
// PM designator after the time with a space between, or before it followed by a space).
std::wstring FormatLogTime(const ClockReading& clock, const LogLocale& locale);

// The whole entry: date stamp, time stamp, message, CR LF. The date and the time come from two
// readings, as the clock is read once for each.
std::wstring FormatLogLine(const ClockReading& dateReading, const ClockReading& timeReading,
                           const LogLocale& locale, std::wstring_view message);

// Where to cut an existing log before appending: at the first end-of-file mark among its last 128
// bytes. `tail` holds the file's last tail.size() bytes, at most `fileSize` of them (more than 128
// is allowed; the bytes before the window are not looked at). Returns the offset from the file's
// start to cut at, or nothing when the window holds no mark.
std::optional<std::uint64_t> EndOfFileMarkCut(std::uint64_t fileSize, std::string_view tail);

} // namespace veyra
