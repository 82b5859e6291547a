#include "app/CommandLine.h"

namespace veyra {
namespace {

constexpr bool IsSeparator(wchar_t c) {
    return c != L'\0' && c <= L' ';
}

// Skips separators and any "" pairs that start an argument; the pair skipping repeats, so
// `"" ""x` still yields x.
void SkipToArgument(std::wstring_view& rest) {
    for (;;) {
        while (!rest.empty() && IsSeparator(rest.front()))
            rest.remove_prefix(1);
        if (rest.size() >= 2 && rest[0] == L'"' && rest[1] == L'"')
            rest.remove_prefix(2);
        else
            return;
    }
}

} // namespace

std::optional<std::wstring> TakeArgument(std::wstring_view& rest) {
    SkipToArgument(rest);
    if (rest.empty() || rest.front() == L'\0') {
        rest = {};
        return std::nullopt;
    }
    std::wstring argument;
    while (!rest.empty() && rest.front() > L' ') {
        if (rest.front() != L'"') {
            argument.push_back(rest.front());
            rest.remove_prefix(1);
            continue;
        }
        rest.remove_prefix(1); // opening quote
        while (!rest.empty() && rest.front() != L'\0' && rest.front() != L'"') {
            argument.push_back(rest.front());
            rest.remove_prefix(1);
        }
        if (!rest.empty() && rest.front() == L'"')
            rest.remove_prefix(1); // closing quote; an unclosed group runs to the end
    }
    if (!rest.empty() && rest.front() == L'\0')
        rest = {};
    return argument;
}

std::optional<std::wstring> ArgumentAt(std::wstring_view commandLine, std::size_t index) {
    std::optional<std::wstring> argument;
    for (std::size_t i = 0; i <= index; ++i) {
        argument = TakeArgument(commandLine);
        if (!argument)
            return std::nullopt;
    }
    return argument;
}

StartMode DecideStartMode(std::wstring_view commandLine) {
    const auto first = ArgumentAt(commandLine, 1);
    return first && *first == L"--update" ? StartMode::Update : StartMode::PassThrough;
}

} // namespace veyra
