#pragma once
// Plain words for a studio about the signature in a published version file.
#include "update/UpdateSignature.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace veyra::studio {

// Why a build pinned to `keys` refuses the signature of `body` (its verdict is not valid).
std::string WhyTheSignatureFails(std::wstring_view body, SignatureVerdict verdict,
                                 std::span<const PinnedKey> keys);

// "signed by key ID" or "with a malformed signature" for a signed body, for a check without keys
// (which cannot verify it); empty for a body without a signature.
std::string SignatureSummary(std::wstring_view body);

// The uncompressed point of a SubjectPublicKeyInfo PEM text ("BEGIN PUBLIC KEY") holding a P-256
// key; none otherwise. A parse of the fixed encoding only: whether the point is on the curve is
// the verifier's business.
std::optional<P256PublicKey> PublicKeyFromPem(std::string_view pem);

} // namespace veyra::studio
