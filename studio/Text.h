#pragma once
// Text for the studio tool's output, which is UTF-8.
#include <string>
#include <string_view>

namespace veyra::studio {

// UTF-8 of wide text (UTF-16 or UTF-32, whichever wchar_t holds); an unpaired surrogate becomes
// U+FFFD.
std::string ToUtf8(std::wstring_view text);

// `text` in double quotes for a message: control characters as \xNN, and text over `maxLength`
// characters cut with "...".
std::string Quoted(std::wstring_view text, std::size_t maxLength = 60);

} // namespace veyra::studio
