#pragma once
// The failure that fetching the version file raises. The update check treats every kind alike;
// the kind and status code exist for tests and diagnostics.
#include <stdexcept>
#include <string>

namespace veyra {

enum class HttpErrorKind {
    // The host name does not resolve, or a connect, send or receive fails.
    socketError,
    // The server closed the connection before a status line was complete, or inside a chunked
    // body.
    connectionClosed,
    // A status, header, chunk-size or trailer line has more than FetchLimits::maxLine bytes
    // before its line feed.
    lineTooLong,
    // The final status code is not a success (not 2xx); StatusCode() tells which.
    status,
    // A bounded wait expired: the connect, a read that receives nothing for too long, or the
    // whole exchange (see FetchLimits).
    timeout,
    // The response outgrows what a version file can be: a body over the size bound (announced or
    // received), more lines in the response head than allowed, or a chunk size that does not fit.
    tooLarge,
    // A chunked body whose chunk-size line holds no hexadecimal size, or whose chunk data is not
    // followed by an empty line.
    malformedChunk,
};

// What lies behind a socket error or a timeout, where the client knows it. The program does not
// need it; the studio's check tool tells a server's owner which bound their server ran into.
enum class HttpErrorCause {
    unspecified,
    // Socket error: the resolver found no IPv4 address for the host name (no such name, or no
    // IPv4 address for it).
    nameNotResolved,
    // Socket error: no name server answered the resolver (its temporary failure: EAI_AGAIN,
    // WSATRY_AGAIN), so whether the name exists is not known.
    noResolverAnswer,
    // Timeout: the TCP connect did not complete within FetchLimits::connect.
    connectWait,
    // Timeout: a read received nothing for FetchLimits::idle.
    idleWait,
    // Timeout: the exchange outlasted FetchLimits::total.
    totalWait,
};

// A short English name of the kind ("socket error", "timeout", ...).
const char* HttpErrorKindName(HttpErrorKind kind);

class HttpError : public std::runtime_error {
public:
    explicit HttpError(HttpErrorKind kind, int statusCode = 0, unsigned long systemCode = 0,
                       HttpErrorCause cause = HttpErrorCause::unspecified);
    // A timeout behind which lies `cause`.
    static HttpError Timeout(HttpErrorCause cause) {
        return HttpError(HttpErrorKind::timeout, 0, 0, cause);
    }

    HttpErrorKind Kind() const { return kind_; }
    // The final status code for a status failure (-1 when it was not a number), else 0.
    int StatusCode() const { return statusCode_; }
    // The socket layer's error code for a socket error, when there is one; else 0.
    unsigned long SystemCode() const { return systemCode_; }
    HttpErrorCause Cause() const { return cause_; }

private:
    HttpErrorKind kind_;
    int statusCode_;
    unsigned long systemCode_;
    HttpErrorCause cause_;
};

} // namespace veyra
