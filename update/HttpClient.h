#pragma once
// One HTTP/1.1 GET on a new connection: the request, the response head, the outcome by status
// code, the body and its decoding. No redirect, authentication, proxy, compression, cookie or
// TLS. FetchVersionFile (VersionFile.h) is the product's use of it.
#include "update/ByteStream.h"
#include "update/FetchLimits.h"
#include "update/ResponseHead.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace veyra {

// Whether the client closes the connection at the end of the exchange: when the peer has closed
// already, or "Connection" or "Proxy-Connection" is "close" (letter case ignored). Otherwise the
// connection is left open (and released with the stream).
bool ClientClosesConnection(const HeaderBlock& headers, bool peerClosed);

// The exchange on a connected stream: writes `requestHead` in one write, reads the response head
// (skipping 100 responses), reads the body when the status code calls for it, and returns the
// decoded body of a 2xx response. Throws HttpError for every failure (see HttpErrorKind); a
// status failure comes after its body, if any, has been read. Never sends a second request.
// `start` is when the fetch began: nothing waits past start + limits.total.
std::wstring Exchange(ByteStream& stream, std::string_view requestHead, const FetchLimits& limits,
                      Clock::time_point start);

// Connects to `host` at `port` (see ConnectTcp) and performs the exchange for a GET of `target`
// with the client's fixed headers, "Host" being `host` as written. Given `connectedTo`, it
// receives the address the connection reached, once it is made.
std::wstring HttpGet(std::string_view host, std::uint16_t port, std::string_view target,
                     const FetchLimits& limits = {}, std::string* connectedTo = nullptr);

} // namespace veyra
