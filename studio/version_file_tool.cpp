// The studio's version-file tool:
//   veyra_version_file keygen PRIVATE.pem PUBLIC.pem       a new update key pair
//   veyra_version_file write LAUNCHER LABEL [--key PRIVATE.pem]
//                                           prints the version file for a new launcher, signed
//   veyra_version_file check HOST LAUNCHER [--key PUBLIC.pem]...
//                                           says what a player would see with the live one, as
//                                           a program pinned to those keys would check it
// Exit status: 0 done (check: the program would install the file), 1 the program would not
// install it, 2 a usage error or a file that cannot be read or written.
#include "studio/Diagnosis.h"
#include "studio/FileCrc.h"
#include "studio/HostName.h"
#include "studio/LocalStamp.h"
#include "studio/PlayerOutcome.h"
#include "studio/SignatureReport.h"
#include "studio/Text.h"
#include "studio/VersionFileBody.h"
#include "support/uCRC32.h"
#include "update/HttpRequest.h"
#include "update/UpdateSignature.h"
#include "update/VersionFile.h"
#include "update/uM.h"

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#ifdef _WIN32
#include "update/SignatureVerifier_win.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#else
#include "update/SignatureSigner_openssl.h"
#include "update/SignatureVerifier_openssl.h"

#include <fcntl.h>
#include <unistd.h>
#endif

namespace veyra::studio {
namespace {

#ifdef _WIN32
using PlatformVerifier = CngVerifier;
#else
using PlatformVerifier = OpenSslVerifier;
#endif

constexpr int kDone = 0;
constexpr int kRefused = 1;
constexpr int kUsage = 2;

void Print(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

int Fail(const std::string& text, int status) {
    std::fputs(("veyra_version_file: " + text + "\n").c_str(), stderr);
    return status;
}

int Usage() {
    std::fputs(
        "usage: veyra_version_file keygen PRIVATE_KEY_FILE PUBLIC_KEY_FILE\n"
        "       veyra_version_file write LAUNCHER_FILE LABEL [--key PRIVATE_KEY_FILE]\n"
        "       veyra_version_file check UPDATE_HOST LAUNCHER_FILE [--key PUBLIC_KEY_FILE]...\n",
        stderr);
    return kUsage;
}

// Arguments arrive as UTF-8; a path takes them as such on every system.
std::filesystem::path PathOf(const std::string& argument) {
    return std::filesystem::path(std::u8string(argument.begin(), argument.end()));
}

std::optional<std::string> LauncherBytes(const std::string& file) {
    auto bytes = FileBytes(PathOf(file));
    if (!bytes)
        Fail("cannot read the launcher file " + file, kUsage);
    return bytes;
}

// The bytes of a file named on the command line (a key); none, with the reason said, otherwise.
std::optional<std::string> ArgumentFile(const std::string& file, const char* what) {
    auto bytes = FileBytes(PathOf(file));
    if (!bytes)
        Fail(std::string("cannot read the ") + what + " " + file, kUsage);
    return bytes;
}

std::optional<Sha256Digest> Sha256OfBytes(SignatureVerifier& verifier, const std::string& bytes) {
    return Sha256Of(verifier, bytes.data(), bytes.size());
}

#ifndef _WIN32
// Writes a new file only (never over an existing one), readable by its owner alone when `secret`.
bool WriteNewFile(const std::string& path, const std::string& text, bool secret) {
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, secret ? 0600 : 0644);
    if (file < 0)
        return false;
    const bool written =
        ::write(file, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return ::close(file) == 0 && written;
}

int Keygen(const std::string& privateFile, const std::string& publicFile) {
    for (const std::string& file : {privateFile, publicFile})
        if (::access(file.c_str(), F_OK) == 0)
            return Fail(file + " exists: a key is never overwritten", kUsage);
    const auto key = P256SigningKey::Generate();
    if (!key)
        return Fail("OpenSSL could not make a key", kRefused);
    if (!WriteNewFile(privateFile, key->PrivatePem(), true))
        return Fail("cannot write " + privateFile, kUsage);
    if (!WriteNewFile(publicFile, key->PublicPem(), false))
        return Fail("cannot write " + publicFile, kUsage);
    PlatformVerifier verifier;
    Print("key id " + KeyIdOf(verifier, key->PublicPoint()) + ": private key " + privateFile +
          " (keep it secret, readable by you only), public key " + publicFile + "\n");
    return kDone;
}

// The label text signed by the private key in `keyFile` for `launcher`.
std::optional<std::string> SignedLabel(const std::string& keyFile, const std::string& label,
                                       const std::string& launcher) {
    const auto pem = ArgumentFile(keyFile, "private key");
    if (!pem)
        return std::nullopt;
    const auto key = P256SigningKey::FromPrivatePem(*pem);
    if (!key) {
        Fail(keyFile + " holds no unencrypted P-256 private key", kUsage);
        return std::nullopt;
    }
    PlatformVerifier verifier;
    const auto fileSha = Sha256OfBytes(verifier, launcher);
    const std::string statement =
        fileSha ? SignedStatement(label, launcher.size(), *fileSha) : std::string();
    const auto digest = fileSha ? Sha256OfBytes(verifier, statement) : std::nullopt;
    const auto signature = digest ? key->Sign(*digest) : std::nullopt;
    if (!signature) {
        Fail("OpenSSL could not sign", kRefused);
        return std::nullopt;
    }
    return SignedLabelText(label, KeyIdOf(verifier, key->PublicPoint()), *signature);
}
#endif

int Write(const std::string& file, const std::string& label, const std::string& keyFile) {
    if (const auto problem = LabelProblem(label))
        return Fail(*problem, kUsage);
    const auto launcher = LauncherBytes(file);
    if (!launcher)
        return kUsage;
    std::string text = label;
    if (!keyFile.empty()) {
#ifdef _WIN32
        return Fail("this build of the tool verifies signatures only: sign with the Linux build",
                    kUsage);
#else
        const auto signedLabel = SignedLabel(keyFile, label, *launcher);
        if (!signedLabel)
            return kUsage;
        text = *signedLabel;
        if (const auto problem = LabelProblem(text))
            return Fail("the signed label: " + *problem, kUsage);
#endif
    }
    Print(VersionFileBody(text, Crc32OfBytes(*launcher)));
    return kDone;
}

int Check(const std::string& host, const std::string& file,
          const std::vector<std::string>& keyFiles) {
    if (const auto problem = HostProblem(host))
        return Fail(*problem, kUsage);
    const auto launcher = LauncherBytes(file);
    if (!launcher)
        return kUsage;
    PlatformVerifier verifier;
    std::deque<std::string> ids; // the keys' ids stay where the keys point
    std::vector<PinnedKey> keys;
    for (const std::string& keyFile : keyFiles) {
        const auto pem = ArgumentFile(keyFile, "public key");
        if (!pem)
            return kUsage;
        const auto point = PublicKeyFromPem(*pem);
        if (!point)
            return Fail(keyFile + " holds no P-256 public key (BEGIN PUBLIC KEY)", kUsage);
        ids.push_back(KeyIdOf(verifier, *point));
        keys.push_back({*point, ids.back()});
    }
    const UpdatePinning pinning{verifier, keys};
    const std::uint32_t crc = Crc32OfBytes(*launcher);
    const FetchLimits limits;
    const std::wstring stamp = LocalVersionStamp();
    Print("GET http://" + host + VersionFileTarget(stamp) + "\n");
    const PlayerOutcome outcome = WhatAPlayerWouldSee(
        [&](const std::wstring& s) { return FetchVersionFileFrom(host, s, limits); }, stamp,
        *launcher, keys.empty() ? nullptr : &pinning);
    // Without keys the signature is named, not verified.
    const std::string signature =
        outcome.body && keys.empty() ? SignatureSummary(*outcome.body) : std::string();
    if (outcome.installs) {
        const std::string how =
            !keys.empty() ? ", signed by pinned key " +
                                ParseSignedLabel(LabelTextFromBody(*outcome.body)).parts.keyId
            : signature.empty() ? std::string()
                                : ", " + signature + ": not verified, give --key PUBLIC.pem";
        Print("OK: the program would install this file (CRC-32 " + ToUtf8(CrcToDecimal(crc)) + how +
              ")\n");
        return kDone;
    }
    Print("FAIL: the program would not install this file\n");
    Print("status line: " + Quoted(outcome.statusMessage) + "\n");
    if (!signature.empty())
        Print("version file: " + signature + " (not verified: give --key PUBLIC.pem)\n");
    for (const std::wstring& line : outcome.logLines)
        Print("error log: " + Quoted(line) + "\n");
    if (outcome.fetchError) {
        Print("why: " + WhyTheFetchFailed(*outcome.fetchError, host, limits) + "\n");
    } else if (outcome.body && ExpectedCrcFromBody(*outcome.body) == CrcToDecimal(crc) &&
               !keys.empty()) {
        const auto fileSha = Sha256OfBytes(verifier, *launcher);
        const SignatureVerdict verdict =
            fileSha ? VerifySignedBody(verifier, keys, *outcome.body, launcher->size(), *fileSha)
                    : SignatureVerdict::wrongSignature;
        Print("why: " + WhyTheSignatureFails(*outcome.body, verdict, keys) + "\n");
    } else if (outcome.body) {
        Print("why: " + WhyTheCrcDiffers(*outcome.body, crc) + "\n");
    }
    return kRefused;
}

// The values of `--key` options among `arguments` from `first` on; false on anything else.
bool KeyOptions(const std::vector<std::string>& arguments, std::size_t first,
                std::vector<std::string>& keys) {
    for (std::size_t i = first; i < arguments.size(); i += 2) {
        if (arguments[i] != "--key" || i + 1 >= arguments.size())
            return false;
        keys.push_back(arguments[i + 1]);
    }
    return true;
}

int Run(const std::vector<std::string>& arguments) {
    std::vector<std::string> keys;
    if (arguments.size() >= 3 && !KeyOptions(arguments, 3, keys))
        return Usage();
#ifndef _WIN32
    if (arguments.size() == 3 && arguments[0] == "keygen")
        return Keygen(arguments[1], arguments[2]);
#endif
    if (arguments.size() >= 3 && arguments[0] == "write" && keys.size() <= 1)
        return Write(arguments[1], arguments[2], keys.empty() ? std::string() : keys[0]);
    if (arguments.size() >= 3 && arguments[0] == "check")
        return Check(arguments[1], arguments[2], keys);
    return Usage();
}

} // namespace
} // namespace veyra::studio

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    // The body goes out byte for byte, CR LF included; messages are UTF-8.
    _setmode(_fileno(stdout), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(veyra::studio::ToUtf8(argv[i]));
    return veyra::studio::Run(arguments);
}
#else
int main(int argc, char** argv) {
    return veyra::studio::Run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
