// What the studio's check says a player would see: the program's own check run on a body or a
// failed fetch, and the reason in plain words.
#include "studio/Diagnosis.h"
#include "studio/HostName.h"
#include "studio/PlayerOutcome.h"
#include "studio/Text.h"
#include "update/Charset.h"
#include "update/uM.h"

#include <gtest/gtest.h>

#include <string>
#include <system_error>

// The resolution step reads getaddrinfo's codes from the platform's resolver headers.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#endif

#include "update/ResolveIpv4.h"

namespace veyra::studio {
namespace {

// The studio's launcher file, and its CRC-32: as a signed 32-bit number it is -873187034, in
// hexadecimal CBF43926.
const std::string kLauncher = "123456789";
constexpr std::uint32_t kLauncherCrc = 3421780262u;

PlayerOutcome WithBody(const std::wstring& body) {
    return WhatAPlayerWouldSee([&](const std::wstring&) { return body; }, L"10122026081500",
                               kLauncher);
}

TEST(SingleThreadDeploymentCheckTest, PublishedBodies) {
    const std::wstring crcDiffers = messages::kCrcDiffers;
    const struct {
        const char* name;
        std::wstring body;
        std::wstring message; // empty: installed
        std::string reason;
    } cases[] = {
        {"label and CRC", L"2.0.0.2|3421780262\r\n", L"", ""},
        {"the CRC alone", L"3421780262", L"", ""},
        {"another file's CRC (an old or cached file)", L"2.0.0.1|12345\r\n", crcDiffers,
         "CRC differs: published 12345, file 3421780262"},
        {"a leading zero", L"x|03421780262", crcDiffers,
         "the published CRC 03421780262 has a leading zero: the program compares text, write "
         "3421780262"},
        {"a plus sign", L"x|+3421780262", crcDiffers,
         "the published CRC +3421780262 has a plus sign: write 3421780262"},
        {"signed", L"x|-873187034\n", crcDiffers,
         "the published CRC -873187034 is signed: the program expects it unsigned, 3421780262"},
        {"hexadecimal", L"x|CBF43926", crcDiffers,
         "the published CRC CBF43926 is hexadecimal: the program expects decimal, 3421780262"},
        {"hexadecimal with 0x", L"x|0xcbf43926", crcDiffers,
         "the published CRC 0xcbf43926 is hexadecimal: the program expects decimal, 3421780262"},
        {"the number before the bar", L"3421780262|2.0.0.2\r\n", crcDiffers,
         "the CRC stands before the \"|\": the program reads only what follows the first \"|\", "
         "\"2.0.0.2\""},
        {"two bars", L"x||3421780262", crcDiffers,
         "the body has more than one \"|\": the program takes everything after the first, "
         "\"|3421780262\""},
        {"empty", L"", crcDiffers, "the version file is empty"},
        {"nothing after the bar", L"2.0.0.2|\r\n", crcDiffers, "nothing follows the \"|\""},
        {"a byte-order mark read without charset", L"\u00EF\u00BB\u00BF3421780262", crcDiffers,
         "the body starts with a byte-order mark and has no \"|\": the mark becomes part of the "
         "CRC text"},
        {"words after the number", L"x|3421780262 final\r\n", crcDiffers,
         "the text after the \"|\" is not an unsigned decimal number: \"3421780262 final\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PlayerOutcome outcome = WithBody(c.body);
        EXPECT_EQ(outcome.installs, c.message.empty());
        EXPECT_EQ(outcome.statusMessage, c.message);
        EXPECT_TRUE(outcome.logLines.empty());
        ASSERT_TRUE(outcome.body.has_value());
        if (!c.message.empty()) {
            EXPECT_EQ(WhyTheCrcDiffers(*outcome.body, kLauncherCrc), c.reason);
        }
    }
}

TEST(SingleThreadDeploymentCheckTest, FailedFetches) {
    const FetchLimits limits;
    const struct {
        const char* name;
        HttpError error;
        std::string reason;
    } cases[] = {
        {"redirect", HttpError(HttpErrorKind::status, 302),
         "the server answered 302: the program does not follow redirects"},
        {"not modified", HttpError(HttpErrorKind::status, 304),
         "the server answered 304 (not modified), though the program never asks for it: it takes "
         "a 2xx answer with a body (any 2xx but 204, which carries none)"},
        {"missing", HttpError(HttpErrorKind::status, 404),
         "the server answered 404: there is no version file at that path"},
        {"server error", HttpError(HttpErrorKind::status, 503),
         "the server answered 503: only a 2xx answer counts"},
        {"challenge", HttpError(HttpErrorKind::status, 401),
         "the server answered 401: the program sends no credentials"},
        {"no status code", HttpError(HttpErrorKind::status, -1),
         "the server's status line holds no status code"},
        {"unknown host",
         HttpError(HttpErrorKind::socketError, 0, 0, HttpErrorCause::nameNotResolved),
         "the host name updates.example does not resolve to an IPv4 address"},
        {"no name server answered",
         HttpError(HttpErrorKind::socketError, 0, 0, HttpErrorCause::noResolverAnswer),
         "the host name updates.example could not be resolved: no name server answered (this "
         "machine's DNS settings or network; whether the name exists is not known)"},
        {"refused", HttpError(HttpErrorKind::socketError, 0, 111),
         "the connection to updates.example port 80 failed (system error 111: " +
             std::system_category().message(111) + ")"},
        {"silent connect", HttpError::Timeout(HttpErrorCause::connectWait),
         "no answer to the connect within 10 s"},
        {"silent server", HttpError::Timeout(HttpErrorCause::idleWait),
         "the server sent nothing for 15 s"},
        {"slow server", HttpError::Timeout(HttpErrorCause::totalWait),
         "the answer was not complete within 30 s"},
        {"closed early", HttpError(HttpErrorKind::connectionClosed),
         "the server closed the connection before its answer was complete"},
        {"long line", HttpError(HttpErrorKind::lineTooLong),
         "a status, header or chunk line of the answer is longer than 16384 bytes"},
        {"too large", HttpError(HttpErrorKind::tooLarge),
         "the answer is larger than the program takes: a body over 1048576 bytes or more than "
         "100 head lines"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::wstring stampAsked;
        const PlayerOutcome outcome = WhatAPlayerWouldSee(
            [&](const std::wstring& stamp) -> std::wstring {
                stampAsked = stamp;
                throw c.error;
            },
            L"10122026081500", kLauncher);
        EXPECT_EQ(stampAsked, L"10122026081500");
        EXPECT_FALSE(outcome.installs);
        EXPECT_EQ(outcome.statusMessage, messages::kValidationFailed);
        ASSERT_EQ(outcome.logLines.size(), 1u);
        EXPECT_EQ(outcome.logLines[0], messages::kCheckFailedLog);
        ASSERT_TRUE(outcome.fetchError.has_value());
        EXPECT_FALSE(outcome.body.has_value());
        EXPECT_EQ(WhyTheFetchFailed(*outcome.fetchError, "updates.example", limits), c.reason);
    }
}

TEST(SingleThreadDeploymentCheckTest, TheReasonNamesTheBoundsTheFetchRanWith) {
    FetchLimits limits;
    limits.idle = std::chrono::milliseconds(2500);
    limits.maxLine = 100;
    EXPECT_EQ(WhyTheFetchFailed(HttpError::Timeout(HttpErrorCause::idleWait), "h", limits),
              "the server sent nothing for 2.5 s");
    EXPECT_EQ(WhyTheFetchFailed(HttpError(HttpErrorKind::lineTooLong), "h", limits),
              "a status, header or chunk line of the answer is longer than 100 bytes");
}

TEST(SingleThreadDeploymentCheckTest, UpdateHosts) {
    const struct {
        std::string host;
        bool accepted;
    } cases[] = {
        {"updates.example.com", true},
        {"localhost", true},
        {"192.0.2.7", true},
        {"0.0.0.0", true},
        {"255.255.255.255", true},
        {"123.example.com", true},
        {"cdn-1.studio.example.", false}, // a trailing dot changes the Host header
        {"1.2.3", false},                 // the resolver reads 1.2.0.3
        {"999.1.1.1", false},
        {"01.2.3.4", false}, // octal to some resolvers
        {"1.2.3.4.5", false},
        {"1.2.3.4.", false},
        {"123", false},
        {"example.123", false},
        {"updates\texample.com", false},
        {"", false},
        {"http://updates.example.com", false},
        {"updates.example.com:8080", false},
        {"updates.example.com/launcher", false},
        {"user@updates.example.com", false},
        {"updates example.com", false},
        {"updates..example.com", false},
        {"-updates.example.com", false},
        {"upd\xC3\xA4tes.example.com", false},
        {std::string(64, 'a') + ".example.com", false},
        {".", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.host);
        EXPECT_EQ(!HostProblem(c.host).has_value(), c.accepted);
    }
}

TEST(SingleThreadDeploymentCheckTest, OutputText) {
    EXPECT_EQ(ToUtf8(L"verifica\u00E7\u00E3o"), "verifica\xC3\xA7\xC3\xA3o");
    EXPECT_EQ(ToUtf8(L"\U0001F600"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(Quoted(L"a\r\nb"), "\"a\\x0D\\x0Ab\"");
    EXPECT_EQ(Quoted(L"abcdef", 3), "\"abc...\"");
}

TEST(SingleThreadDeploymentCheckTest, AResolverWithoutAnswerIsNotANameThatDoesNotExist) {
    const struct {
        int result;
        HttpErrorCause cause;
    } cases[] = {
        {EAI_AGAIN, HttpErrorCause::noResolverAnswer},
        {EAI_NONAME, HttpErrorCause::nameNotResolved},
        {EAI_FAIL, HttpErrorCause::nameNotResolved},
#ifdef _WIN32
        // Winsock's own names for what its getaddrinfo returns.
        {WSATRY_AGAIN, HttpErrorCause::noResolverAnswer},
        {WSAHOST_NOT_FOUND, HttpErrorCause::nameNotResolved},
        {WSANO_DATA, HttpErrorCause::nameNotResolved},
#else
        {EAI_SYSTEM, HttpErrorCause::nameNotResolved},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.result);
        EXPECT_EQ(ResolverFailureCause(c.result), c.cause);
    }
    // The error's own text says which.
    EXPECT_NE(
        std::string(
            HttpError(HttpErrorKind::socketError, 0, 0, HttpErrorCause::noResolverAnswer).what())
            .find("no name server answered"),
        std::string::npos);
}

// UTF-16 of ASCII text, little- or big-endian, after its byte-order mark.
std::string Utf16(std::string_view text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char c : text)
        bytes += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    return bytes;
}

TEST(SingleThreadDeploymentCheckTest, AUtf16OrCompressedFileIsNamedUnderEveryCharset) {
    const std::string body = "2.0.0.2|3421780262\r\n";
    const std::string utf16 =
        "the version file is UTF-16 (it starts with the byte-order mark FF FE or FE FF, as Windows "
        "PowerShell's \">\" writes it): write it with the tool's --out, or as ASCII";
    const std::string gzip = "the version file is gzip-compressed (it starts with 1F 8B): the "
                             "program does not decompress; serve the file itself, uncompressed";
    const struct {
        const char* name;
        std::string bytes;
        std::string reason;
    } files[] = {
        {"UTF-16LE", Utf16(body, false), utf16},
        {"UTF-16BE", Utf16(body, true), utf16},
        // The start of `gzip` output: magic, deflate, no flags.
        {"gzip", std::string("\x1F\x8B\x08\x00\x00\x00\x00\x00\x00\x03\x33\xD2\x33", 13), gzip},
    };
    const Charset charsets[] = {Charset::bytes, Charset::usAscii, Charset::iso88591,
                                Charset::windows1252, Charset::utf8};
    for (const auto& file : files) {
        for (const Charset charset : charsets) {
            SCOPED_TRACE(std::string(file.name) + " as charset " +
                         std::to_string(static_cast<int>(charset)));
            const PlayerOutcome outcome = WithBody(DecodeBody(file.bytes, charset));
            EXPECT_FALSE(outcome.installs);
            ASSERT_TRUE(outcome.body.has_value());
            EXPECT_EQ(WhyTheCrcDiffers(*outcome.body, kLauncherCrc), file.reason);
        }
    }
    // Declared as UTF-16, the same file is text the program takes.
    EXPECT_TRUE(WithBody(DecodeBody(Utf16(body, false), Charset::utf16le)).installs);
    // A body that only starts like one is not called one.
    EXPECT_EQ(WhyTheCrcDiffers(L"\u00FF|12345", kLauncherCrc),
              "CRC differs: published 12345, file 3421780262");
}

} // namespace
} // namespace veyra::studio
