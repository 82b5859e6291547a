#include "studio/Text.h"

#include <cstdint>
#include <cstdio>

namespace veyra::studio {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool IsHighSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char32_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// The code points of wide text, pairing UTF-16 surrogates where wchar_t has 16 bits.
template <typename Visit> void ForEachCodePoint(std::wstring_view text, Visit visit) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t code = static_cast<char32_t>(text[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            code &= 0xFFFF;
            if (IsHighSurrogate(code) && i + 1 < text.size() &&
                IsLowSurrogate(static_cast<char32_t>(text[i + 1]) & 0xFFFF)) {
                const char32_t low = static_cast<char32_t>(text[++i]) & 0xFFFF;
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            }
        }
        if (IsHighSurrogate(code) || IsLowSurrogate(code) || code > 0x10FFFF)
            code = kReplacement;
        visit(code);
    }
}

} // namespace

// Its own encoder rather than the program's Narrow (support/NarrowText_win.h): the tool builds and
// is tested natively too, where there is no system conversion, and Quoted walks the same code
// points.
std::string ToUtf8(std::wstring_view text) {
    std::string out;
    ForEachCodePoint(text, [&](char32_t code) { AppendUtf8(out, code); });
    return out;
}

std::string Quoted(std::wstring_view text, std::size_t maxLength) {
    std::string out = "\"";
    std::size_t count = 0;
    ForEachCodePoint(text, [&](char32_t code) {
        if (++count > maxLength)
            return;
        if (code < 0x20 || code == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(code));
            out += escaped;
        } else {
            AppendUtf8(out, code);
        }
    });
    if (count > maxLength)
        out += "...";
    return out + "\"";
}

} // namespace veyra::studio
