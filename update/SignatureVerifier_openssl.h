#pragma once
// The native platform's SignatureVerifier: OpenSSL's libcrypto. Native builds only; the Windows
// builds use CNG.
#include "update/SignatureVerifier.h"

namespace veyra {

class OpenSslVerifier final : public SignatureVerifier {
public:
    std::unique_ptr<Sha256Sink> NewSha256() override;
    // Takes only an uncompressed point on the curve, and r and s as OpenSSL's ECDSA does: each
    // in 1..n-1.
    bool VerifyP256(const P256PublicKey& key, const Sha256Digest& digest,
                    const P256Signature& signature) override;
};

} // namespace veyra
