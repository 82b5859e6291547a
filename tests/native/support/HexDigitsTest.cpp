#include "support/HexDigits.h"

#include <gtest/gtest.h>

namespace veyra {
namespace {

TEST(SingleThreadHexDigitsTest, DigitValueOfEitherCaseInBytesAndWideText) {
    const struct {
        char narrow;
        wchar_t wide;
        int value;
    } cases[] = {
        {'0', L'0', 0},  {'9', L'9', 9},  {'a', L'a', 10}, {'f', L'f', 15},   {'A', L'A', 10},
        {'F', L'F', 15}, {'g', L'g', -1}, {'G', L'G', -1}, {'/', L'/', -1},   {':', L':', -1},
        {'@', L'@', -1}, {'`', L'`', -1}, {' ', L' ', -1}, {'\0', L'\0', -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(hex::DigitValue(c.narrow), c.value) << "'" << c.narrow << "'";
        EXPECT_EQ(hex::DigitValue(c.wide), c.value) << "'" << c.narrow << "'";
    }
    // A byte above 0x7F (negative where char is signed), and wide characters whose low byte is
    // a digit.
    EXPECT_EQ(hex::DigitValue(static_cast<char>(0xB1)), -1);
    EXPECT_EQ(hex::DigitValue(static_cast<wchar_t>(0x0131)), -1);
    EXPECT_EQ(hex::DigitValue(static_cast<wchar_t>(0x0141)), -1);
}

TEST(SingleThreadHexDigitsTest, ByteDigitsAreTwoLowercaseDigitsOfTheLowByte) {
    EXPECT_EQ(hex::ByteDigits(0x00), "00");
    EXPECT_EQ(hex::ByteDigits(0x0A), "0a");
    EXPECT_EQ(hex::ByteDigits(0x1A), "1a");
    EXPECT_EQ(hex::ByteDigits(0xF9), "f9");
    EXPECT_EQ(hex::ByteDigits(0xFF), "ff");
    EXPECT_EQ(hex::ByteDigits(0x1234), "34");
}

} // namespace
} // namespace veyra
