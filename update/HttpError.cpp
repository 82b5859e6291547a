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
std::string Describe(HttpErrorKind kind, int statusCode, unsigned long systemCode) {
    std::string text = std::string("HTTP fetch failed: ") + HttpErrorKindName(kind);
    if (kind == HttpErrorKind::status)
        text += " " + std::to_string(statusCode);
    if (systemCode != 0)
        text += " (system error " + std::to_string(systemCode) + ")";
    return text;
}
} // namespace

HttpError::HttpError(HttpErrorKind kind, int statusCode, unsigned long systemCode,
                     HttpErrorCause cause)
    : std::runtime_error(Describe(kind, statusCode, systemCode)), kind_(kind),
      statusCode_(statusCode), systemCode_(systemCode), cause_(cause) {}

} // namespace veyra
