// The HTTP client against a scripted server over real sockets on 127.0.0.1: natively through the
// POSIX shim, under Wine through Winsock.
#include "update/HttpClient.h"
#include "tests/native/ScriptedHttpServer.h"
#include "tests/native/TestSockets.h"
#include "update/HttpError.h"
#include "update/HttpRequest.h"
#include "update/Socket.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <variant>

namespace veyra {
namespace {

using namespace std::chrono_literals;
using test::CloseConnection;
using test::ListenOnLoopback;
using test::Pause;
using test::Repeat;
using test::ScriptedHttpServer;
using test::Send;
using test::SendUrgent;
using test::ServerStep;

constexpr wchar_t kStamp[] = L"20240102030405";

// What the server must see for kStamp with the host written as 127.0.0.1: these bytes, once.
constexpr char kExpectedRequest[] =
    "GET /update/qel_2.0.0.1/inc/veyralauncher.ini?v=20240102030405 HTTP/1.1\r\n"
    "Cache-control: no-cache\r\n"
    "Host: 127.0.0.1\r\n"
    "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
    "Accept-Encoding: identity\r\n"
    "User-Agent: Mozilla/5.0 (Windows NT 6.1; WOW64; rv:12.0) Gecko/20100101 Firefox/12.0\r\n"
    "\r\n";

// Short enough that a wrong wait shows as a failure quickly, long enough for a slow machine.
FetchLimits TableLimits() {
    FetchLimits limits;
    limits.connect = 5s;
    limits.idle = 3s;
    limits.total = 10s;
    limits.redirectBodyWait = 300ms;
    return limits;
}

// The bounded-wait cases: the product's bounds made short.
FetchLimits ShortWaits() {
    FetchLimits limits = TableLimits();
    limits.idle = 600ms;
    limits.total = 1500ms;
    return limits;
}

struct Failure {
    HttpErrorKind kind;
    int status = 0;
    HttpErrorCause cause = HttpErrorCause::unspecified;
};
using Expected = std::variant<std::u16string, Failure>;

struct Result {
    std::optional<std::wstring> text;
    std::optional<HttpError> error;
    std::chrono::milliseconds elapsed{};
};

Result Fetch(const std::string& host, std::uint16_t port, const FetchLimits& limits) {
    Result result;
    const auto start = Clock::now();
    try {
        result.text = HttpGet(host, port, VersionFileTarget(kStamp), limits);
    } catch (const HttpError& error) {
        result.error = error;
    }
    result.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    return result;
}

std::string Repeated(char c, std::size_t count) {
    return std::string(count, c);
}

// A status line with exactly `size` bytes before its line feed, the CR included.
std::string StatusLineOfSize(std::size_t size) {
    std::string line = "HTTP/1.1 200 OK ";
    line += Repeated('x', size - line.size() - 1);
    return line + "\r\n";
}

struct Case {
    const char* name;
    std::vector<ServerStep> script;
    Expected expected;
    FetchLimits limits = TableLimits();
};

std::vector<Case> Cases() {
    const std::string ok = "HTTP/1.1 200 OK\r\n";
    return {
        {"two chunks joined, extension and trailer ignored",
         {Send(ok + "Transfer-Encoding: chunked\r\n\r\n7;name=value\r\nHello, \r\n"), Pause(50ms),
          Send("5\r\nworld\r\n0\r\nX-Trailer: t\r\n\r\n")},
         u"Hello, world"},
        {"no length, not chunked: everything up to the close",
         {Send(ok + "\r\nfirst part, "), Pause(100ms), Send("second part"), CloseConnection()},
         u"first part, second part"},
        {"20 bytes announced, 10 sent, then the close",
         {Send(ok + "Content-Length: 20\r\n\r\n0123456789"), CloseConnection()},
         u"0123456789"},
        {"Content-Length 0 on a connection left open",
         {Send(ok + "Content-Length: 0\r\n\r\n")},
         u""},
        {"204 without a body on a connection left open",
         {Send("HTTP/1.1 204 No Content\r\n\r\n")},
         u""},
        {"two 100 responses before the 200",
         {Send("HTTP/1.1 100 Continue\r\n\r\n"), Pause(50ms),
          Send("HTTP/1.1 100 Continue\r\nX-Note: again\r\n\r\n" + ok +
               "Content-Length: 7\r\n\r\nthe 200")},
         u"the 200"},
        {"302 with Location: no redirect followed",
         {Send("HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1/elsewhere\r\nContent-Length: "
               "0\r\n\r\n")},
         Failure{HttpErrorKind::status, 302}},
        {"302 whose body arrives is read, then fails",
         {Send("HTTP/1.1 302 Found\r\nLocation: /x\r\n\r\n"), Pause(50ms), Send("moved"),
          CloseConnection()},
         Failure{HttpErrorKind::status, 302}},
        {"302 without body data on an open connection: no body read",
         {Send("HTTP/1.1 302 Found\r\nLocation: /x\r\n\r\n")},
         Failure{HttpErrorKind::status, 302}},
        {"304 reads no body",
         {Send("HTTP/1.1 304 Not Modified\r\n\r\n")},
         Failure{HttpErrorKind::status, 304}},
        {"401 with a challenge: no credentials, no retry",
         {Send("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"updates\"\r\n"
               "Content-Length: 6\r\n\r\ndenied")},
         Failure{HttpErrorKind::status, 401}},
        {"407 from a proxy-like server",
         {Send("HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic\r\n\r\nno"),
          CloseConnection()},
         Failure{HttpErrorKind::status, 407}},
        {"401.2 reads as 401",
         {Send("HTTP/1.1 401.2 Unauthorized\r\nContent-Length: 0\r\n\r\n")},
         Failure{HttpErrorKind::status, 401}},
        {"a status field that is not a number",
         {Send("HTTP/1.1 OK\r\nContent-Length: 2\r\n\r\nok")},
         Failure{HttpErrorKind::status, -1}},
        {"101 reads no body",
         {Send("HTTP/1.1 101 Switching Protocols\r\n\r\n")},
         Failure{HttpErrorKind::status, 101}},
        {"500 reads its body to the close",
         {Send("HTTP/1.1 500 Internal Server Error\r\n\r\noops"), CloseConnection()},
         Failure{HttpErrorKind::status, 500}},
        {"0xE9 in a text type without charset",
         {Send(ok + "Content-Type: text/plain\r\nContent-Length: 4\r\n\r\ncaf\xE9")},
         u"caf\u00E9"},
        {"UTF-8 charset with a byte-order mark",
         {Send(ok + "Content-Type: text/plain; charset=\"utf-8\"\r\nContent-Length: 8\r\n\r\n"
                    "\xEF\xBB\xBF"
                    "caf\xC3\xA9")},
         u"\uFEFFcaf\u00E9"},
        {"a close with nothing sent",
         {CloseConnection()},
         Failure{HttpErrorKind::connectionClosed}},
        {"a close inside the status line",
         {Send("HTTP/1.1 200"), CloseConnection()},
         Failure{HttpErrorKind::connectionClosed}},
        {"a close inside a chunked body",
         {Send(ok + "Transfer-Encoding: chunked\r\n\r\n10\r\nonly part"), CloseConnection()},
         Failure{HttpErrorKind::connectionClosed}},
        {"a close inside the header block keeps the lines so far",
         {Send(ok + "Content-Type: text/plain; charset=utf-8\r\nX-Cut: ha"), CloseConnection()},
         u""},
        {"a status line of 16384 bytes before its line feed",
         {Send(StatusLineOfSize(16384) + "Content-Length: 2\r\n\r\nok")},
         u"ok"},
        {"a status line of 16385 bytes",
         {Send(StatusLineOfSize(16385) + "\r\n")},
         Failure{HttpErrorKind::lineTooLong}},
        {"a header line of 16385 bytes",
         {Send(ok + "X-Long: " + Repeated('h', 16385 - 8) + "\n\r\n")},
         Failure{HttpErrorKind::lineTooLong}},
        {"a body over 1 MiB",
         {Send(ok + "\r\n" + Repeated('b', 1024 * 1024 + 1))},
         Failure{HttpErrorKind::tooLarge}},
        {"a server that accepts and never answers",
         {},
         Failure{HttpErrorKind::timeout, 0, HttpErrorCause::idleWait},
         ShortWaits()},
        {"a byte every 200 ms forever",
         {Repeat("H", 200ms)},
         Failure{HttpErrorKind::timeout, 0, HttpErrorCause::totalWait},
         ShortWaits()},
        {"an endless chunked body",
         {Send(ok + "Transfer-Encoding: chunked\r\n\r\n"),
          Repeat("1000\r\n" + Repeated('c', 0x1000) + "\r\n", 0ms)},
         Failure{HttpErrorKind::tooLarge},
         ShortWaits()},
        // On Windows the urgent byte keeps the socket's exceptional condition set while a plain
        // receive never takes it: the reads must still end at their bound.
        {"a head, one urgent byte, then silence",
         {Send(ok + "Content-Length: 10\r\n\r\nabc"), SendUrgent('!'), Pause(20s)},
         Failure{HttpErrorKind::timeout, 0, HttpErrorCause::idleWait},
         ShortWaits()},
        {"an endless slow chunked body",
         {Send(ok + "Transfer-Encoding: chunked\r\n\r\n"), Repeat("1\r\nc\r\n", 100ms)},
         Failure{HttpErrorKind::timeout, 0, HttpErrorCause::totalWait},
         ShortWaits()},
    };
}

TEST(HttpClientTest, ScriptedServerTable) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        ScriptedHttpServer server(c.script);
        const Result result = Fetch("127.0.0.1", server.Port(), c.limits);
        server.Stop();

        // Whatever the response, exactly one request, byte for byte, on one connection.
        EXPECT_EQ(server.Received(), kExpectedRequest);
        EXPECT_EQ(server.Connections(), 1);

        if (const auto* text = std::get_if<std::u16string>(&c.expected)) {
            ASSERT_TRUE(result.text.has_value()) << result.error->what();
            EXPECT_EQ(std::u16string(result.text->begin(), result.text->end()), *text);
        } else {
            const auto& failure = std::get<Failure>(c.expected);
            ASSERT_TRUE(result.error.has_value()) << "no failure";
            EXPECT_EQ(HttpErrorKindName(result.error->Kind()),
                      std::string(HttpErrorKindName(failure.kind)));
            EXPECT_EQ(result.error->StatusCode(), failure.status);
            EXPECT_EQ(result.error->Cause(), failure.cause);
        }
        // Every end is bounded, the slow ones by the exchange's total.
        EXPECT_LT(result.elapsed, c.limits.total + 3s);
    }
}

TEST(HttpClientTest, RequestBytesForAStampWithANamedHost) {
    ScriptedHttpServer server({Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok")});
    std::string connectedTo;
    const std::wstring text =
        HttpGet("localhost", server.Port(), VersionFileTarget(L"19991231235959"), TableLimits(),
                &connectedTo);
    server.Stop();
    EXPECT_EQ(text, L"ok");
    EXPECT_EQ(connectedTo, "127.0.0.1"); // the peer the connection reached
    EXPECT_EQ(server.Received(),
              "GET /update/qel_2.0.0.1/inc/veyralauncher.ini?v=19991231235959 HTTP/1.1\r\n"
              "Cache-control: no-cache\r\n"
              "Host: localhost\r\n"
              "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
              "Accept-Encoding: identity\r\n"
              "User-Agent: Mozilla/5.0 (Windows NT 6.1; WOW64; rv:12.0) Gecko/20100101 "
              "Firefox/12.0\r\n"
              "\r\n");
}

TEST(HttpClientTest, NothingListeningIsASocketError) {
    std::uint16_t port = 0;
    {
        // A port that was just free: nothing listens there once the listener is gone.
        const auto listener = ListenOnLoopback();
        port = listener->Port();
    }
    const Result result = Fetch("127.0.0.1", port, TableLimits());
    ASSERT_TRUE(result.error.has_value());
    EXPECT_EQ(result.error->Kind(), HttpErrorKind::socketError);
    EXPECT_EQ(result.error->Cause(), HttpErrorCause::unspecified);
}

TEST(HttpClientTest, AConnectThatDoesNotCompleteEndsAtTheConnectBound) {
    // A listener that never accepts: once its queue is full, the system ignores further
    // connection requests, so a connect neither completes nor fails.
    const auto listener = ListenOnLoopback();
    std::vector<std::unique_ptr<ByteStream>> queued;
    bool full = false;
    for (int attempt = 0; attempt < 256 && !full; ++attempt) {
        try {
            queued.push_back(ConnectTcp("127.0.0.1", listener->Port(), Clock::now() + 300ms));
        } catch (const HttpError& error) {
            ASSERT_EQ(error.Kind(), HttpErrorKind::timeout) << error.what();
            full = true;
        }
    }
    ASSERT_TRUE(full) << "the listener's queue never filled";

    FetchLimits limits = TableLimits();
    limits.connect = 500ms; // the whole exchange could take 10 s
    const Result result = Fetch("127.0.0.1", listener->Port(), limits);
    ASSERT_TRUE(result.error.has_value());
    EXPECT_EQ(result.error->Kind(), HttpErrorKind::timeout);
    EXPECT_EQ(result.error->Cause(), HttpErrorCause::connectWait);
    EXPECT_LT(result.elapsed, 5s);
}

TEST(HttpClientTest, AHostThatDoesNotResolveIsASocketError) {
    // The reserved .invalid domain never resolves.
    const Result result = Fetch("update.veyra.invalid", 80, TableLimits());
    ASSERT_TRUE(result.error.has_value());
    EXPECT_EQ(result.error->Kind(), HttpErrorKind::socketError);
    EXPECT_EQ(result.error->Cause(), HttpErrorCause::nameNotResolved);
}

} // namespace
} // namespace veyra
