#include "support/NarrowText_win.h"

#include <windows.h>

namespace veyra {
namespace {

// The length of the converted text, or with `out` the text itself.
int Convert(std::wstring_view text, unsigned codePage, DWORD flags, char* out, int outSize) {
    return ::WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), out,
                                 outSize, nullptr, nullptr);
}

// No best fit: a character the code page lacks becomes the default character, not a look-alike.
// UTF-8 refuses the flag and lacks no character anyway.
DWORD FirstFlags(unsigned codePage) {
    return codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
}

} // namespace

std::string Narrow(std::wstring_view text, unsigned codePage) {
    if (text.empty())
        return {};
    DWORD flags = FirstFlags(codePage);
    int length = Convert(text, codePage, flags, nullptr, 0);
    // The ANSI code page may be UTF-8 too (or another that refuses the flag): then without it.
    if (length == 0 && flags != 0 && ::GetLastError() == ERROR_INVALID_FLAGS) {
        flags = 0;
        length = Convert(text, codePage, flags, nullptr, 0);
    }
    std::string bytes(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        Convert(text, codePage, flags, bytes.data(), length);
    return bytes;
}

} // namespace veyra
