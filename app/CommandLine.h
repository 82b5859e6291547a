#pragma once
// Reading the program's command line the way the launcher always has: arguments are separated by
// characters of code 32 or less, double quotes group characters and are removed (no escape
// character), and a pair of double quotes at the start of an argument is dropped.
#include <optional>
#include <string>
#include <string_view>

namespace veyra {

// Takes the next argument off the front of `rest` and advances `rest` past it. Returns nothing
// when only separators (or dropped "" pairs) are left. A NUL character ends the command line.
std::optional<std::wstring> TakeArgument(std::wstring_view& rest);

// The argument at `index` of a whole command line (index 0 is the program name as written).
// Returns nothing when the command line has fewer arguments. Reads no further than needed.
std::optional<std::wstring> ArgumentAt(std::wstring_view commandLine, std::size_t index);

enum class StartMode { PassThrough, Update };

// Update mode exactly when the first argument after the program name is "--update".
StartMode DecideStartMode(std::wstring_view commandLine);

} // namespace veyra
