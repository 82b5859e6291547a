#pragma once
// The platform's cryptography behind a studio's signature: SHA-256 and ECDSA P-256 verification.
// The program computes neither itself: CNG does on Windows, OpenSSL's libcrypto natively.
#include "support/ByteSink.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

namespace veyra {

using Sha256Digest = std::array<std::uint8_t, 32>;
// An uncompressed P-256 public point: 0x04, then X and Y, 32 bytes each, big-endian.
using P256PublicKey = std::array<std::uint8_t, 65>;
// An ECDSA P-256 signature: r then s, 32 bytes each, big-endian.
using P256Signature = std::array<std::uint8_t, 64>;

// The SHA-256 of everything it is given.
class Sha256Sink : public ByteSink {
public:
    // The digest of what it was given; none when the platform failed, which a check must take as
    // a refusal. Call once, after the last block.
    virtual std::optional<Sha256Digest> Finish() = 0;
};

class SignatureVerifier {
public:
    virtual ~SignatureVerifier() = default;
    // A new SHA-256; never null: a failure of the platform shows in its Finish.
    virtual std::unique_ptr<Sha256Sink> NewSha256() = 0;
    // Whether `signature` is a valid ECDSA P-256 signature by `key` over the SHA-256 `digest`;
    // false on any failure of the platform (a malformed key included).
    virtual bool VerifyP256(const P256PublicKey& key, const Sha256Digest& digest,
                            const P256Signature& signature) = 0;
};

// The SHA-256 of `bytes` through `verifier`'s platform; none when it failed.
std::optional<Sha256Digest> Sha256Of(SignatureVerifier& verifier, const void* bytes,
                                     std::size_t size);

} // namespace veyra
