// The portable decoder stands in for MultiByteToWideChar natively; here both run over the same
// byte strings and must give the same text.
#include "update/Charset.h"

#include <gtest/gtest.h>

#include <string>

namespace veyra {
namespace {

std::string AllBytes() {
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        bytes += static_cast<char>(b);
    return bytes;
}

TEST(CharsetAgreementTest, PortableDecoderMatchesTheWindowsConversion) {
    const std::string samples[] = {
        "",
        "plain ASCII 2.0.0.1|123456789\r\n",
        AllBytes(),
        "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80",
        "\xEF\xBB\xBF"
        "bom",
        "\xC3(",                     // lead byte without its continuation
        "ab\xE2\x82",                // truncated at the end
        "\xC0\x80 \xC1\xBF",         // overlong two-byte forms
        "\xE0\x80\x80 \xE0\x9F\xBF", // overlong three-byte forms
        "\xED\xA0\x80 \xED\xBF\xBF", // encoded surrogates
        "\xF4\x90\x80\x80",          // above U+10FFFF
        "\xF5\x80\x80\x80 \xF8\x88\x80\x80\x80",
        "\x80\x80 \xBF", // stray continuation bytes
        "\xE2\x28\xA1 \xF0\x9F\x98",
        "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF",
        "\xE0\x80", // cut short after a byte that could not follow E0
        "\xED\xA0",
        "\xF4\x90\x80",
        "\xF0\x80\x80\x80 \xF0\x8F\xBF\xBF", // overlong four-byte forms
        "\xE0\x80\x41 \xE1\x80\xE1\x80\x80",
        "\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF", // the edges of each length
    };
    for (const Charset charset : {Charset::iso88591, Charset::windows1252, Charset::utf8}) {
        for (const auto& bytes : samples) {
            const std::wstring portable = DecodePortable(bytes, charset);
            const std::wstring windows = DecodeWithPlatform(bytes, charset);
            std::string hex;
            for (const char c : bytes.substr(0, 24)) {
                char digits[4];
                std::snprintf(digits, sizeof digits, "%02X ", static_cast<unsigned char>(c));
                hex += digits;
            }
            EXPECT_EQ(portable, windows) << "charset " << static_cast<int>(charset) << ": " << hex;
        }
    }
}

} // namespace
} // namespace veyra
