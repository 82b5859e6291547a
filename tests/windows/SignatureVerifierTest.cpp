#include "update/SignatureVerifier_win.h"
#include "update/UpdateSignature.h"

#include "tests/native/SignatureVectors.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace veyra {
namespace {

namespace vectors = test::signature_vectors;

std::vector<unsigned char> Message(const vectors::Sha256Answer& answer) {
    std::vector<unsigned char> bytes(answer.text.begin(), answer.text.end());
    for (std::size_t i = 0; i < answer.patternBytes; ++i)
        bytes.push_back(vectors::PatternByte(i));
    return bytes;
}

std::optional<Sha256Digest> DigestInBlocks(SignatureVerifier& verifier,
                                           const std::vector<unsigned char>& bytes,
                                           std::initializer_list<std::size_t> blockSizes) {
    const std::unique_ptr<Sha256Sink> sha = verifier.NewSha256();
    std::size_t at = 0;
    for (auto size = blockSizes.begin(); at < bytes.size(); ++size) {
        if (size == blockSizes.end())
            size = blockSizes.begin();
        const std::size_t block = std::min(*size, bytes.size() - at);
        sha->Take(bytes.data() + at, block);
        at += block;
    }
    return sha->Finish();
}

TEST(CngVerifierTest, AgreesWithEveryVector) {
    CngVerifier verifier;
    for (const vectors::Case& c : vectors::kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(verifier.VerifyP256(c.key, c.digest, c.signature), c.valid);
    }
}

TEST(CngVerifierTest, Sha256KnownAnswersInAnyBlocks) {
    CngVerifier verifier;
    for (const vectors::Sha256Answer& answer : vectors::kSha256Answers) {
        SCOPED_TRACE(answer.name);
        const std::vector<unsigned char> bytes = Message(answer);
        EXPECT_EQ(Sha256Of(verifier, bytes.data(), bytes.size()), answer.digest);
        // Odd sizes that straddle SHA-256's 64-byte blocks, and empty blocks between them.
        EXPECT_EQ(DigestInBlocks(verifier, bytes, {1, 0, 63, 65, 7, 4099, 0, 127}), answer.digest);
    }
    EXPECT_EQ(Sha256Of(verifier, vectors::kStatement.data(), vectors::kStatement.size()),
              vectors::kDigest);
}

// A sink that is finished once gives no second digest.
TEST(CngVerifierTest, FinishOnce) {
    CngVerifier verifier;
    const std::unique_ptr<Sha256Sink> sha = verifier.NewSha256();
    sha->Take(reinterpret_cast<const unsigned char*>("abc"), 3);
    EXPECT_EQ(sha->Finish(), vectors::kSha256Answers[1].digest);
    EXPECT_EQ(sha->Finish(), std::nullopt);
}

// The whole pinned program's check over CNG: a version file body signed by the vectors' key.
TEST(CngVerifierTest, SignedBodyVerdict) {
    CngVerifier verifier;
    ASSERT_EQ(KeyIdOf(verifier, vectors::kKey), vectors::kKeyId);
    const PinnedKey keys[] = {{vectors::kKey, vectors::kKeyId}};
    std::vector<unsigned char> file(vectors::kPatternBytes);
    for (std::size_t i = 0; i < file.size(); ++i)
        file[i] = vectors::PatternByte(i);
    const std::optional<Sha256Digest> fileSha = Sha256Of(verifier, file.data(), file.size());
    ASSERT_TRUE(fileSha);
    auto body = [](const P256Signature& signature) {
        const std::string text =
            SignedLabelText(vectors::kLabel, vectors::kKeyId, signature) + "|1234";
        return std::wstring(text.begin(), text.end());
    };
    EXPECT_EQ(VerifySignedBody(verifier, keys, body(vectors::kSignature), file.size(), *fileSha),
              SignatureVerdict::valid);
    EXPECT_EQ(
        VerifySignedBody(verifier, keys, body(vectors::kOtherSignature), file.size(), *fileSha),
        SignatureVerdict::wrongSignature);
    EXPECT_EQ(
        VerifySignedBody(verifier, keys, body(vectors::kSignature), file.size() - 1, *fileSha),
        SignatureVerdict::wrongSignature);
}

// Without CNG every answer is a refusal: a DLL that is not there, and a system DLL without the
// functions.
TEST(CngVerifierTest, FailsClosedWithoutCng) {
    for (const wchar_t* name : {L"veyra_no_such_library.dll", L"version.dll"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(name)));
        CngVerifier verifier(name);
        const vectors::Case& valid = vectors::kCases[0];
        ASSERT_TRUE(valid.valid);
        EXPECT_FALSE(verifier.VerifyP256(valid.key, valid.digest, valid.signature));
        const std::unique_ptr<Sha256Sink> sha = verifier.NewSha256();
        ASSERT_NE(sha, nullptr);
        sha->Take(reinterpret_cast<const unsigned char*>("abc"), 3);
        EXPECT_EQ(sha->Finish(), std::nullopt);
        EXPECT_EQ(KeyIdOf(verifier, vectors::kKey), "");
    }
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

// Ends the process with status 1 and the reason on stderr, for the test's child below.
[[noreturn]] void Refuse(const char* reason) {
    std::fputs(reason, stderr);
    std::fflush(stderr);
    std::_Exit(1);
}

// Runs in a fresh process (the test's child), where nothing else has loaded bcrypt.dll: status 0
// when the verifier loads it on first use only, from the system directory, and lets it go with
// the last owner.
[[noreturn]] void LoadsBcryptOnFirstUse() {
    if (::GetModuleHandleW(L"bcrypt.dll"))
        Refuse("bcrypt.dll is loaded before any verifier exists");
    auto verifier = std::make_unique<CngVerifier>();
    if (::GetModuleHandleW(L"bcrypt.dll"))
        Refuse("bcrypt.dll is loaded by the verifier's construction");
    std::unique_ptr<Sha256Sink> sha = verifier->NewSha256();
    const HMODULE module = ::GetModuleHandleW(L"bcrypt.dll");
    if (!module)
        Refuse("bcrypt.dll is not loaded after the first use");
    wchar_t system[MAX_PATH];
    const UINT systemLength = ::GetSystemDirectoryW(system, MAX_PATH);
    wchar_t path[MAX_PATH];
    const DWORD pathLength = ::GetModuleFileNameW(module, path, MAX_PATH);
    if (systemLength == 0 || systemLength >= MAX_PATH || pathLength == 0 || pathLength >= MAX_PATH)
        Refuse("no system directory or module path");
    if (Lower(std::wstring(path, pathLength)) !=
        Lower(std::wstring(system, systemLength)) + L"\\bcrypt.dll")
        Refuse("bcrypt.dll is not the system directory's");
    // The sink keeps CNG alive past the verifier.
    verifier.reset();
    sha->Take(reinterpret_cast<const unsigned char*>("abc"), 3);
    if (sha->Finish() != vectors::kSha256Answers[1].digest)
        Refuse("the sink fails once the verifier is gone");
    sha.reset();
    if (::GetModuleHandleW(L"bcrypt.dll"))
        Refuse("bcrypt.dll stays loaded after its last owner");
    std::_Exit(0);
}

TEST(CngVerifierTest, LoadsBcryptFromTheSystemDirectoryOnFirstUse) {
    // A child process (on Windows always a new one): the tests before this one may have loaded
    // bcrypt.dll into this one.
    EXPECT_EXIT(LoadsBcryptOnFirstUse(), testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace veyra
