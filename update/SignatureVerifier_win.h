#pragma once
// SHA-256 and ECDSA P-256 verification through CNG. bcrypt.dll is no KnownDLL, so the program
// never imports it: it is loaded from the system directory (LoadSystemLibrary) on first use, and
// a build without keys, which never verifies, never loads it.
#include "update/SignatureVerifier.h"

#include <memory>
#include <mutex>
#include <string>

namespace veyra {

// The loaded bcrypt.dll, its functions and the two algorithm providers; defined in the .cpp.
struct CngLibrary;

class CngVerifier final : public SignatureVerifier {
public:
    // `library` is the system DLL to take CNG from: another name only so that the tests can show
    // what a missing DLL or a missing function does.
    explicit CngVerifier(std::wstring library = L"bcrypt.dll");
    ~CngVerifier() override;
    CngVerifier(const CngVerifier&) = delete;
    CngVerifier& operator=(const CngVerifier&) = delete;

    // Every failure of CNG (bcrypt.dll or one of its functions missing, a provider that does not
    // open) shows as a sink whose Finish is none, or as false from VerifyP256. A key whose first
    // byte is not 0x04 is refused before CNG sees it.
    std::unique_ptr<Sha256Sink> NewSha256() override;
    bool VerifyP256(const P256PublicKey& key, const Sha256Digest& digest,
                    const P256Signature& signature) override;

private:
    // The library, loaded now if it is not yet; null when it cannot be (tried again next time).
    std::shared_ptr<const CngLibrary> Library();

    const std::wstring libraryName_;
    std::mutex mutex_; // guards library_
    // Shared with the sinks, which may outlive the verifier.
    std::shared_ptr<const CngLibrary> library_;
};

} // namespace veyra
