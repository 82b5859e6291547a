// Whatever a server sends, the client must end with text or an HttpError: no crash, no read out
// of bounds, no second request. The first input byte chooses how the bytes arrive (piece size)
// and how the stream ends (close or silence); the rest is the response.
#include "tests/native/FakeByteStream.h"
#include "update/Charset.h"
#include "update/HttpClient.h"
#include "update/HttpError.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::uint8_t control = data[0];
    const std::string response(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t pieceSize = (control & 0x7F) == 0 ? response.size() + 1 : (control & 0x7F);
    const auto end = (control & 0x80) ? veyra::test::FakeByteStream::End::silence
                                      : veyra::test::FakeByteStream::End::close;
    veyra::test::FakeByteStream stream(response, end, pieceSize);

    veyra::FetchLimits limits;
    limits.maxBody = 64 * 1024; // smaller than the product's, so that bounds are reached often
    limits.redirectBodyWait = std::chrono::milliseconds(0);
    const std::string request = "GET / HTTP/1.1\r\n\r\n";
    try {
        const std::wstring text = veyra::Exchange(stream, request, limits, veyra::Clock::now());
        // Every decoder yields at most one code unit per byte, plus one for an odd UTF-16 tail.
        if (text.size() > response.size() + 1)
            __builtin_trap();
    } catch (const veyra::HttpError&) {
    }
    if (stream.writes.size() != 1 || stream.writes.front() != request)
        __builtin_trap();
    if (stream.Consumed() > response.size())
        __builtin_trap();

    for (const auto charset :
         {veyra::Charset::bytes, veyra::Charset::usAscii, veyra::Charset::windows1252,
          veyra::Charset::utf8, veyra::Charset::utf16le, veyra::Charset::utf16be}) {
        if (veyra::DecodePortable(response, charset).size() > response.size() + 1)
            __builtin_trap();
    }
    (void)veyra::CharsetName(response);
    return 0;
}
