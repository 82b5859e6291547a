#pragma once
// Hexadecimal digits: their values when text is read, lowercase when bytes are shown.
#include <string>

namespace veyra::hex {

// The value of one digit of either case ('0'-'9', 'a'-'f', 'A'-'F'), in bytes or wide text, or -1
// for any other character.
template <typename Char> constexpr int DigitValue(Char c) {
    if (c >= Char('0') && c <= Char('9'))
        return static_cast<int>(c - Char('0'));
    if (c >= Char('a') && c <= Char('f'))
        return static_cast<int>(c - Char('a')) + 10;
    if (c >= Char('A') && c <= Char('F'))
        return static_cast<int>(c - Char('A')) + 10;
    return -1;
}

// The two lowercase digits of the low byte of `value`: 0x1A gives "1a".
inline std::string ByteDigits(unsigned value) {
    static constexpr char kDigits[] = "0123456789abcdef";
    return {kDigits[(value >> 4) & 0xF], kDigits[value & 0xF]};
}

} // namespace veyra::hex
