#include "update/HttpError.h"

namespace veyra {

const char* HttpErrorKindName(HttpErrorKind kind) {
    switch (kind) {
    case HttpErrorKind::socketError:
        return "socket error";
    case HttpErrorKind::connectionClosed:
        return "connection closed";
    case HttpErrorKind::lineTooLong:
        return "line too long";
    case HttpErrorKind::status:
        return "status";
    case HttpErrorKind::timeout:
        return "timeout";
    case HttpErrorKind::tooLarge:
        return "too large";
    case HttpErrorKind::malformedChunk:
        return "malformed chunk";
    }
    return "unknown";
}

namespace {
std::string Describe(HttpErrorKind kind, int statusCode, unsigned long systemCode,
                     HttpErrorCause cause) {
    std::string text = std::string("HTTP fetch failed: ") + HttpErrorKindName(kind);
    if (kind == HttpErrorKind::status)
        text += " " + std::to_string(statusCode);
    if (cause == HttpErrorCause::nameNotResolved)
        text += ", the host name does not resolve";
    else if (cause == HttpErrorCause::noResolverAnswer)
        text += ", no name server answered";
    if (systemCode != 0)
        text += " (system error " + std::to_string(systemCode) + ")";
    return text;
}
} // namespace

HttpError::HttpError(HttpErrorKind kind, int statusCode, unsigned long systemCode,
                     HttpErrorCause cause)
    : std::runtime_error(Describe(kind, statusCode, systemCode, cause)), kind_(kind),
      statusCode_(statusCode), systemCode_(systemCode), cause_(cause) {}

} // namespace veyra
