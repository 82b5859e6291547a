#pragma once
// Small ASCII helpers for protocol text: trimming and comparing without regard to letter case.
#include <algorithm>
#include <string>
#include <string_view>
#include <type_traits>

namespace veyra::ascii {

constexpr char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Spaces and control characters: code units up to 0x20, bytes and wide characters alike.
template <typename Char> constexpr bool IsSpaceOrControl(Char c) {
    return static_cast<std::make_unsigned_t<Char>>(c) <= 0x20;
}

// Drops spaces and control characters from both ends.
template <typename Char>
constexpr std::basic_string_view<Char> TrimUnits(std::basic_string_view<Char> text) {
    while (!text.empty() && IsSpaceOrControl(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpaceOrControl(text.back()))
        text.remove_suffix(1);
    return text;
}

constexpr std::string_view Trim(std::string_view text) {
    return TrimUnits(text);
}
constexpr std::wstring_view Trim(std::wstring_view text) {
    return TrimUnits(text);
}

constexpr bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Lower(x) == Lower(y); });
}

constexpr bool ContainsIgnoringCase(std::string_view text, std::string_view part) {
    return std::search(text.begin(), text.end(), part.begin(), part.end(),
                       [](char x, char y) { return Lower(x) == Lower(y); }) != text.end() ||
           part.empty();
}

inline std::string ToLower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), Lower);
    return out;
}

} // namespace veyra::ascii
