#pragma once
// UTF-16 to UTF-8 for what the test helpers print or record.
#include <windows.h>

#include <string>
#include <string_view>

namespace veyra::test {

inline std::string ToUtf8(std::wstring_view text) {
    if (text.empty())
        return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                          nullptr, nullptr);
    return out;
}

} // namespace veyra::test
