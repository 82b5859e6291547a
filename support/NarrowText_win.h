#pragma once
// Wide text in a narrow code page, through the system's conversion.
#include <string>
#include <string_view>

namespace veyra {

// `text` in the code page `codePage` (CP_UTF8, CP_ACP, ...). A character the code page lacks
// becomes its default character, never a look-alike (no best fit). Empty when the system cannot
// convert the text.
std::string Narrow(std::wstring_view text, unsigned codePage);

} // namespace veyra
