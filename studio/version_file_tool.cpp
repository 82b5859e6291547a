// The studio's version-file tool:
//   veyra_version_file keygen PRIVATE.pem PUBLIC.pem       a new update key pair
//   veyra_version_file write LAUNCHER LABEL [--key PRIVATE.pem] [--out FILE]
//                                           the version file for a new launcher, signed; on
//                                           stdout, or put in place of FILE in one step
//   veyra_version_file check HOST LAUNCHER [--key PUBLIC.pem]...
//                                           says what a player would see with the live one, as
//                                           a program pinned to those keys would check it
// Exit status: 0 done (check: the program would install the file), 1 the program would not
// install it, 2 a usage error or a file (standard output included) that cannot be read or written.
#include "studio/Diagnosis.h"
#include "studio/FileCrc.h"
#include "studio/HostName.h"
#include "studio/Json.h"
#include "studio/LocalStamp.h"
#include "studio/Output.h"
#include "studio/PlayerOutcome.h"
#include "studio/SignatureReport.h"
#include "studio/Text.h"
#include "studio/VersionFileBody.h"
#include "support/uCRC32.h"
#include "update/HttpRequest.h"
#include "update/UpdateSignature.h"
#include "update/VersionFile.h"
#include "update/uM.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <optional>
#include <string>
#include <utility>
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

// Set once a write to standard output failed: the run then ends with kUsage, whatever it found.
bool outputFailed = false;

// Writes `text` to standard output at once; the first failure is said on stderr.
void Print(const std::string& text) {
    if (outputFailed)
        return;
    errno = 0;
    if (WriteAndFlush(stdout, text))
        return;
    outputFailed = true;
    const int error = errno;
    std::fputs(("veyra_version_file: cannot write to standard output" +
                (error != 0 ? std::string(": ") + std::strerror(error) : std::string()) + "\n")
                   .c_str(),
               stderr);
}

int Fail(const std::string& text, int status) {
    std::fputs(("veyra_version_file: " + text + "\n").c_str(), stderr);
    return status;
}

constexpr const char* kKeygenUsage = "veyra_version_file keygen PRIVATE_KEY_FILE PUBLIC_KEY_FILE\n";
constexpr const char* kWriteUsage =
    "veyra_version_file write LAUNCHER_FILE LABEL [--key PRIVATE_KEY_FILE] [--out VERSION_FILE]"
    " [--json]\n";
constexpr const char* kCheckUsage =
    "veyra_version_file check UPDATE_HOST LAUNCHER_FILE [--key PUBLIC_KEY_FILE]... [--json]\n";
constexpr const char* kInfoUsage = "veyra_version_file [COMMAND] --help | --version\n";

std::string AllUsages() {
    return std::string("usage: ") + kKeygenUsage + "       " + kWriteUsage + "       " +
           kCheckUsage + "       " + kInfoUsage;
}

constexpr const char* kKeygenHelp =
    "Makes a new update key pair (ECDSA P-256). Neither file may exist: a key is never\n"
    "overwritten. The private key is readable by its owner only; keep it off the web server.\n"
    "The Linux build only.\n";
constexpr const char* kWriteHelp =
    "Writes the version file for LAUNCHER_FILE under LABEL (printable ASCII, no \"|\", for\n"
    "example 2.0.0.2): LABEL|CRC-32 of the file, CR LF.\n"
    "  --key PRIVATE_KEY_FILE  sign it (the Linux build only)\n"
    "  --out VERSION_FILE      write VERSION_FILE in one step (a temporary file beside it,\n"
    "                          flushed, then renamed over it) instead of standard output: a\n"
    "                          failed run leaves an existing VERSION_FILE as it was\n"
    "  --json                  one JSON object on standard output: label, crc, body, out\n";
constexpr const char* kCheckHelp =
    "Fetches the live version file from UPDATE_HOST as the program does and says whether the\n"
    "program would install LAUNCHER_FILE with it, and if not, why.\n"
    "  --key PUBLIC_KEY_FILE   check it as a program pinned to this key (repeatable)\n"
    "  --json                  one JSON object on standard output instead of the lines:\n"
    "                          verdict (install, refuse), url, crc, publishedCrc, statusLine,\n"
    "                          log, fetchError, httpStatus, bound, boundMilliseconds,\n"
    "                          signature, pinnedKey, reason (null where none)\n";
constexpr const char* kExitHelp =
    "Exit status: 0 done (check: the program would install the file), 1 the program would not\n"
    "install it, 2 a usage error or a file (standard output included) that cannot be read or\n"
    "written.\n";

int Usage() {
    std::fputs(AllUsages().c_str(), stderr);
    return kUsage;
}

int Help(const std::string& command) {
    std::string text;
    if (command == "keygen")
        text = std::string("usage: ") + kKeygenUsage + kKeygenHelp;
    else if (command == "write")
        text = std::string("usage: ") + kWriteUsage + kWriteHelp;
    else if (command == "check")
        text = std::string("usage: ") + kCheckUsage + kCheckHelp;
    else
        text = AllUsages() +
               "The studio's tool for the launcher's version file: keygen makes an update key\n"
               "pair, write makes the version file for a new launcher, check says what a player's\n"
               "program would do with the live one. veyra_version_file COMMAND --help says more.\n";
    Print(text + kExitHelp);
    return outputFailed ? kUsage : kDone;
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

int Write(const std::string& file, const std::string& label, const std::string& keyFile,
          const std::string& outFile, bool json) {
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
    const std::uint32_t crc = Crc32OfBytes(*launcher);
    const std::string body = VersionFileBody(text, crc);
    if (!outFile.empty()) {
        if (const auto problem = ReplaceFileAtomically(PathOf(outFile), body))
            return Fail(*problem + " (" + outFile + " is as it was)", kUsage);
    }
    if (json) {
        JsonObject object;
        object.String("command", "write").String("verdict", "written").String("label", label);
        object.Number("crc", crc).String("body", body);
        if (outFile.empty())
            object.Null("out");
        else
            object.String("out", outFile);
        Print(object.Text() + "\n");
    } else if (outFile.empty()) {
        Print(body);
    }
    return kDone;
}

// The bound a timeout ran into: its name and its length.
std::optional<std::pair<const char*, std::chrono::milliseconds>>
BoundHit(const HttpError& error, const FetchLimits& limits) {
    if (error.Kind() != HttpErrorKind::timeout)
        return std::nullopt;
    switch (error.Cause()) {
    case HttpErrorCause::connectWait:
        return std::pair{"connect", limits.connect};
    case HttpErrorCause::idleWait:
        return std::pair{"idle", limits.idle};
    case HttpErrorCause::totalWait:
        return std::pair{"total", limits.total};
    default:
        return std::nullopt;
    }
}

// check's answer as one JSON object; `address` is the one the connection reached (empty when
// none was made).
void PrintCheckJson(const std::string& host, const std::string& url, const std::string& address,
                    std::uint32_t crc, const PlayerOutcome& outcome, const std::string& signature,
                    const std::string& signedBy, const std::string& why,
                    const FetchLimits& limits) {
    JsonObject object;
    object.String("command", "check")
        .String("verdict", outcome.installs ? "install" : "refuse")
        .String("host", host)
        .String("url", url);
    if (address.empty())
        object.Null("address");
    else
        object.String("address", address);
    object.Number("crc", crc);
    if (outcome.body)
        object.String("publishedCrc", ToUtf8(ExpectedCrcFromBody(*outcome.body)));
    else
        object.Null("publishedCrc");
    object.String("statusLine", ToUtf8(outcome.statusMessage));
    std::vector<std::string> log;
    for (const std::wstring& line : outcome.logLines)
        log.push_back(ToUtf8(line));
    object.Strings("log", log);
    if (outcome.fetchError)
        object.String("fetchError", HttpErrorKindName(outcome.fetchError->Kind()));
    else
        object.Null("fetchError");
    if (outcome.fetchError && outcome.fetchError->Kind() == HttpErrorKind::status)
        object.Raw("httpStatus", std::to_string(outcome.fetchError->StatusCode()));
    else
        object.Null("httpStatus");
    const auto bound = outcome.fetchError ? BoundHit(*outcome.fetchError, limits) : std::nullopt;
    if (bound)
        object.String("bound", bound->first)
            .Number("boundMilliseconds", static_cast<unsigned long long>(bound->second.count()));
    else
        object.Null("bound").Null("boundMilliseconds");
    if (signature.empty())
        object.Null("signature");
    else
        object.String("signature", signature);
    if (signedBy.empty())
        object.Null("pinnedKey");
    else
        object.String("pinnedKey", signedBy);
    if (why.empty())
        object.Null("reason");
    else
        object.String("reason", why);
    Print(object.Text() + "\n");
}

int Check(const std::string& host, const std::string& file,
          const std::vector<std::string>& keyFiles, bool json) {
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
    const std::string url = "http://" + host + VersionFileTarget(stamp);
    if (!json)
        Print("GET " + url + "\n");
    std::string address;
    const PlayerOutcome outcome = WhatAPlayerWouldSee(
        [&](const std::wstring& s) { return FetchVersionFileFrom(host, s, limits, &address); },
        stamp, *launcher, keys.empty() ? nullptr : &pinning);
    // Without keys the signature is named, not verified.
    const std::string signature =
        outcome.body && keys.empty() ? SignatureSummary(*outcome.body) : std::string();
    const std::string signedBy =
        outcome.installs && !keys.empty()
            ? ParseSignedLabel(LabelTextFromBody(*outcome.body)).parts.keyId
            : std::string();
    std::string why;
    if (outcome.installs) {
    } else if (outcome.fetchError) {
        why = WhyTheFetchFailed(*outcome.fetchError, host, limits);
    } else if (outcome.body && ExpectedCrcFromBody(*outcome.body) == CrcToDecimal(crc) &&
               !keys.empty()) {
        const auto fileSha = Sha256OfBytes(verifier, *launcher);
        const SignatureVerdict verdict =
            fileSha ? VerifySignedBody(verifier, keys, *outcome.body, launcher->size(), *fileSha)
                    : SignatureVerdict::wrongSignature;
        why = WhyTheSignatureFails(*outcome.body, verdict, keys);
    } else if (outcome.body) {
        why = WhyTheCrcDiffers(*outcome.body, crc);
    }
    if (json) {
        PrintCheckJson(host, url, address, crc, outcome, signature, signedBy, why, limits);
        return outcome.installs ? kDone : kRefused;
    }
    if (outcome.installs) {
        const std::string how = !signedBy.empty() ? ", signed by pinned key " + signedBy
                                : signature.empty()
                                    ? std::string()
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
    if (!why.empty())
        Print("why: " + why + "\n");
    return kRefused;
}

// A command line: the words, and the options wherever they stand.
struct CommandLine {
    std::vector<std::string> words;
    std::vector<std::string> keys;
    std::string out;
    bool help = false;
    bool version = false;
    bool json = false;
};

// False on an unknown option or one without its value.
bool Parse(const std::vector<std::string>& arguments, CommandLine& line) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == "--help" || argument == "-h")
            line.help = true;
        else if (argument == "--version")
            line.version = true;
        else if (argument == "--json")
            line.json = true;
        else if (argument == "--key" && hasValue)
            line.keys.push_back(arguments[++i]);
        else if (argument == "--out" && hasValue && line.out.empty())
            line.out = arguments[++i];
        else if (argument.starts_with("--"))
            return false;
        else
            line.words.push_back(argument);
    }
    return true;
}

int Dispatch(const std::vector<std::string>& arguments) {
    CommandLine line;
    if (!Parse(arguments, line))
        return Usage();
    const std::string command = line.words.empty() ? std::string() : line.words[0];
    if (line.help)
        return Help(command);
    if (line.version) {
        Print("veyra_version_file " VEYRA_TOOL_VERSION "\n");
        return kDone;
    }
    const auto& words = line.words;
    if ((!line.out.empty() && command != "write") || (line.json && command == "keygen"))
        return Usage();
#ifndef _WIN32
    if (words.size() == 3 && command == "keygen" && line.keys.empty())
        return Keygen(words[1], words[2]);
#endif
    if (words.size() == 3 && command == "write" && line.keys.size() <= 1)
        return Write(words[1], words[2], line.keys.empty() ? std::string() : line.keys[0], line.out,
                     line.json);
    if (words.size() == 3 && command == "check")
        return Check(words[1], words[2], line.keys, line.json);
    return Usage();
}

int Run(const std::vector<std::string>& arguments) {
    const int status = Dispatch(arguments);
    return outputFailed ? kUsage : status;
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
    // A closed standard output: a file the tool opens would take its descriptor and receive the
    // output. /dev/null opened read-only holds the place, and every write to it fails.
    if (::fcntl(STDOUT_FILENO, F_GETFD) < 0 && errno == EBADF) {
        const int holder = ::open("/dev/null", O_RDONLY);
        if (holder >= 0 && holder != STDOUT_FILENO) {
            ::dup2(holder, STDOUT_FILENO);
            ::close(holder);
        }
    }
    return veyra::studio::Run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
