// Why a charset table and a UTF-8 decoder for a body of ASCII digits: the client has always
// decoded the version file by the response's charset, and an update server may send any
// Content-Type. For ASCII every rule gives the same text; the rules are kept so that a body that is
// not plain ASCII (a byte-order mark, a stray byte) still becomes the text it always did, and the
// CRC check accepts and refuses exactly the bodies it did. DecodePortable is also the reference the
// Windows conversion is tested against.
#include "update/Charset.h"

#include "update/AsciiText.h"

#include <array>
#include <cstdint>

namespace veyra {

namespace {

constexpr wchar_t kReplacement = 0xFFFD;

bool IsXmlTextSubtype(std::string_view subtype) {
    return subtype == "xml" || subtype == "xml-external-parsed-entity" ||
           (subtype.size() >= 4 && subtype.substr(subtype.size() - 4) == "+xml");
}

std::string WithoutQuotes(std::string_view value) {
    std::string out;
    for (const char c : value) {
        if (c != '"' && c != '\'')
            out += c;
    }
    return std::string(ascii::Trim(out));
}

void AppendCodePoint(std::wstring& out, std::uint32_t codePoint) {
    if (codePoint < 0x10000) {
        out += static_cast<wchar_t>(codePoint);
    } else {
        codePoint -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (codePoint >> 10));
        out += static_cast<wchar_t>(0xDC00 + (codePoint & 0x3FF));
    }
}

std::wstring DecodeBytes(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    for (const char c : bytes)
        out += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return out;
}

std::wstring DecodeUsAscii(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out += byte < 0x80 ? static_cast<wchar_t>(byte) : kReplacement;
    }
    return out;
}

// The code units are kept as they come, unpaired surrogates too; an odd last byte is replaced.
std::wstring DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::wstring out;
    out.reserve(bytes.size() / 2 + 1);
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        out += static_cast<wchar_t>(bigEndian ? (first << 8 | second) : (second << 8 | first));
    }
    if (i < bytes.size())
        out += kReplacement;
    return out;
}

// windows-1252 for 0x80..0x9F; the five undefined bytes keep their own number, as on Windows.
constexpr std::array<std::uint16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::wstring DecodeWindows1252(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out += (byte >= 0x80 && byte <= 0x9F) ? static_cast<wchar_t>(kWindows1252High[byte - 0x80])
                                              : static_cast<wchar_t>(byte);
    }
    return out;
}

// UTF-8 as the Windows conversion reads it (checked under Wine): a lead byte sets the length and
// each following byte must be a continuation byte (0x80..0xBF); a sequence cut short becomes one
// U+FFFD. A complete sequence whose value is not allowed (overlong, a surrogate, above U+10FFFF)
// becomes one U+FFFD for its first two bytes, and decoding goes on after them.
std::wstring DecodeUtf8(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = at(i);
        if (lead < 0x80) {
            out += static_cast<wchar_t>(lead);
            ++i;
            continue;
        }
        const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                                   : lead >= 0xE0 && lead <= 0xEF ? 3
                                   : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                                  : 0;
        if (length == 0) {
            out += kReplacement;
            ++i;
            continue;
        }
        std::uint32_t codePoint = lead & (0x7F >> length);
        std::size_t next = i + 1;
        for (; next < i + length; ++next) {
            if (next >= text.size() || (at(next) & 0xC0) != 0x80)
                break;
            codePoint = codePoint << 6 | (at(next) & 0x3F);
        }
        if (next < i + length) {
            out += kReplacement;
            i = next;
            continue;
        }
        constexpr std::uint32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (codePoint < kShortest[length] || (codePoint >= 0xD800 && codePoint <= 0xDFFF) ||
            codePoint > 0x10FFFF) {
            out += kReplacement;
            i += 2;
            continue;
        }
        AppendCodePoint(out, codePoint);
        i = next;
    }
    return out;
}

struct NamedCharset {
    std::string_view name;
    Charset charset;
};

// The names this client knows, lower case. Anything else decodes byte for byte.
constexpr NamedCharset kNames[] = {
    {"us-ascii", Charset::usAscii},
    {"ascii", Charset::usAscii},
    {"ansi_x3.4-1968", Charset::usAscii},
    {"iso646-us", Charset::usAscii},
    {"csascii", Charset::usAscii},
    {"iso-8859-1", Charset::iso88591},
    {"iso8859-1", Charset::iso88591},
    {"iso_8859-1", Charset::iso88591},
    {"latin1", Charset::iso88591},
    {"l1", Charset::iso88591},
    {"cp819", Charset::iso88591},
    {"ibm819", Charset::iso88591},
    {"iso-ir-100", Charset::iso88591},
    {"csisolatin1", Charset::iso88591},
    {"windows-1252", Charset::windows1252},
    {"cp1252", Charset::windows1252},
    {"x-cp1252", Charset::windows1252},
    {"utf-8", Charset::utf8},
    {"utf8", Charset::utf8},
    {"utf-16", Charset::utf16le},
    {"utf-16le", Charset::utf16le},
    {"utf-16be", Charset::utf16be},
};

} // namespace

std::optional<std::string> CharsetName(std::optional<std::string_view> contentType) {
    if (!contentType)
        return std::nullopt;
    std::string_view rest = *contentType;
    const auto firstSemicolon = rest.find(';');
    const std::string mediaType = ascii::ToLower(ascii::Trim(rest.substr(0, firstSemicolon)));
    rest = firstSemicolon == std::string_view::npos ? std::string_view{}
                                                    : rest.substr(firstSemicolon + 1);
    while (!rest.empty()) {
        const auto semicolon = rest.find(';');
        const std::string_view parameter = rest.substr(0, semicolon);
        rest =
            semicolon == std::string_view::npos ? std::string_view{} : rest.substr(semicolon + 1);
        const auto equals = parameter.find('=');
        if (equals == std::string_view::npos ||
            !ascii::EqualsIgnoringCase(ascii::Trim(parameter.substr(0, equals)), "charset"))
            continue;
        std::string value = WithoutQuotes(parameter.substr(equals + 1));
        if (!value.empty())
            return value;
    }
    const auto slash = mediaType.find('/');
    if (ascii::Trim(std::string_view(mediaType).substr(0, slash)) != "text")
        return std::nullopt;
    const std::string_view subtype =
        slash == std::string::npos ? std::string_view{}
                                   : ascii::Trim(std::string_view(mediaType).substr(slash + 1));
    return IsXmlTextSubtype(subtype) ? "us-ascii" : "ISO-8859-1";
}

Charset CharsetFromName(std::string_view name) {
    for (const auto& known : kNames) {
        if (ascii::EqualsIgnoringCase(known.name, name))
            return known.charset;
    }
    return Charset::bytes;
}

std::wstring DecodePortable(std::string_view bytes, Charset charset) {
    switch (charset) {
    case Charset::bytes:
    case Charset::iso88591:
        return DecodeBytes(bytes);
    case Charset::usAscii:
        return DecodeUsAscii(bytes);
    case Charset::windows1252:
        return DecodeWindows1252(bytes);
    case Charset::utf8:
        return DecodeUtf8(bytes);
    case Charset::utf16le:
        return DecodeUtf16(bytes, false);
    case Charset::utf16be:
        return DecodeUtf16(bytes, true);
    }
    return DecodeBytes(bytes);
}

std::wstring DecodeBody(std::string_view bytes, Charset charset) {
    switch (charset) {
    case Charset::iso88591:
    case Charset::windows1252:
    case Charset::utf8:
        return DecodeWithPlatform(bytes, charset);
    default:
        return DecodePortable(bytes, charset);
    }
}

} // namespace veyra
