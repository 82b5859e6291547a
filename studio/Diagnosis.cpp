#include "studio/Diagnosis.h"

#include "studio/Text.h"
#include "support/HexDigits.h"
#include "support/uCRC32.h"
#include "update/VersionFile.h"
#include "update/uM.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <system_error>

namespace veyra::studio {
namespace {

std::string Seconds(std::chrono::milliseconds wait) {
    const auto tenths = wait.count() / 100;
    std::string text = std::to_string(tenths / 10);
    if (tenths % 10 != 0)
        text += "." + std::to_string(tenths % 10);
    return text + " s";
}

std::string WhyTheStatusFails(int code) {
    const std::string answered = "the server answered " + std::to_string(code);
    if (code == -1)
        return "the server's status line holds no status code";
    if (code == 304)
        return answered + " (not modified), though the program never asks for it: it takes a 2xx "
                          "answer with a body (any 2xx but 204, which carries none)";
    if (code >= 300 && code <= 399)
        return answered + ": the program does not follow redirects";
    if (code == 401 || code == 407)
        return answered + ": the program sends no credentials";
    if (code == 404)
        return answered + ": there is no version file at that path";
    return answered + ": only a 2xx answer counts";
}

std::string WhyItTimedOut(HttpErrorCause cause, const FetchLimits& limits) {
    switch (cause) {
    case HttpErrorCause::connectWait:
        return "no answer to the connect within " + Seconds(limits.connect);
    case HttpErrorCause::idleWait:
        return "the server sent nothing for " + Seconds(limits.idle);
    case HttpErrorCause::totalWait:
        return "the answer was not complete within " + Seconds(limits.total);
    default:
        return "a bounded wait of the fetch expired";
    }
}

bool IsDecimal(std::wstring_view text) {
    return !text.empty() && text.size() <= 19 &&
           std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

std::uint64_t DecimalValue(std::wstring_view digits) {
    std::uint64_t value = 0;
    for (const wchar_t c : digits)
        value = value * 10 + static_cast<std::uint64_t>(c - L'0');
    return value;
}

std::optional<std::uint64_t> HexValue(std::wstring_view text) {
    if (text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X'))
        text.remove_prefix(2);
    if (text.empty() || text.size() > 8)
        return std::nullopt;
    std::uint64_t value = 0;
    for (const wchar_t c : text) {
        const int digit = hex::DigitValue(c);
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return value;
}

// The first two bytes of the body as each charset the client knows turns them into text: without
// a charset, ISO-8859-1 and windows-1252 each byte is its own character (0x8B is U+2039 in
// windows-1252); UTF-8 and us-ascii make a byte they cannot take U+FFFD.
bool StartsWithBytes(std::wstring_view text, unsigned char first, unsigned char second) {
    const auto matches = [](wchar_t c, unsigned char byte) {
        return c == static_cast<wchar_t>(byte) || (byte >= 0x80 && c == L'\uFFFD') ||
               (byte == 0x8B && c == L'\u2039');
    };
    return text.size() >= 2 && matches(text[0], first) && matches(text[1], second);
}

// Windows PowerShell's ">" and Out-File write UTF-16 with a byte-order mark; a server that
// declares no UTF-16 charset hands the program its bytes one by one.
bool IsUndeclaredUtf16(std::wstring_view body) {
    return StartsWithBytes(body, 0xFF, 0xFE) || StartsWithBytes(body, 0xFE, 0xFF);
}

bool IsGzip(std::wstring_view body) {
    return StartsWithBytes(body, 0x1F, 0x8B);
}

bool StartsWithByteOrderMark(std::wstring_view text) {
    // As the program decodes it: one character with a charset, three without.
    return text.starts_with(L"\uFEFF") || text.starts_with(L"\u00EF\u00BB\u00BF");
}

// The body's text before its first "|", trimmed as the program trims the CRC.
std::wstring LabelOf(std::wstring_view body) {
    const auto bar = body.find(L'|');
    return ExpectedCrcFromBody(body.substr(0, bar == std::wstring_view::npos ? 0 : bar));
}

// The usual slips for a published text that is not exactly the file's CRC, or nothing.
std::optional<std::string> NamedSlip(std::wstring_view published, std::uint32_t crc) {
    const std::string quoted = Quoted(published);
    const std::string decimal = ToUtf8(CrcToDecimal(crc));
    if (published.find(L'|') != std::wstring_view::npos)
        return "the body has more than one \"|\": the program takes everything after the first, " +
               quoted;
    if (IsDecimal(published) && published.size() > 1 && published[0] == L'0')
        return "the published CRC " + ToUtf8(published) +
               " has a leading zero: the program compares text, write " + decimal;
    if (published.size() > 1 && published[0] == L'+' && IsDecimal(published.substr(1)))
        return "the published CRC " + ToUtf8(published) + " has a plus sign: write " + decimal;
    if (published.size() > 1 && published[0] == L'-' && IsDecimal(published.substr(1)) &&
        (std::uint64_t{1} << 32) - DecimalValue(published.substr(1)) == crc)
        return "the published CRC " + ToUtf8(published) +
               " is signed: the program expects it unsigned, " + decimal;
    if (!IsDecimal(published) && HexValue(published) == crc)
        return "the published CRC " + ToUtf8(published) +
               " is hexadecimal: the program expects decimal, " + decimal;
    if (StartsWithByteOrderMark(published))
        return "the body starts with a byte-order mark and has no \"|\": the mark becomes part of "
               "the CRC text";
    return std::nullopt;
}

} // namespace

std::string WhyTheFetchFailed(const HttpError& error, std::string_view host,
                              const FetchLimits& limits) {
    const auto code = static_cast<int>(error.SystemCode());
    const std::string system = code != 0 ? " (system error " + std::to_string(code) + ": " +
                                               std::system_category().message(code) + ")"
                                         : "";
    switch (error.Kind()) {
    case HttpErrorKind::status:
        return WhyTheStatusFails(error.StatusCode());
    case HttpErrorKind::socketError:
        if (error.Cause() == HttpErrorCause::nameNotResolved)
            return "the host name " + std::string(host) + " does not resolve to an IPv4 address" +
                   system;
        if (error.Cause() == HttpErrorCause::noResolverAnswer)
            return "the host name " + std::string(host) +
                   " could not be resolved: no name server answered (this machine's DNS "
                   "settings or network; whether the name exists is not known)" +
                   system;
        return "the connection to " + std::string(host) + " port " + std::to_string(kUpdatePort) +
               " failed" + system;
    case HttpErrorKind::timeout:
        return WhyItTimedOut(error.Cause(), limits);
    case HttpErrorKind::connectionClosed:
        return "the server closed the connection before its answer was complete";
    case HttpErrorKind::lineTooLong:
        return "a status, header or chunk line of the answer is longer than " +
               std::to_string(limits.maxLine) + " bytes";
    case HttpErrorKind::tooLarge:
        return "the answer is larger than the program takes: a body over " +
               std::to_string(limits.maxBody) + " bytes or more than " +
               std::to_string(limits.maxHeadLines) + " head lines";
    case HttpErrorKind::malformedChunk:
        return "the answer's chunked body is malformed";
    }
    return error.what();
}

std::string WhyTheCrcDiffers(std::wstring_view body, std::uint32_t launcherCrc) {
    const std::wstring published = ExpectedCrcFromBody(body);
    const std::wstring decimal = CrcToDecimal(launcherCrc);
    const bool hasBar = body.find(L'|') != std::wstring_view::npos;
    if (IsUndeclaredUtf16(body))
        return "the version file is UTF-16 (it starts with the byte-order mark FF FE or FE FF, as "
               "Windows PowerShell's \">\" writes it): write it with the tool's --out, or as "
               "ASCII";
    if (IsGzip(body))
        return "the version file is gzip-compressed (it starts with 1F 8B): the program does not "
               "decompress; serve the file itself, uncompressed";
    if (hasBar && LabelOf(body) == decimal)
        return "the CRC stands before the \"|\": the program reads only what follows the first "
               "\"|\", " +
               Quoted(published);
    if (published.empty())
        return hasBar ? "nothing follows the \"|\"" : "the version file is empty";
    if (const auto slip = NamedSlip(published, launcherCrc))
        return *slip;
    if (IsDecimal(published))
        return "CRC differs: published " + ToUtf8(published) + ", file " + ToUtf8(decimal);
    return std::string(hasBar ? "the text after the \"|\"" : "the body") +
           " is not an unsigned decimal number: " + Quoted(published);
}

} // namespace veyra::studio
