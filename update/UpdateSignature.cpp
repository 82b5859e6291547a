#include "update/UpdateSignature.h"

#include "support/HexDigits.h"
#include "update/AsciiText.h"

#include <algorithm>

namespace veyra {
namespace {

// Printable ASCII without spaces: what any server and any charset carry unchanged.
constexpr bool IsLabelCharacter(wchar_t c) {
    return c > L' ' && c < 0x7F;
}

constexpr char kBase64Url[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

int Base64UrlValue(char c) {
    const char* end = kBase64Url + 64;
    const char* at = std::find(kBase64Url, end, c);
    return at == end ? -1 : static_cast<int>(at - kBase64Url);
}

std::string Base64UrlOf(const P256Signature& bytes) {
    std::string text;
    std::uint32_t bits = 0;
    int count = 0;
    for (const std::uint8_t byte : bytes) {
        bits = (bits << 8) | byte;
        count += 8;
        while (count >= 6) {
            count -= 6;
            text += kBase64Url[(bits >> count) & 0x3F];
        }
    }
    if (count > 0)
        text += kBase64Url[(bits << (6 - count)) & 0x3F];
    return text;
}

// The 64 bytes of an unpadded base64url text of exactly kSignatureTextLength characters whose
// unused last bits are zero (so that one signature has one text); none otherwise.
std::optional<P256Signature> SignatureFromText(std::string_view text) {
    if (text.size() != kSignatureTextLength)
        return std::nullopt;
    P256Signature bytes{};
    std::size_t filled = 0;
    std::uint32_t bits = 0;
    int count = 0;
    for (const char c : text) {
        const int value = Base64UrlValue(c);
        if (value < 0)
            return std::nullopt;
        bits = (bits << 6) | static_cast<std::uint32_t>(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            if (filled == bytes.size())
                return std::nullopt;
            bytes[filled++] = static_cast<std::uint8_t>(bits >> count);
        }
    }
    if (filled != bytes.size() || (bits & ((1u << count) - 1)) != 0)
        return std::nullopt;
    return bytes;
}

bool IsKeyId(std::string_view text) {
    return text.size() == kKeyIdLength && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

template <std::size_t N> std::string Hex(const std::array<std::uint8_t, N>& bytes, std::size_t n) {
    std::string text;
    for (std::size_t i = 0; i < n; ++i)
        text += hex::ByteDigits(bytes[i]);
    return text;
}

} // namespace

std::optional<Sha256Digest> Sha256Of(SignatureVerifier& verifier, const void* bytes,
                                     std::size_t size) {
    const std::unique_ptr<Sha256Sink> sha = verifier.NewSha256();
    sha->Take(static_cast<const unsigned char*>(bytes), size);
    return sha->Finish();
}

std::wstring LabelTextFromBody(std::wstring_view body) {
    return std::wstring(ascii::Trim(body.substr(0, body.find(L'|'))));
}

ParsedLabel ParseSignedLabel(std::wstring_view labelText) {
    ParsedLabel parsed;
    const std::wstring tag(kSignatureTag.begin(), kSignatureTag.end());
    const std::size_t at = labelText.rfind(tag);
    if (at == std::wstring_view::npos)
        return parsed; // missing
    parsed.verdict = SignatureVerdict::malformed;
    if (!std::all_of(labelText.begin(), labelText.end(), IsLabelCharacter))
        return parsed;
    const std::string text(labelText.begin(), labelText.end()); // ASCII, checked above
    const std::string_view rest = std::string_view(text).substr(at + tag.size());
    const std::size_t separator = rest.find(';');
    if (separator == std::string_view::npos || !IsKeyId(rest.substr(0, separator)))
        return parsed;
    const std::optional<P256Signature> signature = SignatureFromText(rest.substr(separator + 1));
    if (!signature)
        return parsed;
    parsed.verdict = SignatureVerdict::valid;
    parsed.parts = {text.substr(0, at), std::string(rest.substr(0, separator)), *signature};
    return parsed;
}

std::string SignedLabelText(std::string_view label, std::string_view keyId,
                            const P256Signature& signature) {
    return std::string(label) + std::string(kSignatureTag) + std::string(keyId) + ";" +
           Base64UrlOf(signature);
}

std::string SignedStatement(std::string_view label, std::uint64_t length,
                            const Sha256Digest& fileSha256) {
    return std::string(kStatementHeading) + "label=" + std::string(label) + "\n" +
           "length=" + std::to_string(length) + "\n" + "sha256=" + Hex(fileSha256, 32) + "\n";
}

std::string KeyIdOf(SignatureVerifier& verifier, const P256PublicKey& key) {
    const std::optional<Sha256Digest> digest = Sha256Of(verifier, key.data(), key.size());
    return digest ? Hex(*digest, kKeyIdLength / 2) : std::string();
}

SignatureVerdict VerifySignedBody(SignatureVerifier& verifier, std::span<const PinnedKey> keys,
                                  std::wstring_view body, std::uint64_t length,
                                  const Sha256Digest& fileSha256) {
    const ParsedLabel parsed = ParseSignedLabel(LabelTextFromBody(body));
    if (parsed.verdict != SignatureVerdict::valid)
        return parsed.verdict;
    const auto key = std::find_if(keys.begin(), keys.end(),
                                  [&](const PinnedKey& k) { return k.id == parsed.parts.keyId; });
    if (key == keys.end())
        return SignatureVerdict::unknownKey;
    const std::string statement = SignedStatement(parsed.parts.label, length, fileSha256);
    const std::optional<Sha256Digest> digest =
        Sha256Of(verifier, statement.data(), statement.size());
    if (!digest || !verifier.VerifyP256(key->point, *digest, parsed.parts.signature))
        return SignatureVerdict::wrongSignature;
    return SignatureVerdict::valid;
}

} // namespace veyra
