#pragma once
// Owners of the OpenSSL objects the native signature code uses: each is freed by its own
// function, so no call site frees anything by hand.
#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/evp.h>

#include <memory>

namespace veyra::openssl {

template <auto Free> struct Freer {
    template <typename T> void operator()(T* object) const { Free(object); }
};

using Bio = std::unique_ptr<BIO, Freer<BIO_free_all>>;
using BigNumber = std::unique_ptr<BIGNUM, Freer<BN_free>>;
using EcdsaSignature = std::unique_ptr<ECDSA_SIG, Freer<ECDSA_SIG_free>>;
using DigestContext = std::unique_ptr<EVP_MD_CTX, Freer<EVP_MD_CTX_free>>;
using Key = std::unique_ptr<EVP_PKEY, Freer<EVP_PKEY_free>>;
using KeyContext = std::unique_ptr<EVP_PKEY_CTX, Freer<EVP_PKEY_CTX_free>>;

// The curve's name as OpenSSL's providers know it.
inline constexpr char kP256GroupName[] = "prime256v1";

} // namespace veyra::openssl
