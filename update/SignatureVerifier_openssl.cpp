#include "update/SignatureVerifier_openssl.h"

#include "update/OpenSslHandles_openssl.h"

#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/params.h>

#include <algorithm>
#include <iterator>
#include <vector>

namespace veyra {
namespace {

class OpenSslSha256 final : public Sha256Sink {
public:
    OpenSslSha256() : context_(EVP_MD_CTX_new()) {
        failed_ = !context_ || EVP_DigestInit_ex(context_.get(), EVP_sha256(), nullptr) != 1;
    }

    void Take(const unsigned char* data, std::size_t size) override {
        if (failed_ || finished_ || size == 0)
            return;
        failed_ = EVP_DigestUpdate(context_.get(), data, size) != 1;
        if (failed_)
            ERR_clear_error();
    }

    std::optional<Sha256Digest> Finish() override {
        // A second Finish would read a finalised context: refuse it rather than guess.
        const bool usable = !failed_ && !finished_;
        finished_ = true;
        if (!usable)
            return std::nullopt;
        Sha256Digest digest{};
        unsigned int size = 0;
        if (EVP_DigestFinal_ex(context_.get(), digest.data(), &size) != 1 ||
            size != digest.size()) {
            ERR_clear_error();
            return std::nullopt;
        }
        return digest;
    }

private:
    openssl::DigestContext context_;
    bool failed_ = true;
    bool finished_ = false;
};

// The public key of an uncompressed point on P-256; null when it is not one.
openssl::Key KeyFromPoint(const P256PublicKey& point) {
    // OpenSSL also takes the compressed and hybrid forms; the pinned key has exactly one.
    if (point[0] != 0x04)
        return nullptr;
    char group[sizeof openssl::kP256GroupName];
    std::copy(std::begin(openssl::kP256GroupName), std::end(openssl::kP256GroupName), group);
    P256PublicKey octets = point; // OSSL_PARAM wants a writable buffer
    OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_PKEY_PARAM_GROUP_NAME, group, 0),
        OSSL_PARAM_construct_octet_string(OSSL_PKEY_PARAM_PUB_KEY, octets.data(), octets.size()),
        OSSL_PARAM_construct_end(),
    };
    const openssl::KeyContext context(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
    EVP_PKEY* key = nullptr;
    if (!context || EVP_PKEY_fromdata_init(context.get()) != 1 ||
        EVP_PKEY_fromdata(context.get(), &key, EVP_PKEY_PUBLIC_KEY, params) != 1)
        return nullptr;
    return openssl::Key(key);
}

// The DER form of r||s that OpenSSL's ECDSA verification reads; empty on failure.
std::vector<unsigned char> DerOf(const P256Signature& signature) {
    openssl::EcdsaSignature sig(ECDSA_SIG_new());
    openssl::BigNumber r(BN_bin2bn(signature.data(), 32, nullptr));
    openssl::BigNumber s(BN_bin2bn(signature.data() + 32, 32, nullptr));
    if (!sig || !r || !s || ECDSA_SIG_set0(sig.get(), r.get(), s.get()) != 1)
        return {};
    // The signature owns them now.
    (void)r.release();
    (void)s.release();
    const int size = i2d_ECDSA_SIG(sig.get(), nullptr);
    if (size <= 0)
        return {};
    std::vector<unsigned char> der(static_cast<std::size_t>(size));
    unsigned char* at = der.data();
    if (i2d_ECDSA_SIG(sig.get(), &at) != size)
        return {};
    return der;
}

bool Verify(const P256PublicKey& point, const Sha256Digest& digest,
            const P256Signature& signature) {
    const openssl::Key key = KeyFromPoint(point);
    if (!key)
        return false;
    const openssl::KeyContext context(EVP_PKEY_CTX_new_from_pkey(nullptr, key.get(), nullptr));
    if (!context || EVP_PKEY_public_check_quick(context.get()) != 1)
        return false;
    const std::vector<unsigned char> der = DerOf(signature);
    if (der.empty())
        return false;
    // The digest is SHA-256's: naming it makes OpenSSL refuse any other length.
    return EVP_PKEY_verify_init(context.get()) == 1 &&
           EVP_PKEY_CTX_set_signature_md(context.get(), EVP_sha256()) == 1 &&
           EVP_PKEY_verify(context.get(), der.data(), der.size(), digest.data(), digest.size()) ==
               1;
}

} // namespace

std::unique_ptr<Sha256Sink> OpenSslVerifier::NewSha256() {
    auto sink = std::make_unique<OpenSslSha256>();
    ERR_clear_error(); // a failure shows in Finish, not in the thread's error queue
    return sink;
}

bool OpenSslVerifier::VerifyP256(const P256PublicKey& key, const Sha256Digest& digest,
                                 const P256Signature& signature) {
    const bool valid = Verify(key, digest, signature);
    // A refusal leaves its reasons on the thread's queue, where a later caller would misread
    // them as its own.
    ERR_clear_error();
    return valid;
}

} // namespace veyra
