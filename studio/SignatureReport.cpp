#include "studio/SignatureReport.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace veyra::studio {
namespace {

std::string KeyList(std::span<const PinnedKey> keys) {
    std::string list;
    for (const PinnedKey& key : keys)
        list += (list.empty() ? "" : ", ") + std::string(key.id);
    return list;
}

// SubjectPublicKeyInfo of a P-256 key up to its point: SEQUENCE { SEQUENCE { id-ecPublicKey,
// prime256v1 }, BIT STRING { no unused bits, ...
constexpr std::array<std::uint8_t, 26> kP256Prefix = {
    0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2a, 0x86, 0x48, 0xce, 0x3d, 0x02, 0x01,
    0x06, 0x08, 0x2a, 0x86, 0x48, 0xce, 0x3d, 0x03, 0x01, 0x07, 0x03, 0x42, 0x00};

std::optional<std::vector<std::uint8_t>> Base64(std::string_view text) {
    static constexpr std::string_view kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::vector<std::uint8_t> bytes;
    std::uint32_t bits = 0;
    int count = 0;
    for (const char c : text) {
        if (c == '=' || c == '\r' || c == '\n' || c == ' ' || c == '\t')
            continue;
        const std::size_t value = kAlphabet.find(c);
        if (value == std::string_view::npos)
            return std::nullopt;
        bits = (bits << 6) | static_cast<std::uint32_t>(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes.push_back(static_cast<std::uint8_t>(bits >> count));
        }
    }
    return bytes;
}

} // namespace

std::string WhyTheSignatureFails(std::wstring_view body, SignatureVerdict verdict,
                                 std::span<const PinnedKey> keys) {
    const ParsedLabel parsed = ParseSignedLabel(LabelTextFromBody(body));
    switch (verdict) {
    case SignatureVerdict::missing:
        return "the version file carries no signature: a program pinned to key " + KeyList(keys) +
               " installs only signed files (write it with --key)";
    case SignatureVerdict::malformed:
        return "the signature text before the \"|\" is malformed (it must read "
               "LABEL;veyrasig1;KEYID;SIGNATURE, printable ASCII without spaces)";
    case SignatureVerdict::unknownKey:
        return "signed by key " + parsed.parts.keyId + ", which is not among the pinned keys (" +
               KeyList(keys) + ")";
    case SignatureVerdict::wrongSignature:
        return "the signature by key " + parsed.parts.keyId +
               " does not cover this file and label \"" + parsed.parts.label +
               "\": it was made for another file, another length or another label";
    case SignatureVerdict::valid:
        break;
    }
    return "the signature is valid";
}

std::string SignatureSummary(std::wstring_view body) {
    const ParsedLabel parsed = ParseSignedLabel(LabelTextFromBody(body));
    switch (parsed.verdict) {
    case SignatureVerdict::missing:
        return {};
    case SignatureVerdict::valid:
        return "signed by key " + parsed.parts.keyId;
    default:
        return "with a malformed signature";
    }
}

std::optional<P256PublicKey> PublicKeyFromPem(std::string_view pem) {
    static constexpr std::string_view kBegin = "-----BEGIN PUBLIC KEY-----";
    static constexpr std::string_view kEnd = "-----END PUBLIC KEY-----";
    const std::size_t begin = pem.find(kBegin);
    const std::size_t end = pem.find(kEnd);
    if (begin == std::string_view::npos || end == std::string_view::npos || end < begin)
        return std::nullopt;
    const auto der = Base64(pem.substr(begin + kBegin.size(), end - begin - kBegin.size()));
    P256PublicKey point{};
    if (!der || der->size() != kP256Prefix.size() + point.size() ||
        !std::equal(kP256Prefix.begin(), kP256Prefix.end(), der->begin()) ||
        (*der)[kP256Prefix.size()] != 0x04)
        return std::nullopt;
    std::copy(der->begin() + kP256Prefix.size(), der->end(), point.begin());
    return point;
}

} // namespace veyra::studio
