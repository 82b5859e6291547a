#include "update/SignatureVerifier_win.h"

#include "support/SystemLibrary_win.h"

#include <windows.h>
// After windows.h, which it needs. Its types and constants only: every function comes from
// GetProcAddress.
#include <bcrypt.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace veyra {

namespace {

// Only STATUS_SUCCESS counts: informational and warning codes are refusals too.
constexpr NTSTATUS kSuccess = 0;

// The bcrypt.dll functions the verifier calls, typed from their declarations.
struct CngFunctions {
    decltype(&::BCryptOpenAlgorithmProvider) openAlgorithmProvider = nullptr;
    decltype(&::BCryptCloseAlgorithmProvider) closeAlgorithmProvider = nullptr;
    decltype(&::BCryptGetProperty) getProperty = nullptr;
    decltype(&::BCryptCreateHash) createHash = nullptr;
    decltype(&::BCryptHashData) hashData = nullptr;
    decltype(&::BCryptFinishHash) finishHash = nullptr;
    decltype(&::BCryptDestroyHash) destroyHash = nullptr;
    decltype(&::BCryptImportKeyPair) importKeyPair = nullptr;
    decltype(&::BCryptDestroyKey) destroyKey = nullptr;
    decltype(&::BCryptVerifySignature) verifySignature = nullptr;
};

template <typename Function> bool Resolve(HMODULE module, const char* name, Function& function) {
    // Through void (*)(), the one function pointer type every other converts to without a warning.
    function =
        reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
    return function != nullptr;
}

bool ResolveAll(HMODULE module, CngFunctions& f) {
    return Resolve(module, "BCryptOpenAlgorithmProvider", f.openAlgorithmProvider) &&
           Resolve(module, "BCryptCloseAlgorithmProvider", f.closeAlgorithmProvider) &&
           Resolve(module, "BCryptGetProperty", f.getProperty) &&
           Resolve(module, "BCryptCreateHash", f.createHash) &&
           Resolve(module, "BCryptHashData", f.hashData) &&
           Resolve(module, "BCryptFinishHash", f.finishHash) &&
           Resolve(module, "BCryptDestroyHash", f.destroyHash) &&
           Resolve(module, "BCryptImportKeyPair", f.importKeyPair) &&
           Resolve(module, "BCryptDestroyKey", f.destroyKey) &&
           Resolve(module, "BCryptVerifySignature", f.verifySignature);
}

// What a CNG handle is, which says how it is let go. The handle types are all void*, so the kind
// cannot come from the type.
enum class CngKind { algorithm, hash, key };

// Owns one CNG handle, in the spirit of UniqueAny; the function that lets it go comes from
// bcrypt.dll at run time. The functions (and so the module) must outlive the owner.
template <CngKind Kind> class CngHandle {
public:
    CngHandle() = default;
    CngHandle(const CngFunctions& functions, void* handle)
        : functions_(&functions), handle_(handle) {}
    CngHandle(const CngHandle&) = delete;
    CngHandle& operator=(const CngHandle&) = delete;
    CngHandle(CngHandle&& other) noexcept
        : functions_(other.functions_), handle_(std::exchange(other.handle_, nullptr)) {}
    CngHandle& operator=(CngHandle&& other) noexcept {
        if (this != &other) {
            reset();
            functions_ = other.functions_;
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    ~CngHandle() { reset(); }

    void* get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void reset() {
        void* const old = std::exchange(handle_, nullptr);
        if (!old)
            return;
        if constexpr (Kind == CngKind::algorithm)
            functions_->closeAlgorithmProvider(old, 0);
        else if constexpr (Kind == CngKind::hash)
            functions_->destroyHash(old);
        else
            functions_->destroyKey(old);
    }

private:
    const CngFunctions* functions_ = nullptr;
    void* handle_ = nullptr;
};

using CngAlgorithm = CngHandle<CngKind::algorithm>;
using CngHash = CngHandle<CngKind::hash>;
using CngKey = CngHandle<CngKind::key>;

// A ULONG property of a CNG object; none when CNG fails.
std::optional<ULONG> UlongProperty(const CngFunctions& f, void* object, const wchar_t* name) {
    ULONG value = 0;
    ULONG written = 0;
    if (f.getProperty(object, name, reinterpret_cast<PUCHAR>(&value), sizeof value, &written, 0) !=
            kSuccess ||
        written != sizeof value)
        return std::nullopt;
    return value;
}

} // namespace

// Members are destroyed in reverse order: the providers first, the module last.
struct CngLibrary {
    UniqueModule module;
    CngFunctions functions;
    CngAlgorithm sha256;
    CngAlgorithm ecdsaP256;
    ULONG hashObjectSize = 0; // the memory one SHA-256 keeps its state in

    CngLibrary() = default;
    // The owners point into functions.
    CngLibrary(const CngLibrary&) = delete;
    CngLibrary& operator=(const CngLibrary&) = delete;
};

namespace {

CngAlgorithm OpenAlgorithm(const CngFunctions& f, const wchar_t* name) {
    BCRYPT_ALG_HANDLE handle = nullptr;
    if (f.openAlgorithmProvider(&handle, name, nullptr, 0) != kSuccess)
        return {};
    return CngAlgorithm(f, handle);
}

// The library with everything it needs open; null when any of it fails.
std::shared_ptr<const CngLibrary> OpenLibrary(std::wstring_view name) {
    auto library = std::make_shared<CngLibrary>();
    library->module = LoadSystemLibrary(name);
    if (!library->module || !ResolveAll(library->module.get(), library->functions))
        return nullptr;
    const CngFunctions& f = library->functions;
    library->sha256 = OpenAlgorithm(f, BCRYPT_SHA256_ALGORITHM);
    library->ecdsaP256 = OpenAlgorithm(f, BCRYPT_ECDSA_P256_ALGORITHM);
    if (!library->sha256 || !library->ecdsaP256)
        return nullptr;
    const std::optional<ULONG> objectSize =
        UlongProperty(f, library->sha256.get(), BCRYPT_OBJECT_LENGTH);
    const std::optional<ULONG> digestSize =
        UlongProperty(f, library->sha256.get(), BCRYPT_HASH_LENGTH);
    if (!objectSize || !digestSize || *digestSize != std::tuple_size<Sha256Digest>::value)
        return nullptr;
    library->hashObjectSize = *objectSize;
    return library;
}

class CngSha256 final : public Sha256Sink {
public:
    explicit CngSha256(std::shared_ptr<const CngLibrary> library) : library_(std::move(library)) {
        if (!library_)
            return;
        const CngFunctions& f = library_->functions;
        state_.resize(library_->hashObjectSize);
        BCRYPT_HASH_HANDLE handle = nullptr;
        if (f.createHash(library_->sha256.get(), &handle, state_.data(),
                         static_cast<ULONG>(state_.size()), nullptr, 0, 0) == kSuccess)
            hash_ = CngHash(f, handle);
    }

    void Take(const unsigned char* data, std::size_t size) override {
        // CNG takes a ULONG count: a larger block goes in pieces.
        constexpr std::size_t kLargest = 1u << 30;
        while (hash_ && size > 0) {
            const ULONG piece = static_cast<ULONG>(std::min(size, kLargest));
            // CNG only reads the input, but its parameter is not const.
            if (library_->functions.hashData(hash_.get(), const_cast<PUCHAR>(data), piece, 0) !=
                kSuccess)
                hash_.reset(); // a digest of part of the bytes must never come out
            data += piece;
            size -= piece;
        }
    }

    std::optional<Sha256Digest> Finish() override {
        if (!hash_)
            return std::nullopt;
        Sha256Digest digest{};
        const NTSTATUS status = library_->functions.finishHash(
            hash_.get(), digest.data(), static_cast<ULONG>(digest.size()), 0);
        hash_.reset();
        if (status != kSuccess)
            return std::nullopt;
        return digest;
    }

private:
    // In this order, so that the hash goes before its state and both before the library.
    std::shared_ptr<const CngLibrary> library_;
    std::vector<UCHAR> state_;
    CngHash hash_;
};

} // namespace

CngVerifier::CngVerifier(std::wstring library) : libraryName_(std::move(library)) {}
CngVerifier::~CngVerifier() = default;

std::shared_ptr<const CngLibrary> CngVerifier::Library() {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!library_)
        library_ = OpenLibrary(libraryName_);
    return library_;
}

std::unique_ptr<Sha256Sink> CngVerifier::NewSha256() {
    return std::make_unique<CngSha256>(Library());
}

bool CngVerifier::VerifyP256(const P256PublicKey& key, const Sha256Digest& digest,
                             const P256Signature& signature) {
    // The uncompressed form only; CNG's blob holds X and Y and would never see this byte.
    if (key[0] != 0x04)
        return false;
    const std::shared_ptr<const CngLibrary> library = Library();
    if (!library)
        return false;
    const CngFunctions& f = library->functions;

    // BCRYPT_ECCKEY_BLOB, then X, then Y.
    constexpr std::size_t kCoordinate = 32;
    const BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, kCoordinate};
    UCHAR blob[sizeof header + 2 * kCoordinate];
    std::memcpy(blob, &header, sizeof header);
    std::memcpy(blob + sizeof header, key.data() + 1, 2 * kCoordinate);
    BCRYPT_KEY_HANDLE handle = nullptr;
    if (f.importKeyPair(library->ecdsaP256.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, &handle, blob,
                        sizeof blob, 0) != kSuccess)
        return false;
    const CngKey imported(f, handle);

    // CNG only reads the digest and the signature, but its parameters are not const.
    return f.verifySignature(imported.get(), nullptr, const_cast<PUCHAR>(digest.data()),
                             static_cast<ULONG>(digest.size()),
                             const_cast<PUCHAR>(signature.data()),
                             static_cast<ULONG>(signature.size()), 0) == kSuccess;
}

} // namespace veyra
