#pragma once
// The one resolution step of both socket shims. Each includes this after its platform's socket
// headers (POSIX <netdb.h> and <arpa/inet.h>, or Winsock's <ws2tcpip.h>), which declare the same
// resolver functions; only the system code of a failure differs between them.
#include "update/HttpError.h"

#include <memory>
#include <string>

namespace veyra {

// The cause behind getaddrinfo's failure `result` (Winsock's ws2tcpip.h gives EAI_AGAIN the value
// WSATRY_AGAIN): a resolver that got no answer is not a name that does not exist.
inline HttpErrorCause ResolverFailureCause(int result) {
    return result == EAI_AGAIN ? HttpErrorCause::noResolverAnswer : HttpErrorCause::nameNotResolved;
}

// A dotted IPv4 address is used as it is; any other name goes to the resolver for IPv4 stream
// addresses only, and the first address is taken. Throws HttpError (socket error, cause
// ResolverFailureCause(result)) whose system code is `systemCodeOf(result)` for getaddrinfo's
// result.
template <typename SystemCodeOf>
in_addr ResolveIpv4(const std::string& host, SystemCodeOf systemCodeOf) {
    in_addr address{};
    if (::inet_pton(AF_INET, host.c_str(), &address) == 1)
        return address;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int result = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    const std::unique_ptr<addrinfo, void (*)(addrinfo*)> owner(found, [](addrinfo* list) {
        if (list != nullptr)
            ::freeaddrinfo(list);
    });
    if (result != 0 || found == nullptr)
        throw HttpError(
            HttpErrorKind::socketError, 0, static_cast<unsigned long>(systemCodeOf(result)),
            result != 0 ? ResolverFailureCause(result) : HttpErrorCause::nameNotResolved);
    return reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
}

} // namespace veyra
