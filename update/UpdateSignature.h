#pragma once
// Signed version files. The body stays "TEXT|CRC"; in a signed deployment TEXT, which programs
// without keys never read, is
//   LABEL ";veyrasig1;" KEYID ";" SIGNATURE
// KEYID is the signing key's id (16 lowercase hexadecimal digits: the first 8 bytes of the SHA-256
// of its uncompressed 65-byte point) and SIGNATURE its ECDSA P-256 signature, r then s, 64 bytes
// in unpadded base64url (86 characters). The signature is over the SHA-256 of the statement
//   "VeyraLauncher signed update v1\n" "label=" LABEL "\n" "length=" N "\n" "sha256=" H "\n"
// with N the update file's length in decimal and H its SHA-256 in lowercase hexadecimal: it cannot
// be moved to another file, another length or another label. The tag's "1" is the format's
// version.
#include "update/SignatureVerifier.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace veyra {

inline constexpr std::string_view kSignatureTag = ";veyrasig1;";
inline constexpr std::size_t kKeyIdLength = 16;
inline constexpr std::size_t kSignatureTextLength = 86;
inline constexpr std::string_view kStatementHeading = "VeyraLauncher signed update v1\n";

// A public key fixed into a pinned build, with its id.
struct PinnedKey {
    P256PublicKey point;
    std::string_view id;
};

enum class SignatureVerdict {
    valid,
    missing,        // no signature tag in the text
    malformed,      // a tag, but a key id or signature of the wrong form, or a label that is not
                    // printable ASCII without spaces
    unknownKey,     // a key id that is none of the pinned keys'
    wrongSignature, // not that key's signature over this file and label
};

// The text before the first "|" of a version file's body (the whole body without one), less
// leading and trailing characters of code 32 or less.
std::wstring LabelTextFromBody(std::wstring_view body);

// The parts of a signed label text.
struct SignedLabel {
    std::string label;
    std::string keyId;
    P256Signature signature{};
};

// Splits a label text at its last signature tag. The verdict is valid when it parsed, missing
// without a tag, malformed otherwise.
struct ParsedLabel {
    SignatureVerdict verdict = SignatureVerdict::missing;
    SignedLabel parts;
};
ParsedLabel ParseSignedLabel(std::wstring_view labelText);

// The label text for a label (printable ASCII without spaces or "|"), key id and signature.
std::string SignedLabelText(std::string_view label, std::string_view keyId,
                            const P256Signature& signature);

// The statement a signature covers.
std::string SignedStatement(std::string_view label, std::uint64_t length,
                            const Sha256Digest& fileSha256);

// A key's id; empty when the platform's SHA-256 failed.
std::string KeyIdOf(SignatureVerifier& verifier, const P256PublicKey& key);

// The pinned program's verdict on a version file's body, for an update file of `length` bytes
// with the SHA-256 `fileSha256`: valid only with a signature by one of `keys` over this file and
// this label.
SignatureVerdict VerifySignedBody(SignatureVerifier& verifier, std::span<const PinnedKey> keys,
                                  std::wstring_view body, std::uint64_t length,
                                  const Sha256Digest& fileSha256);

} // namespace veyra
