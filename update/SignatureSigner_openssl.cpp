#include "update/SignatureSigner_openssl.h"

#include "update/OpenSslHandles_openssl.h"

#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/pem.h>

#include <climits>
#include <cstring>
#include <vector>

namespace veyra {

struct P256SigningKey::Handle {
    openssl::Key key;
};

namespace {

// The uncompressed point of a P-256 key, whatever form it was read in; none for another key.
std::optional<P256PublicKey> PointOf(EVP_PKEY* key) {
    char group[32] = {};
    std::size_t groupSize = 0;
    if (EVP_PKEY_is_a(key, "EC") != 1 ||
        EVP_PKEY_get_utf8_string_param(key, OSSL_PKEY_PARAM_GROUP_NAME, group, sizeof group,
                                       &groupSize) != 1 ||
        std::strcmp(group, openssl::kP256GroupName) != 0)
        return std::nullopt;
    BIGNUM* x = nullptr;
    BIGNUM* y = nullptr;
    const bool got = EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_EC_PUB_X, &x) == 1 &&
                     EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_EC_PUB_Y, &y) == 1;
    const openssl::BigNumber ownedX(x);
    const openssl::BigNumber ownedY(y);
    P256PublicKey point{};
    point[0] = 0x04;
    if (!got || BN_bn2binpad(x, point.data() + 1, 32) != 32 ||
        BN_bn2binpad(y, point.data() + 33, 32) != 32)
        return std::nullopt;
    return point;
}

openssl::Bio ReadingBio(std::string_view text) {
    if (text.size() > INT_MAX)
        return nullptr;
    return openssl::Bio(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())));
}

// What a memory BIO holds; empty when it could not be written.
std::string TextOf(BIO* bio, bool written) {
    char* data = nullptr;
    const long size = written ? BIO_get_mem_data(bio, &data) : 0;
    return size > 0 ? std::string(data, static_cast<std::size_t>(size)) : std::string();
}

// Refuses every pass phrase request: an encrypted key is not read, and nothing prompts.
int NoPassPhrase(char*, int, int, void*) {
    return -1;
}

} // namespace

P256SigningKey::P256SigningKey(std::unique_ptr<Handle> handle, const P256PublicKey& point)
    : handle_(std::move(handle)), point_(point) {}
P256SigningKey::P256SigningKey(P256SigningKey&&) noexcept = default;
P256SigningKey& P256SigningKey::operator=(P256SigningKey&&) noexcept = default;
P256SigningKey::~P256SigningKey() = default;

std::optional<P256SigningKey> P256SigningKey::Generate() {
    const openssl::KeyContext context(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
    EVP_PKEY* key = nullptr;
    if (!context || EVP_PKEY_keygen_init(context.get()) != 1 ||
        EVP_PKEY_CTX_set_group_name(context.get(), openssl::kP256GroupName) != 1 ||
        EVP_PKEY_generate(context.get(), &key) != 1) {
        ERR_clear_error();
        return std::nullopt;
    }
    auto handle = std::make_unique<Handle>(Handle{openssl::Key(key)});
    const std::optional<P256PublicKey> point = PointOf(key);
    ERR_clear_error();
    if (!point)
        return std::nullopt;
    return P256SigningKey(std::move(handle), *point);
}

std::optional<P256SigningKey> P256SigningKey::FromPrivatePem(std::string_view pem) {
    const openssl::Bio bio = ReadingBio(pem);
    openssl::Key key(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, NoPassPhrase, nullptr)
                         : nullptr);
    const std::optional<P256PublicKey> point = key ? PointOf(key.get()) : std::nullopt;
    ERR_clear_error();
    if (!point)
        return std::nullopt;
    return P256SigningKey(std::make_unique<Handle>(Handle{std::move(key)}), *point);
}

std::string P256SigningKey::PrivatePem() const {
    const openssl::Bio bio(BIO_new(BIO_s_mem()));
    const std::string text =
        bio ? TextOf(bio.get(),
                     PEM_write_bio_PKCS8PrivateKey(bio.get(), handle_->key.get(), nullptr, nullptr,
                                                   0, nullptr, nullptr) == 1)
            : std::string();
    ERR_clear_error();
    return text;
}

std::string P256SigningKey::PublicPem() const {
    const openssl::Bio bio(BIO_new(BIO_s_mem()));
    const std::string text =
        bio ? TextOf(bio.get(), PEM_write_bio_PUBKEY(bio.get(), handle_->key.get()) == 1)
            : std::string();
    ERR_clear_error();
    return text;
}

std::optional<P256Signature> P256SigningKey::Sign(const Sha256Digest& digest) const {
    const auto sign = [&]() -> std::optional<P256Signature> {
        const openssl::KeyContext context(
            EVP_PKEY_CTX_new_from_pkey(nullptr, handle_->key.get(), nullptr));
        std::size_t size = 0;
        if (!context || EVP_PKEY_sign_init(context.get()) != 1 ||
            EVP_PKEY_CTX_set_signature_md(context.get(), EVP_sha256()) != 1 ||
            EVP_PKEY_sign(context.get(), nullptr, &size, digest.data(), digest.size()) != 1)
            return std::nullopt;
        std::vector<unsigned char> der(size);
        if (EVP_PKEY_sign(context.get(), der.data(), &size, digest.data(), digest.size()) != 1 ||
            size > LONG_MAX)
            return std::nullopt;
        const unsigned char* at = der.data();
        const openssl::EcdsaSignature sig(d2i_ECDSA_SIG(nullptr, &at, static_cast<long>(size)));
        if (!sig)
            return std::nullopt;
        // BN_bn2binpad gives the left padding, and refuses a number longer than 32 bytes.
        P256Signature signature{};
        if (BN_bn2binpad(ECDSA_SIG_get0_r(sig.get()), signature.data(), 32) != 32 ||
            BN_bn2binpad(ECDSA_SIG_get0_s(sig.get()), signature.data() + 32, 32) != 32)
            return std::nullopt;
        return signature;
    };
    const std::optional<P256Signature> signature = sign();
    ERR_clear_error();
    return signature;
}

std::optional<P256PublicKey> P256PublicPointFromPem(std::string_view pem) {
    const openssl::Bio bio = ReadingBio(pem);
    const openssl::Key key(bio ? PEM_read_bio_PUBKEY(bio.get(), nullptr, NoPassPhrase, nullptr)
                               : nullptr);
    const std::optional<P256PublicKey> point = key ? PointOf(key.get()) : std::nullopt;
    ERR_clear_error();
    return point;
}

} // namespace veyra
