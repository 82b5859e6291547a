#include "update/Charset.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace veyra {
namespace {

using namespace std::string_literals;

TEST(SingleThreadCharsetNameTest, FromTheParameterOrTheMediaType) {
    struct Case {
        std::optional<std::string_view> contentType;
        std::optional<std::string> name;
    };
    const Case cases[] = {
        {std::nullopt, std::nullopt},
        {"text/html", "ISO-8859-1"},
        {"TEXT/Plain; format=flowed", "ISO-8859-1"},
        {"text/xml", "us-ascii"},
        {"text/xml-external-parsed-entity", "us-ascii"},
        {"text/vnd.example+xml", "us-ascii"},
        {"text/xmlish", "ISO-8859-1"},
        {"application/xml", std::nullopt},
        {"application/octet-stream", std::nullopt},
        {"", std::nullopt},
        {"text/html; charset=\"UTF-8\"", "UTF-8"},
        {"application/json ; Charset = utf-8 ", "utf-8"},
        {"text/plain; charset=", "ISO-8859-1"}, // an empty parameter is no charset
        {"text/plain;charset=windows-1252;charset=utf-8", "windows-1252"},
        {"text/plain; name=charset; charset=x-weird", "x-weird"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CharsetName(c.contentType), c.name)
            << (c.contentType ? *c.contentType : "(none)");
}

TEST(SingleThreadCharsetFromNameTest, KnownNamesIgnoringCaseAndTheRestAsBytes) {
    EXPECT_EQ(CharsetFromName("UTF-8"), Charset::utf8);
    EXPECT_EQ(CharsetFromName("Iso-8859-1"), Charset::iso88591);
    EXPECT_EQ(CharsetFromName("us-ascii"), Charset::usAscii);
    EXPECT_EQ(CharsetFromName("Windows-1252"), Charset::windows1252);
    EXPECT_EQ(CharsetFromName("utf-16"), Charset::utf16le);
    EXPECT_EQ(CharsetFromName("UTF-16BE"), Charset::utf16be);
    EXPECT_EQ(CharsetFromName("koi8-r"), Charset::bytes);
    EXPECT_EQ(CharsetFromName("utf-8 "), Charset::bytes);
    EXPECT_EQ(CharsetFromName(""), Charset::bytes);
}

// Runs natively through the portable decoder and under Wine through MultiByteToWideChar: the
// same expectations hold for both.
TEST(SingleThreadDecodeBodyTest, EveryCharsetAndNoByteFails) {
    struct Case {
        Charset charset;
        std::string bytes;
        std::u16string text;
    };
    const Case cases[] = {
        {Charset::bytes, "\x00\x41\x7F\x80\xE9\xFF"s, u"\u0000A\u007F\u0080\u00E9\u00FF"s},
        {Charset::usAscii, "a\x7F\x80\xE9\xFF", u"a\u007F\uFFFD\uFFFD\uFFFD"},
        {Charset::iso88591, "caf\xE9\x80\x9F", u"caf\u00E9\u0080\u009F"},
        {Charset::windows1252, "\x80\x81\x8D\x9F\xE9\xA0", u"\u20AC\u0081\u008D\u0178\u00E9\u00A0"},
        {Charset::utf8, "caf\xC3\xA9", u"caf\u00E9"},
        {Charset::utf8, "\xEF\xBB\xBFok", u"\uFEFFok"}, // the byte-order mark stays
        {Charset::utf8, "\xF0\x9F\x98\x80", u"\U0001F600"},
        {Charset::utf8, "\xC3(", u"\uFFFD("},
        {Charset::utf8, "ab\xE2\x82", u"ab\uFFFD"},
        {Charset::utf8, "\xFF\xFE", u"\uFFFD\uFFFD"},
        {Charset::utf16le, "\xFF\xFEh\x00i\x00"s, u"\uFEFFhi"},
        {Charset::utf16be, "\x00h\x00i"s, u"hi"},
        {Charset::utf16le, "h\x00i"s, u"h\uFFFD"},
        {Charset::utf8, "", u""},
    };
    for (const auto& c : cases) {
        const std::wstring text = DecodeBody(c.bytes, c.charset);
        EXPECT_EQ(std::u16string(text.begin(), text.end()), c.text)
            << "charset " << static_cast<int>(c.charset) << ", " << c.bytes.size() << " bytes";
    }
}

} // namespace
} // namespace veyra
