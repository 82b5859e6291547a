#include "update/HttpClient.h"

#include "update/AsciiText.h"
#include "update/BodyFraming.h"
#include "update/Charset.h"
#include "update/HttpError.h"
#include "update/HttpRequest.h"
#include "update/ResponseInput.h"
#include "update/Socket.h"
#include "update/StatusOutcome.h"

#include <algorithm>

namespace veyra {

namespace {

bool SaysClose(std::optional<std::string_view> value) {
    return value && ascii::EqualsIgnoringCase(ascii::Trim(*value), "close");
}

bool ShouldReadBody(BodyRead rule, const BodyFraming& framing, ResponseInput& input,
                    const FetchLimits& limits) {
    if (rule == BodyRead::no)
        return false;
    // A Content-Length of 0 means there is no body to read, whatever the status.
    if (framing.kind == Framing::length && framing.length == 0)
        return false;
    if (rule == BodyRead::ifDataArrives)
        return input.DataWithin(limits.redirectBodyWait);
    return true;
}

} // namespace

bool ClientClosesConnection(const HeaderBlock& headers, bool peerClosed) {
    return peerClosed || SaysClose(headers.Find("Connection")) ||
           SaysClose(headers.Find("Proxy-Connection"));
}

std::wstring Exchange(ByteStream& stream, std::string_view requestHead, const FetchLimits& limits,
                      Clock::time_point start) {
    const auto* first = reinterpret_cast<const std::uint8_t*>(requestHead.data());
    stream.Write({first, requestHead.size()}, start + limits.total);

    ResponseInput input(stream, limits, start);
    const ResponseHead head = ReadResponseHead(input, limits);
    const StatusOutcome outcome = OutcomeForStatus(head.statusCode);
    const BodyFraming framing = ChooseFraming(head.headers);
    std::string body;
    if (ShouldReadBody(outcome.body, framing, input, limits))
        body = ReadBody(input, framing, limits);

    if (ClientClosesConnection(head.headers, input.PeerClosed()))
        stream.Close();
    if (!outcome.success)
        throw HttpError(HttpErrorKind::status, head.statusCode);

    const auto charset = CharsetName(head.headers.Find("Content-Type"));
    return DecodeBody(body, charset ? CharsetFromName(*charset) : Charset::bytes);
}

std::wstring HttpGet(std::string_view host, std::uint16_t port, std::string_view target,
                     const FetchLimits& limits, std::string* connectedTo) {
    const Clock::time_point start = Clock::now();
    const auto connectDeadline = start + std::min(limits.connect, limits.total);
    const auto stream = ConnectTcp(host, port, connectDeadline);
    if (connectedTo)
        *connectedTo = stream->PeerAddress();
    return Exchange(*stream, BuildRequestHead(host, target), limits, start);
}

} // namespace veyra
