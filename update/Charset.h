#pragma once
// Turning the body's bytes into text (UTF-16 code units, on every platform) by the response's
// charset. No byte fails: what cannot be converted is replaced.
#include <optional>
#include <string>
#include <string_view>

namespace veyra {

enum class Charset {
    bytes,       // no charset, or one the client does not know: byte n becomes character n
    usAscii,     // 0x00..0x7F as themselves, 0x80..0xFF as U+FFFD
    iso88591,    // code page 28591
    windows1252, // code page 1252
    utf8,        // code page 65001
    utf16le,
    utf16be,
};

// The charset name a Content-Type value gives: its "charset" parameter with quotes removed; else
// "ISO-8859-1" for a text media type, "us-ascii" for the XML text types (text/xml,
// text/xml-external-parsed-entity and text/...+xml); else nothing (other media types, or no
// Content-Type at all).
std::optional<std::string> CharsetName(std::optional<std::string_view> contentType);

// The charset a name stands for, letter case ignored; Charset::bytes for names not known here.
Charset CharsetFromName(std::string_view name);

// The body as text. The byte-order mark, if any, stays. ISO-8859-1, windows-1252 and UTF-8 go
// through the platform's code-page conversion in its lenient mode; the others are decoded here
// (the Windows conversion does not offer UTF-16 or the strict us-ascii rule).
std::wstring DecodeBody(std::string_view bytes, Charset charset);

// This module's own decoder of ISO-8859-1, windows-1252 and UTF-8, which behaves as the Windows
// conversion does (as far as Wine shows it): bytes undefined in windows-1252 map to the C1
// controls of the same number, and ill-formed UTF-8 becomes U+FFFD as Charset.cpp describes.
// Other charsets decode as in DecodeBody.
std::wstring DecodePortable(std::string_view bytes, Charset charset);

// The platform's lenient code-page conversion of ISO-8859-1, windows-1252 or UTF-8:
// MultiByteToWideChar on Windows, DecodePortable elsewhere.
std::wstring DecodeWithPlatform(std::string_view bytes, Charset charset);

} // namespace veyra
