// Reading responses from an in-memory stream: status codes, lines, header blocks, the outcome by
// status code, body framing, bounds and the closing rule.
#include "tests/native/FakeByteStream.h"
#include "update/BodyFraming.h"
#include "update/HttpClient.h"
#include "update/HttpError.h"
#include "update/ResponseHead.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace veyra {
namespace {

using test::FakeByteStream;
using End = FakeByteStream::End;

constexpr char kRequest[] = "GET / HTTP/1.1\r\n\r\n";

struct Outcome {
    std::optional<std::wstring> text;
    std::optional<HttpErrorKind> kind;
    int status = 0;
};

Outcome Respond(FakeByteStream& stream, const FetchLimits& limits = {}) {
    Outcome outcome;
    try {
        outcome.text = Exchange(stream, kRequest, limits, Clock::now());
    } catch (const HttpError& error) {
        outcome.kind = error.Kind();
        outcome.status = error.StatusCode();
    }
    return outcome;
}

Outcome Respond(const std::string& response, End end = End::close, const FetchLimits& limits = {}) {
    FakeByteStream stream(response, end);
    return Respond(stream, limits);
}

std::string Describe(const Outcome& outcome) {
    if (outcome.text)
        return "text of " + std::to_string(outcome.text->size()) + " characters";
    return std::string("failure: ") + HttpErrorKindName(*outcome.kind) + " " +
           std::to_string(outcome.status);
}

TEST(SingleThreadStatusCodeTest, SecondFieldCutAtADotTrimmedAndReadAsAnInteger) {
    struct Case {
        const char* line;
        int code;
    };
    const Case cases[] = {
        {"HTTP/1.1 200 OK", 200},
        {"HTTP/1.1 401.2 Unauthorized", 401},
        {"HTTP/1.1 OK", -1},
        {"HTTP/1.1", -1},
        {"", -1},
        {"HTTP/1.0 404", 404},
        {"HTTP/1.1  200 OK", -1}, // the field after the first space is empty
        {"ICY 200 OK", 200},
        {"HTTP/1.1 2OO OK", -1},
        {"HTTP/1.1 .5 x", -1},
        {"HTTP/1.1 0204 No Content", 204},
        {"HTTP/1.1 99999999999 Big", -1},
        {"HTTP/1.1 -7 Negative", -7},
        {"HTTP/1.1 \t302\t Found", 302}, // trimmed, though a tab does not separate fields
        {"HTTP/1.1 302\tFound", -1},
        {"HTTP/1.1 302.\tx y", 302},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseStatusCode(c.line), c.code) << '"' << c.line << '"';
}

TEST(SingleThreadResponseInputTest, LinesEndAtALineFeedWithOneCarriageReturnDropped) {
    FetchLimits limits;
    limits.maxLine = 8;
    for (const std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{1000}}) {
        FakeByteStream stream("a\r\nb\nc\r\r\n\r\n12345678\n123456789\n", End::close, piece);
        ResponseInput input(stream, limits, Clock::now());
        EXPECT_EQ(input.ReadLine(), "a");
        EXPECT_EQ(input.ReadLine(), "b");
        EXPECT_EQ(input.ReadLine(), "c\r");
        EXPECT_EQ(input.ReadLine(), "");
        EXPECT_EQ(input.ReadLine(), "12345678"); // exactly the bound
        try {
            input.ReadLine();
            ADD_FAILURE() << "a line of 9 bytes passed a bound of 8, pieces of " << piece;
        } catch (const HttpError& error) {
            EXPECT_EQ(error.Kind(), HttpErrorKind::lineTooLong);
        }
    }
}

TEST(SingleThreadResponseInputTest, AnUnfinishedLineAtTheCloseIsDropped) {
    FakeByteStream stream("done\npartial");
    ResponseInput input(stream, {}, Clock::now());
    EXPECT_EQ(input.ReadLine(), "done");
    EXPECT_EQ(input.ReadLine(), std::nullopt);
    EXPECT_TRUE(input.PeerClosed());
}

TEST(SingleThreadResponseInputTest, AnEndlessLineFailsWithoutBeingReadToTheEnd) {
    FakeByteStream stream(std::string(10 * 1024 * 1024, 'x'), End::silence, 4096);
    ResponseInput input(stream, {}, Clock::now());
    EXPECT_THROW(input.ReadLine(), HttpError);
    EXPECT_LE(stream.Consumed(), 16384u + 4096u);
}

TEST(SingleThreadHeaderBlockTest, NamesIgnoreCaseAndTheFirstLineWins) {
    HeaderBlock headers;
    for (const char* line :
         {"Content-Type: text/plain", "content-type: text/html", "  Folded: continuation",
          "no colon here", ": no name", "X-Spaced  :  value  ", "Empty:"})
        headers.AddLine(line);
    EXPECT_EQ(headers.Find("CONTENT-TYPE"), "text/plain");
    EXPECT_EQ(headers.Find("x-spaced"), "value");
    EXPECT_EQ(headers.Find("Empty"), "");
    EXPECT_EQ(headers.Find("Folded"), std::nullopt);
    EXPECT_EQ(headers.Find("no colon here"), std::nullopt);
    EXPECT_EQ(headers.Size(), 4u);
}

TEST(SingleThreadResponseHeadTest, HundredResponsesAreSkippedAndOnlyThe100Code) {
    const auto read = [](const std::string& response) {
        FakeByteStream stream(response);
        ResponseInput input(stream, {}, Clock::now());
        return ReadResponseHead(input, {});
    };
    const ResponseHead head = read("HTTP/1.1 100 Continue\r\nA: 1\r\n\r\n"
                                   "HTTP/1.1 100.5 Continue\r\n\r\n"
                                   "HTTP/1.1 200 OK\r\nB: 2\r\n\r\n");
    EXPECT_EQ(head.statusCode, 200);
    EXPECT_EQ(head.headers.Find("A"), std::nullopt); // the interim block is thrown away
    EXPECT_EQ(head.headers.Find("B"), "2");
    EXPECT_EQ(read("HTTP/1.1 101 Switching\r\n\r\nHTTP/1.1 200 OK\r\n\r\n").statusCode, 101);
    // A close inside the header block: the lines so far are the block.
    EXPECT_EQ(read("HTTP/1.1 200 OK\r\nB: 2\r\nC: cut").headers.Find("B"), "2");
    // A close where the next status line should be fails, even after a 100 response.
    for (const char* response :
         {"", "HTTP/1.1 100 Continue\r\n\r\n", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 2"}) {
        try {
            read(response);
            ADD_FAILURE() << "no failure for \"" << response << '"';
        } catch (const HttpError& error) {
            EXPECT_EQ(error.Kind(), HttpErrorKind::connectionClosed) << response;
        }
    }
}

TEST(SingleThreadResponseHeadTest, AHeadOfMoreThanTheBoundOfLinesFails) {
    FetchLimits limits;
    limits.maxHeadLines = 100;
    std::string head = "HTTP/1.1 200 OK\r\n";
    for (int i = 0; i < 99; ++i)
        head += "X-Line: " + std::to_string(i) + "\r\n";
    EXPECT_EQ(Respond(head + "Content-Length: 0\r\n\r\n", End::close, limits).kind,
              HttpErrorKind::tooLarge);
    EXPECT_EQ(Respond(head + "\r\n", End::close, limits).text, L""); // 100 lines in all
    std::string interim;
    for (int i = 0; i < 101; ++i)
        interim += "HTTP/1.1 100 Continue\r\n\r\n";
    EXPECT_EQ(Respond(interim + "HTTP/1.1 200 OK\r\n\r\n", End::close, limits).kind,
              HttpErrorKind::tooLarge);
}

TEST(OutcomeTest, StatusCodeDecidesSuccessAndWhetherTheBodyIsRead) {
    struct Case {
        const char* statusLine;
        bool success;
        bool bodyRead;
    };
    const Case cases[] = {
        {"HTTP/1.1 200 OK", true, true},
        {"HTTP/1.1 203 Non-Authoritative", true, true},
        {"HTTP/1.1 299 Odd", true, true},
        {"HTTP/1.1 204 No Content", true, false},
        {"HTTP/1.1 304 Not Modified", false, false},
        {"HTTP/1.1 301 Moved", false, true}, // the body's bytes have arrived already
        {"HTTP/1.1 399 Odd", false, true},
        {"HTTP/1.1 401 Unauthorized", false, true},
        {"HTTP/1.1 407 Proxy Authentication Required", false, true},
        {"HTTP/1.1 101 Switching Protocols", false, false},
        {"HTTP/1.1 199 Odd", false, false},
        {"HTTP/1.1 404 Not Found", false, true},
        {"HTTP/1.1 503 Unavailable", false, true},
        {"HTTP/1.1 600 Beyond", false, true},
        {"HTTP/1.1 99 Below", false, true},
        {"HTTP/1.1 OK", false, true},
    };
    for (const auto& c : cases) {
        const std::string head = std::string(c.statusLine) + "\r\nContent-Length: 4\r\n\r\n";
        FakeByteStream stream(std::vector<std::string>{head, "BODY"}, End::silence);
        const Outcome outcome = Respond(stream);
        EXPECT_EQ(outcome.text.has_value(), c.success) << c.statusLine << ": " << Describe(outcome);
        if (c.success) {
            EXPECT_EQ(*outcome.text, c.bodyRead ? L"BODY" : L"") << c.statusLine;
        } else {
            EXPECT_EQ(outcome.kind, HttpErrorKind::status) << c.statusLine;
            EXPECT_EQ(outcome.status, ParseStatusCode(c.statusLine)) << c.statusLine;
        }
        EXPECT_EQ(stream.Consumed(), head.size() + (c.bodyRead ? 4 : 0)) << c.statusLine;
    }
}

TEST(OutcomeTest, ARedirectBodyIsWaitedForOnlyWithinTheBound) {
    FetchLimits limits;
    limits.redirectBodyWait = std::chrono::milliseconds(0);
    // A body read on the silent stream would end in a timeout instead of the status failure.
    FakeByteStream silent("HTTP/1.1 307 Temporary\r\nLocation: /x\r\n\r\n", End::silence);
    const Outcome outcome = Respond(silent, limits);
    EXPECT_EQ(outcome.kind, HttpErrorKind::status);
    EXPECT_EQ(outcome.status, 307);
    EXPECT_EQ(silent.silentReads, 1);
    // A Content-Length of 0 means no body: nothing to wait for.
    FakeByteStream empty("HTTP/1.1 307 Temporary\r\nContent-Length: 0\r\n\r\n", End::silence);
    EXPECT_EQ(Respond(empty, limits).status, 307);
    EXPECT_EQ(empty.silentReads, 0);
}

TEST(SingleThreadFramingTest, ChunkedThenLengthThenTheClose) {
    struct Case {
        std::vector<const char*> lines;
        Framing kind;
        std::uint64_t length;
    };
    const Case cases[] = {
        {{"Transfer-Encoding: gzip, CHUNKED", "Content-Length: 5"}, Framing::chunked, 0},
        {{"Content-Length:  12 "}, Framing::length, 12},
        {{"Content-Length: 0"}, Framing::length, 0},
        {{"Content-Length: 99999999999999999999999"}, Framing::length, UINT64_MAX},
        {{"Content-Length: -1"}, Framing::untilClose, 0},
        {{"Content-Length: 1e3"}, Framing::untilClose, 0},
        {{"Content-Length: +5"}, Framing::untilClose, 0},
        {{"Content-Length:"}, Framing::untilClose, 0},
        {{"Transfer-Encoding: identity", "Content-Length: 3", "Content-Length: 4"},
         Framing::length,
         3},
        {{}, Framing::untilClose, 0},
    };
    for (const auto& c : cases) {
        HeaderBlock headers;
        for (const char* line : c.lines)
            headers.AddLine(line);
        const BodyFraming framing = ChooseFraming(headers);
        EXPECT_EQ(framing.kind, c.kind) << (c.lines.empty() ? "(none)" : c.lines.front());
        EXPECT_EQ(framing.length, c.length) << (c.lines.empty() ? "(none)" : c.lines.front());
    }
}

TEST(SingleThreadFramingTest, ChunkedBodies) {
    struct Case {
        const char* name;
        std::string chunks;
        End end;
        std::optional<std::wstring> text;
        std::optional<HttpErrorKind> kind;
    };
    const Case cases[] = {
        {"upper-case size, extension, trailers",
         "A;x=\"y\"\r\n0123456789\r\n0\r\nT: 1\r\nU: 2\r\n\r\n", End::silence, L"0123456789",
         std::nullopt},
        {"bare line feeds", "3\nabc\n0\n\n", End::silence, L"abc", std::nullopt},
        {"a close after the last chunk", "3\r\nabc\r\n0\r\n", End::close, L"abc", std::nullopt},
        {"a close before any chunk", "", End::close, std::nullopt, HttpErrorKind::connectionClosed},
        {"a close between chunks", "3\r\nabc\r\n", End::close, std::nullopt,
         HttpErrorKind::connectionClosed},
        {"a close inside chunk data", "5\r\nabc", End::close, std::nullopt,
         HttpErrorKind::connectionClosed},
        {"a close before the data's line end", "3\r\nabc", End::close, std::nullopt,
         HttpErrorKind::connectionClosed},
        {"a size that is not hexadecimal", "zz\r\nabc\r\n0\r\n\r\n", End::close, std::nullopt,
         HttpErrorKind::malformedChunk},
        {"an empty size line", "\r\n", End::close, std::nullopt, HttpErrorKind::malformedChunk},
        {"more data than the size", "2\r\nabc\r\n0\r\n\r\n", End::close, std::nullopt,
         HttpErrorKind::malformedChunk},
        {"a size that does not fit 64 bits", "1FFFFFFFFFFFFFFFFFFFF\r\n", End::close, std::nullopt,
         HttpErrorKind::tooLarge},
        {"a size over the body bound", "100001\r\n", End::close, std::nullopt,
         HttpErrorKind::tooLarge},
    };
    for (const auto& c : cases) {
        const Outcome outcome =
            Respond("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + c.chunks, c.end);
        EXPECT_EQ(outcome.text, c.text) << c.name << ": " << Describe(outcome);
        EXPECT_EQ(outcome.kind, c.kind) << c.name << ": " << Describe(outcome);
    }
}

TEST(SingleThreadFramingTest, TheBodyBoundHoldsForEveryFraming) {
    FetchLimits limits;
    limits.maxBody = 10;
    const std::string ok = "HTTP/1.1 200 OK\r\n";
    const std::string ten(10, 'b');
    EXPECT_EQ(Respond(ok + "\r\n" + ten, End::close, limits).text, std::wstring(10, L'b'));
    EXPECT_EQ(Respond(ok + "\r\n" + ten + "b", End::close, limits).kind, HttpErrorKind::tooLarge);
    EXPECT_EQ(Respond(ok + "Content-Length: 10\r\n\r\n" + ten, End::silence, limits).text,
              std::wstring(10, L'b'));
    // An announced length over the bound fails before any of the body is read.
    FakeByteStream announced(ok + "Content-Length: 11\r\n\r\n", End::silence);
    EXPECT_EQ(Respond(announced, limits).kind, HttpErrorKind::tooLarge);
    const std::string chunked = ok + "Transfer-Encoding: chunked\r\n\r\n";
    EXPECT_EQ(Respond(chunked + "5\r\nbbbbb\r\n5\r\nbbbbb\r\n0\r\n\r\n", End::close, limits).text,
              std::wstring(10, L'b'));
    EXPECT_EQ(Respond(chunked + "5\r\nbbbbb\r\n6\r\nbbbbbb\r\n0\r\n\r\n", End::close, limits).kind,
              HttpErrorKind::tooLarge);
    std::string trailers = chunked + "0\r\n";
    for (int i = 0; i < 101; ++i)
        trailers += "T: x\r\n";
    EXPECT_EQ(Respond(trailers + "\r\n", End::close).kind, HttpErrorKind::tooLarge);
}

TEST(ExchangeTest, OneWriteOfTheRequestHeadWhateverComesBack) {
    for (const char* response :
         {"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok",
          "HTTP/1.1 302 Found\r\nLocation: /again\r\n\r\n",
          "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic\r\n\r\n", "garbage", ""}) {
        FakeByteStream stream(response);
        Respond(stream);
        ASSERT_EQ(stream.writes.size(), 1u) << response;
        EXPECT_EQ(stream.writes.front(), kRequest) << response;
    }
}

TEST(ExchangeTest, ClosesOnlyAfterConnectionCloseOrThePeersClose) {
    struct Case {
        std::string response;
        End end;
        bool closes;
        bool success;
    };
    const Case cases[] = {
        {"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", End::silence, false, true},
        {"HTTP/1.1 200 OK\r\nConnection: keep-alive\r\nContent-Length: 2\r\n\r\nok", End::silence,
         false, true},
        {"HTTP/1.1 200 OK\r\nConnection:  Close \r\nContent-Length: 2\r\n\r\nok", End::silence,
         true, true},
        {"HTTP/1.1 200 OK\r\nProxy-Connection: close\r\nContent-Length: 2\r\n\r\nok", End::silence,
         true, true},
        {"HTTP/1.1 200 OK\r\n\r\nok", End::close, true, true}, // the peer closed first
        {"HTTP/1.1 404 Not Found\r\nConnection: close\r\nContent-Length: 2\r\n\r\nno", End::silence,
         true, false},
        {"HTTP/1.1 404 Not Found\r\nContent-Length: 2\r\n\r\nno", End::silence, false, false},
    };
    for (const auto& c : cases) {
        FakeByteStream stream(c.response, c.end);
        const Outcome outcome = Respond(stream);
        EXPECT_EQ(outcome.text.has_value(), c.success) << c.response << ": " << Describe(outcome);
        EXPECT_EQ(stream.closes, c.closes ? 1 : 0) << c.response;
    }
}

} // namespace
} // namespace veyra
