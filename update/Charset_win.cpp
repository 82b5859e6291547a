// The Windows code-page conversion, in its lenient mode (no MB_ERR_INVALID_CHARS): what cannot
// be converted is replaced instead of failing.
#include "update/Charset.h"

#include <windows.h>

#include <climits>

namespace veyra {

namespace {
UINT CodePage(Charset charset) {
    switch (charset) {
    case Charset::iso88591:
        return 28591;
    case Charset::windows1252:
        return 1252;
    case Charset::utf8:
        return CP_UTF8;
    default:
        return 0;
    }
}
} // namespace

std::wstring DecodeWithPlatform(std::string_view bytes, Charset charset) {
    const UINT codePage = CodePage(charset);
    if (codePage == 0 || bytes.size() > static_cast<std::size_t>(INT_MAX))
        return DecodePortable(bytes, charset);
    if (bytes.empty())
        return {};
    const int size = static_cast<int>(bytes.size());
    const int length = ::MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    if (length <= 0)
        return DecodePortable(bytes, charset); // a code page this system lacks
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(codePage, 0, bytes.data(), size, text.data(), length);
    return text;
}

} // namespace veyra
