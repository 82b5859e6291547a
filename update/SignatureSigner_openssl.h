#pragma once
// The studio's side of a signature, for its tool and for test vectors: a P-256 key pair held by
// OpenSSL's libcrypto, its PEM files, and signatures in the form the program checks. Native
// builds only: the program itself never signs.
#include "update/SignatureVerifier.h"

#include <optional>
#include <string>
#include <string_view>

namespace veyra {

class P256SigningKey {
public:
    // A new key pair from OpenSSL's random generator; none when it failed.
    static std::optional<P256SigningKey> Generate();
    // The key pair of an unencrypted private key's PEM text: PKCS#8 ("BEGIN PRIVATE KEY"), as
    // PrivatePem writes it, or OpenSSL's older "BEGIN EC PRIVATE KEY". None when the text is not
    // one, is encrypted (nothing prompts for a pass phrase), or holds a key of another kind or
    // another curve.
    static std::optional<P256SigningKey> FromPrivatePem(std::string_view pem);

    P256SigningKey(P256SigningKey&&) noexcept;
    P256SigningKey& operator=(P256SigningKey&&) noexcept;
    ~P256SigningKey();

    // The private key as unencrypted PKCS#8 PEM; empty when OpenSSL failed. Keep it secret.
    std::string PrivatePem() const;
    // The public key as SubjectPublicKeyInfo PEM ("BEGIN PUBLIC KEY"); empty when OpenSSL failed.
    std::string PublicPem() const;
    // The uncompressed public point, the form a pinned build holds.
    const P256PublicKey& PublicPoint() const { return point_; }

    // The ECDSA signature over the SHA-256 `digest`: r then s, each left-padded to 32 bytes.
    // None when OpenSSL failed.
    std::optional<P256Signature> Sign(const Sha256Digest& digest) const;

private:
    struct Handle;
    P256SigningKey(std::unique_ptr<Handle> handle, const P256PublicKey& point);

    std::unique_ptr<Handle> handle_;
    P256PublicKey point_{};
};

// The uncompressed point of a SubjectPublicKeyInfo PEM text holding a P-256 key; none otherwise.
std::optional<P256PublicKey> P256PublicPointFromPem(std::string_view pem);

} // namespace veyra
