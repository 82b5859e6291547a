#include "support/uLogSystem.h"

#include <gtest/gtest.h>

#include <string>

namespace veyra {
namespace {

// Locales as their systems state them.
LogLocale Brazil() { // pt-BR: 24-hour clock with leading zeros
    return {L"/", L":", true, true, L"", L"", false};
}
LogLocale UnitedStates() { // en-US: 12-hour clock, no leading zero, designator after the time
    return {L"/", L":", false, false, L"AM", L"PM", false};
}
LogLocale DesignatorFirst() { // like ko-KR: designator before the time, "." between date parts
    return {L".", L":", false, false, L"AM", L"PM", true};
}

std::string Narrow(const std::wstring& text) {
    return {text.begin(), text.end()}; // the cases below are ASCII
}

TEST(SingleThreadLogStampTest, DateAndTimeFollowTheLocale) {
    struct Case {
        const char* name;
        LogLocale locale;
        ClockReading clock;
        const char* stamp;
    };
    const Case cases[] = {
        {"pt-BR afternoon", Brazil(), {2019, 4, 16, 13, 42, 30}, "[16/04/19] [13:42:30] "},
        {"pt-BR early morning", Brazil(), {2019, 4, 16, 7, 5, 9}, "[16/04/19] [07:05:09] "},
        {"pt-BR midnight", Brazil(), {2000, 1, 1, 0, 0, 0}, "[01/01/00] [00:00:00] "},
        {"en-US afternoon", UnitedStates(), {2019, 4, 16, 13, 42, 30}, "[16/04/19] [1:42:30 PM] "},
        {"en-US morning", UnitedStates(), {2019, 12, 31, 9, 0, 59}, "[31/12/19] [9:00:59 AM] "},
        {"en-US midnight", UnitedStates(), {2021, 3, 5, 0, 15, 0}, "[05/03/21] [12:15:00 AM] "},
        {"en-US noon", UnitedStates(), {2021, 3, 5, 12, 0, 1}, "[05/03/21] [12:00:01 PM] "},
        {"en-US 11 pm", UnitedStates(), {2021, 3, 5, 23, 59, 59}, "[05/03/21] [11:59:59 PM] "},
        {"designator first",
         DesignatorFirst(),
         {2024, 2, 29, 14, 3, 7},
         "[29.02.24] [PM 2:03:07] "},
        {"designator first am",
         DesignatorFirst(),
         {2024, 2, 29, 0, 3, 7},
         "[29.02.24] [AM 12:03:07] "},
        {"12-hour with leading zero",
         {L"-", L".", true, false, L"a", L"p", false},
         {1999, 10, 2, 8, 30, 0},
         "[02-10-99] [08.30.00 a] "},
        {"24-hour without leading zero",
         {L"/", L":", false, true, L"AM", L"PM", false},
         {2019, 4, 16, 7, 5, 9},
         "[16/04/19] [7:05:09] "},
        {"separators of several characters fall back",
         {L". ", L"h ", true, true, L"", L"", false},
         {2019, 4, 16, 13, 42, 30},
         "[16/04/19] [13:42:30] "},
        {"empty separators fall back",
         {L"", L"", true, true, L"", L"", false},
         {2019, 4, 16, 13, 42, 30},
         "[16/04/19] [13:42:30] "},
        {"year's last two digits", Brazil(), {2105, 6, 7, 1, 2, 3}, "[07/06/05] [01:02:03] "},
        // A control character would reach the log as a byte: the end-of-file mark (0x1A) would
        // have the next append cut the file there. Such settings count as absent.
        {"end-of-file mark as separators fall back",
         {L"\x1A", L"\x1A", true, true, L"", L"", false},
         {2019, 4, 16, 13, 42, 30},
         "[16/04/19] [13:42:30] "},
        {"line break and tab as separators fall back",
         {L"\n", L"\t", true, true, L"", L"", false},
         {2019, 4, 16, 13, 42, 30},
         "[16/04/19] [13:42:30] "},
        {"designators with control characters count as absent",
         {L"/", L":", false, false, L"A\x1AM", L"P\rM", false},
         {2019, 4, 16, 13, 42, 30},
         "[16/04/19] [1:42:30 ] "},
        {"designator with a control character before the time",
         {L"/", L":", false, false, L"\x1A", L"\x1A", true},
         {2019, 4, 16, 9, 42, 30},
         "[16/04/19] [ 9:42:30] "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Narrow(FormatLogDate(c.clock, c.locale) + FormatLogTime(c.clock, c.locale)),
                  c.stamp)
            << c.name;
    }
}

TEST(SingleThreadLogLineTest, DateFromTheFirstReadingTimeFromTheSecondThenMessageAndCrLf) {
    // The clock passes midnight between the two readings: each part shows its own reading.
    const ClockReading before{2019, 4, 16, 23, 59, 59};
    const ClockReading after{2019, 4, 17, 0, 0, 0};
    EXPECT_EQ(FormatLogLine(before, after, Brazil(), L"Erro ao baixar"),
              L"[16/04/19] [00:00:00] Erro ao baixar\r\n");
    EXPECT_EQ(FormatLogLine(before, before, Brazil(), L""), L"[16/04/19] [23:59:59] \r\n");
    // The message is not interpreted: separators, brackets and non-ASCII pass through.
    EXPECT_EQ(FormatLogLine(before, before, UnitedStates(), L"a/b:c [x] \u00e7\u00e3"),
              L"[16/04/19] [11:59:59 PM] a/b:c [x] \u00e7\u00e3\r\n");
}

TEST(EndOfFileMarkCutTest, FirstMarkAmongTheLast128Bytes) {
    const std::string line(100, 'x');
    struct Case {
        const char* name;
        std::string file;
        std::optional<std::uint64_t> cut;
    };
    const Case cases[] = {
        {"no mark", line + line, std::nullopt},
        {"empty file", "", std::nullopt},
        {"mark at the end", line + line + "\x1A", 200},
        {"mark within the last 128", line + "\x1A" + line, 100},
        {"mark exactly 128 bytes from the end", "ab\x1A" + std::string(127, 'y'), 2},
        {"mark 129 bytes from the end", "ab\x1A" + std::string(128, 'y'), std::nullopt},
        {"mark before the window and one inside", "\x1A" + line + "\x1A" + line, 101},
        {"several marks inside: the first", line + "z\x1A\x1A" + std::string(10, 'q') + "\x1A",
         101},
        {"short file",
         "ab\x1A"
         "cd\x1A",
         2},
        {"only a mark", "\x1A", 0},
    };
    for (const auto& c : cases) {
        // The caller may hand over the whole file or just its last 128 bytes: same answer.
        EXPECT_EQ(EndOfFileMarkCut(c.file.size(), c.file), c.cut) << c.name;
        const std::string_view window =
            std::string_view(c.file).substr(c.file.size() > 128 ? c.file.size() - 128 : 0);
        EXPECT_EQ(EndOfFileMarkCut(c.file.size(), window), c.cut) << c.name << " (window)";
    }
}

} // namespace
} // namespace veyra
