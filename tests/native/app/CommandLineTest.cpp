#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <string>

namespace veyra {
namespace {

struct ModeCase {
    const wchar_t* commandLine;
    StartMode expected;
};

class SingleThreadStartModeTest : public ::testing::TestWithParam<ModeCase> {};

TEST_P(SingleThreadStartModeTest, DecidesFromTheFirstArgument) {
    EXPECT_EQ(DecideStartMode(GetParam().commandLine), GetParam().expected)
        << "command line: " << ::testing::PrintToString(std::wstring(GetParam().commandLine));
}

constexpr auto U = StartMode::Update;
constexpr auto P = StartMode::PassThrough;

INSTANTIATE_TEST_SUITE_P(
    Cases, SingleThreadStartModeTest,
    ::testing::Values(
        ModeCase{L"VeyraLauncher.exe", P}, ModeCase{L"", P},
        ModeCase{L"\"C:\\Games\\My Game\\VeyraLauncher.exe\"", P},
        ModeCase{L"VeyraLauncher.exe --update", U},
        ModeCase{L"\"C:\\Games\\My Game\\VeyraLauncher.exe\" --update", U},
        ModeCase{L"VeyraLauncher.exe --update extra args", U},
        ModeCase{L"VeyraLauncher.exe \"--update\"", U},          // quotes are removed
        ModeCase{L"VeyraLauncher.exe --up\"dat\"e", U},          // a group inside an argument
        ModeCase{L"VeyraLauncher.exe \"\" --update", U},         // a lone "" pair does not count
        ModeCase{L"VeyraLauncher.exe \"\"\"\" --update", U},     // nor do two of them
        ModeCase{L"VeyraLauncher.exe \"\"--update", U},          // a leading pair is dropped
        ModeCase{L"VeyraLauncher.exe\t\r\n\x01--update\x1f", U}, // every code up to 32 separates
        ModeCase{L"VeyraLauncher.exe --UPDATE", P}, ModeCase{L"VeyraLauncher.exe -update", P},
        ModeCase{L"VeyraLauncher.exe --update2", P},
        ModeCase{L"VeyraLauncher.exe \" --update\"", P},
        ModeCase{L"VeyraLauncher.exe x --update", P},     // only the first argument counts
        ModeCase{L"VeyraLauncher.exe --upd\\\"ate\"", P}, // no escape character
        ModeCase{L"VeyraLauncher.exe \"--update", U},     // an unclosed group runs to the end
        ModeCase{L"VeyraLauncher.exe \"--update x", P}));

struct SplitCase {
    const wchar_t* commandLine;
    std::vector<std::wstring> expected;
};

class SingleThreadSplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SingleThreadSplitTest, TakesArgumentsInOrder) {
    std::wstring_view rest = GetParam().commandLine;
    std::vector<std::wstring> arguments;
    while (auto argument = TakeArgument(rest))
        arguments.push_back(*argument);
    EXPECT_EQ(arguments, GetParam().expected);
    EXPECT_TRUE(rest.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SingleThreadSplitTest,
    ::testing::Values(SplitCase{L"", {}}, SplitCase{L"   \t ", {}}, SplitCase{L"\"\"", {}},
                      SplitCase{L"a b  c", {L"a", L"b", L"c"}},
                      SplitCase{L"\"a b\" c", {L"a b", L"c"}},
                      SplitCase{L"a\"b c\"d e", {L"ab cd", L"e"}},
                      SplitCase{L"\"a\"\"b\"", {L"ab"}},         // quotes inside an argument vanish
                      SplitCase{L"x \"\"y", {L"x", L"y"}},       // a leading "" pair is dropped
                      SplitCase{L"x y\"\"", {L"x", L"y"}},       // a later empty group adds nothing
                      SplitCase{L"\"a\tb\" c", {L"a\tb", L"c"}}, // separators are kept in quotes
                      SplitCase{L"\u00e9t\u00e9 \u4e2d", {L"\u00e9t\u00e9", L"\u4e2d"}}));

TEST(SingleThreadCommandLineTest, NulCharacterEndsTheCommandLine) {
    const std::wstring line(L"prog --update\0ignored", 21);
    std::wstring_view rest = line;
    EXPECT_EQ(TakeArgument(rest), L"prog");
    EXPECT_EQ(TakeArgument(rest), L"--update");
    EXPECT_EQ(TakeArgument(rest), std::nullopt);
    EXPECT_EQ(DecideStartMode(std::wstring(L"prog\0 --update", 14)), StartMode::PassThrough);
}

TEST(SingleThreadCommandLineTest, ArgumentAtStopsWhereTheLineEnds) {
    EXPECT_EQ(ArgumentAt(L"p a b", 0), L"p");
    EXPECT_EQ(ArgumentAt(L"p a b", 2), L"b");
    EXPECT_EQ(ArgumentAt(L"p a b", 3), std::nullopt);
}

TEST(SingleThreadCommandLineTest, LongAndUnusualLinesAreHandled) {
    // A first argument of a million characters, a line of only quotes, and every code point
    // below 128 mixed together: none of them may crash, and the mode follows the rules.
    const std::wstring longArgument(1'000'000, L'x');
    EXPECT_EQ(DecideStartMode(L"p " + longArgument + L" --update"), StartMode::PassThrough);
    EXPECT_EQ(ArgumentAt(L"p " + longArgument, 1)->size(), longArgument.size());
    EXPECT_EQ(DecideStartMode(L"p " + std::wstring(99'999, L'"')), StartMode::PassThrough);
    std::wstring all;
    for (wchar_t c = 1; c < 128; ++c)
        all.push_back(c);
    EXPECT_EQ(DecideStartMode(all + all), StartMode::PassThrough);
}

} // namespace
} // namespace veyra
