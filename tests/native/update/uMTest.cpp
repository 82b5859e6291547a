#include "update/uM.h"

#include "support/IoError.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace veyra {
namespace {

// The opened "temp.data": its bytes, and a line in the record when it is closed.
class RecordedFile final : public OpenedFile {
public:
    RecordedFile(std::vector<std::wstring>& events, std::string content, bool readFails)
        : events_(events), content_(std::move(content)), readFails_(readFails) {}
    ~RecordedFile() override { events_.push_back(L"close temp.data"); }
    bool Installable() const override { return true; }
    void ReadAll(std::initializer_list<ByteSink*> sinks) override {
        events_.push_back(L"read temp.data");
        if (readFails_)
            throw IoError("read error", 23);
        for (ByteSink* sink : sinks)
            sink->Take(reinterpret_cast<const unsigned char*>(content_.data()), content_.size());
    }
    FileStep Flush() override { return {true}; }
    FileStep RenameTo(const std::wstring&) override { return {true}; }

private:
    std::vector<std::wstring>& events_;
    std::string content_;
    bool readFails_;
};

// A stand-in for the platform's cryptography, for the procedure's control flow only (the real
// verifiers have tests of their own): its "SHA-256" folds the bytes into 32 by adding them, and a
// "signature" is valid when its first 32 bytes are the digest and its last byte the key's first
// coordinate byte.
class ToyVerifier final : public SignatureVerifier {
public:
    bool hashFails = false;
    class Sink final : public Sha256Sink {
    public:
        explicit Sink(bool fails) : fails_(fails) {}
        void Take(const unsigned char* data, std::size_t size) override {
            for (std::size_t i = 0; i < size; ++i)
                digest_[(count_++) % 32] += data[i];
        }
        std::optional<Sha256Digest> Finish() override {
            return fails_ ? std::nullopt : std::optional<Sha256Digest>(digest_);
        }

    private:
        bool fails_;
        Sha256Digest digest_{};
        std::size_t count_ = 0;
    };
    std::unique_ptr<Sha256Sink> NewSha256() override { return std::make_unique<Sink>(hashFails); }
    bool VerifyP256(const P256PublicKey& key, const Sha256Digest& digest,
                    const P256Signature& signature) override {
        return std::equal(digest.begin(), digest.end(), signature.begin()) &&
               signature[63] == key[1];
    }
    P256Signature Sign(const P256PublicKey& key, const std::string& statement) {
        Sink sink(false);
        sink.Take(reinterpret_cast<const unsigned char*>(statement.data()), statement.size());
        P256Signature signature{};
        const Sha256Digest digest = *sink.Finish();
        std::copy(digest.begin(), digest.end(), signature.begin());
        signature[63] = key[1];
        return signature;
    }
};

// Records every operation, the platform's and the window's, as one line in one record, so that
// their order shows; failures are scripted.
class RecordingOperations final : public UpdateOperations, public SplashOperations {
public:
    std::vector<std::wstring> events;
    std::wstring body = L"some text|3421780262\r\n";
    bool fetchFails = false;
    std::set<std::wstring> files{L"temp.data", L"dunmorelauncher.exe"};
    std::string content = "123456789"; // CRC-32 3421780262
    bool openFails = false;
    bool readFails = false;
    bool swapLosesLauncher = false;         // the launcher is gone after the swap
    bool updateVanishesBeforeApply = false; // "temp.data" is deleted after the CRC
    bool startFails = false;
    int logFailures = 0; // this many WriteLog calls fail, the rest succeed
    bool timerRefused = false;
    std::optional<UpdatePinning> pinning; // a build pinned to keys

    void Pause(unsigned ms) override { events.push_back(L"pause " + std::to_wstring(ms)); }
    std::wstring FetchVersionFile(const std::wstring& stamp) override {
        events.push_back(L"fetch " + stamp);
        if (fetchFails)
            throw std::runtime_error("status 404");
        return body;
    }
    bool FileExists(const std::wstring& name) override {
        events.push_back(L"exists " + name);
        return files.count(name) > 0;
    }
    std::unique_ptr<OpenedFile> OpenUpdateFile(const std::wstring& name) override {
        events.push_back(L"open " + name);
        if (openFails)
            throw IoError("sharing violation", 32);
        if (updateVanishesBeforeApply)
            files.erase(L"temp.data");
        return std::make_unique<RecordedFile>(events, content, readFails);
    }
    // Closes the file when it returns, as the real swap does.
    void SwapInUpdate(std::unique_ptr<OpenedFile> checked, const FileDigests& accepted) override {
        EXPECT_NE(checked, nullptr);
        events.push_back(L"swap " + std::to_wstring(accepted.crc32) +
                         (accepted.sha256 ? L" with its SHA-256" : L""));
        if (swapLosesLauncher)
            files.erase(L"dunmorelauncher.exe");
    }
    void StartGameLauncher() override {
        events.push_back(L"start");
        if (startFails)
            throw std::runtime_error("EnableLUA is not a 32-bit integer");
    }
    void EndProcess() override { events.push_back(L"end"); }
    void WriteLog(const std::wstring& message) override {
        if (logFailures > 0) {
            --logFailures;
            events.push_back(L"log failed");
            throw std::runtime_error("log not writable");
        }
        events.push_back(L"log " + message);
    }
    void ReportProgress(std::int32_t max, std::int32_t position) override {
        EXPECT_EQ(max, 254);
        events.push_back(L"progress " + std::to_wstring(position));
    }
    const UpdatePinning* Pinning() override { return pinning ? &*pinning : nullptr; }
    void ShowTaskbarError() override { events.push_back(L"taskbar error"); }
    void SetStatusText(const std::wstring& text) override { events.push_back(L"status " + text); }
    void StopLogoAnimation() override { events.push_back(L"stop logo"); }
    void StartCloseTimer() override {
        // Like the window: marked on at the first call, refused or not; later calls do nothing.
        if (timerOn_)
            return;
        timerOn_ = true;
        events.push_back(timerRefused ? L"timer refused" : L"timer");
        if (timerRefused)
            throw std::runtime_error("Not enough timers available");
    }

private:
    bool timerOn_ = false;
};

using Events = std::vector<std::wstring>;

const Events kCheckUpTo180 = {L"pause 500",      L"progress 40",      L"fetch 16042019134230",
                              L"progress 90",    L"exists temp.data", L"progress 180",
                              L"open temp.data", L"read temp.data"};

Events Concat(Events a, const Events& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The check up to the event `last`, left out.
Events CheckUpTo180Before(const wchar_t* last) {
    Events events = kCheckUpTo180;
    events.erase(std::find(events.begin(), events.end(), last), events.end());
    return events;
}

// The check read the file, which is closed before anything is shown.
const Events kCheckClosed = Concat(kCheckUpTo180, {L"close temp.data"});

const Events kApplyUpToPause =
    Concat(kCheckUpTo180, {L"progress 200", L"progress 220", L"exists temp.data", L"progress 240",
                           L"swap 3421780262", L"close temp.data", L"progress 254", L"pause 1000",
                           L"exists dunmorelauncher.exe"});

Events Display(const wchar_t* message) {
    return {L"taskbar error", std::wstring(L"status ") + message, L"stop logo", L"timer"};
}

Events RunUpdate(RecordingOperations& ops) {
    CheckForUpdate(ops, ops, L"16042019134230");
    return ops.events;
}

TEST(UpdateProcedureTest, SuccessSwapsStartsAndEnds) {
    RecordingOperations ops;
    EXPECT_EQ(RunUpdate(ops), Concat(kApplyUpToPause, {L"start", L"end"}));
}

struct Road {
    const char* name;
    std::function<void(RecordingOperations&)> setUp;
    Events expected;
};

class FailureRoadTest : public ::testing::TestWithParam<Road> {};

TEST_P(FailureRoadTest, ShowsItsMessageAndLogsItsLine) {
    RecordingOperations ops;
    GetParam().setUp(ops);
    EXPECT_EQ(RunUpdate(ops), GetParam().expected);
}

const Events kValidationDisplay = {L"status Validation failed, please try again!", L"stop logo",
                                   L"timer", L"taskbar error"}; // taskbar last here

INSTANTIATE_TEST_SUITE_P(
    Roads, FailureRoadTest,
    ::testing::Values(
        Road{"fetch fails", [](auto& o) { o.fetchFails = true; },
             Concat({L"pause 500", L"progress 40", L"fetch 16042019134230",
                     L"log VeyraLauncher falha na verificação da aplicação!"},
                    kValidationDisplay)},
        Road{"no update file", [](auto& o) { o.files.erase(L"temp.data"); },
             Concat({L"pause 500", L"progress 40", L"fetch 16042019134230", L"progress 90",
                     L"exists temp.data"},
                    Display(L"Update not found!"))},
        Road{"crc differs", [](auto& o) { o.content = "12345678"; },
             Concat(kCheckClosed, Display(L"Failed to check files, contact support!"))},
        Road{"two bars before the number", [](auto& o) { o.body = L"x||3421780262"; },
             Concat(kCheckClosed, Display(L"Failed to check files, contact support!"))},
        Road{"leading zero", [](auto& o) { o.body = L"|03421780262"; },
             Concat(kCheckClosed, Display(L"Failed to check files, contact support!"))},
        Road{"empty body", [](auto& o) { o.body = L""; },
             Concat(kCheckClosed, Display(L"Failed to check files, contact support!"))},
        Road{"body without a bar", [](auto& o) { o.body = L" 3421780262\n"; },
             Concat(kApplyUpToPause, {L"start", L"end"})},
        Road{"update cannot be opened", [](auto& o) { o.openFails = true; },
             Concat(Concat(CheckUpTo180Before(L"open temp.data"),
                           {L"open temp.data",
                            L"log VeyraLauncher falha na verificação da aplicação!"}),
                    kValidationDisplay)},
        Road{"update cannot be read", [](auto& o) { o.readFails = true; },
             Concat(Concat(kCheckClosed, {L"log VeyraLauncher falha na verificação da aplicação!"}),
                    kValidationDisplay)},
        Road{"update gone before the apply", [](auto& o) { o.updateVanishesBeforeApply = true; },
             Concat(Concat(kCheckUpTo180, {L"progress 200", L"progress 220", L"exists temp.data",
                                           L"close temp.data"}),
                    Display(L"Update can not be found!"))},
        Road{"launcher missing after the swap", [](auto& o) { o.swapLosesLauncher = true; },
             Concat(Concat(kApplyUpToPause, Display(L"Could not start the Game Launcher.")),
                    {L"log Falha no processamento de checagem VeyraLauncher [cod: 12]"})},
        Road{"starting the launcher fails", [](auto& o) { o.startFails = true; },
             Concat(Concat(kApplyUpToPause,
                           {L"start", L"log VeyraLauncher falha na aplicação de atualização!"}),
                    Display(L"Update failed, please try again!"))}),
    [](const auto& test) {
        std::string name = test.param.name;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

TEST(UpdateCascadeTest, AnUnwritableLogStillShowsTheFailureAndEnds) {
    RecordingOperations ops;
    ops.fetchFails = true;
    ops.logFailures = 1;
    EXPECT_EQ(RunUpdate(ops),
              Concat({L"pause 500", L"progress 40", L"fetch 16042019134230", L"log failed"},
                     kValidationDisplay));
}

TEST(UpdateCascadeTest, LauncherMissingWithAnUnwritableLogFallsThroughBothGuards) {
    RecordingOperations ops;
    ops.swapLosesLauncher = true;
    ops.logFailures = 3; // its own line, the apply's line, the check's line
    EXPECT_EQ(
        RunUpdate(ops),
        Concat(kApplyUpToPause,
               {L"taskbar error", L"status Could not start the Game Launcher.", L"stop logo",
                L"timer", L"log failed", L"log failed", L"log failed",
                // the timer already runs: not asked for again
                L"status Validation failed, please try again!", L"stop logo", L"taskbar error"}));
}

TEST(UpdateCascadeTest, LauncherMissingWithOnlyItsOwnLineFailingShowsUpdateFailed) {
    RecordingOperations ops;
    ops.swapLosesLauncher = true;
    ops.logFailures = 1;
    EXPECT_EQ(
        RunUpdate(ops),
        Concat(kApplyUpToPause,
               {L"taskbar error", L"status Could not start the Game Launcher.", L"stop logo",
                L"timer", L"log failed", L"log VeyraLauncher falha na aplicação de atualização!",
                L"taskbar error", L"status Update failed, please try again!", L"stop logo"}));
}

TEST(UpdateCascadeTest, ARefusedTimerInTheChecksOwnStepsGoesToTheChecksGuard) {
    RecordingOperations ops;
    ops.files.erase(L"temp.data");
    ops.timerRefused = true;
    EXPECT_EQ(
        RunUpdate(ops),
        (Events{L"pause 500", L"progress 40", L"fetch 16042019134230", L"progress 90",
                L"exists temp.data", L"taskbar error", L"status Update not found!", L"stop logo",
                L"timer refused", L"log VeyraLauncher falha na verificação da aplicação!",
                L"status Validation failed, please try again!", L"stop logo", L"taskbar error"}));
}

TEST(UpdateCascadeTest, ARefusedTimerInTheApplyGoesToTheApplysGuardWithoutTheCod12Line) {
    RecordingOperations ops;
    ops.swapLosesLauncher = true;
    ops.timerRefused = true;
    EXPECT_EQ(RunUpdate(ops),
              Concat(kApplyUpToPause,
                     {L"taskbar error", L"status Could not start the Game Launcher.", L"stop logo",
                      L"timer refused", L"log VeyraLauncher falha na aplicação de atualização!",
                      L"taskbar error", L"status Update failed, please try again!", L"stop logo"}));
}

TEST(UpdateCascadeTest, ARefusedTimerInTheChecksGuardEndsTheWorkerWithoutTheTaskbarError) {
    RecordingOperations ops;
    ops.fetchFails = true;
    ops.timerRefused = true;
    EXPECT_THROW(CheckForUpdate(ops, ops, L"16042019134230"), std::runtime_error);
    EXPECT_EQ(ops.events, (Events{L"pause 500", L"progress 40", L"fetch 16042019134230",
                                  L"log VeyraLauncher falha na verificação da aplicação!",
                                  L"status Validation failed, please try again!", L"stop logo",
                                  L"timer refused"}));
}

// A build pinned to a key installs only a file whose version file carries that key's signature
// over it and its label; every other one fails as a CRC mismatch does: the same message, taskbar
// error and frozen logo, no log line.
TEST(PinnedUpdateTest, OnlyASignatureByAPinnedKeyOverThisFileInstalls) {
    ToyVerifier verifier;
    P256PublicKey key{};
    key[0] = 4;
    key[1] = 0x5A;
    P256PublicKey otherKey = key;
    otherKey[1] = 0x33;
    const std::string keyId = KeyIdOf(verifier, key);
    const PinnedKey pinned[] = {{key, keyId}};
    const std::string file = "123456789";
    const auto statementFor = [&](const std::string& label, const std::string& bytes) {
        Sha256Digest digest = *Sha256Of(verifier, bytes.data(), bytes.size());
        return SignedStatement(label, bytes.size(), digest);
    };
    const auto body = [](const std::string& labelText) {
        return std::wstring(labelText.begin(), labelText.end()) + L"|3421780262\r\n";
    };
    const auto signedBy = [&](const P256PublicKey& k, const std::string& label,
                              const std::string& bytes) {
        return body(SignedLabelText(label, keyId, verifier.Sign(k, statementFor(label, bytes))));
    };
    const Events refused =
        Concat(kCheckClosed, Display(L"Failed to check files, contact support!"));
    const Events installed =
        Concat(CheckUpTo180Before(L"progress 200"),
               {L"progress 200", L"progress 220", L"exists temp.data", L"progress 240",
                L"swap 3421780262 with its SHA-256", L"close temp.data", L"progress 254",
                L"pause 1000", L"exists dunmorelauncher.exe", L"start", L"end"});
    struct Case {
        const char* name;
        std::wstring body;
        bool hashFails;
        const Events& expected;
    };
    const Case cases[] = {
        {"signed by the pinned key", signedBy(key, "2.0.0.2", file), false, installed},
        {"no signature", L"2.0.0.2|3421780262\r\n", false, refused},
        {"signed by another key under its id", signedBy(otherKey, "2.0.0.2", file), false, refused},
        {"signed for another file", signedBy(key, "2.0.0.2", "12345678X"), false, refused},
        {"signed for another label",
         body(SignedLabelText("2.0.0.3", keyId, verifier.Sign(key, statementFor("2.0.0.2", file)))),
         false, refused},
        {"unknown key id",
         body(SignedLabelText("2.0.0.2", "0123456789abcdef",
                              verifier.Sign(key, statementFor("2.0.0.2", file)))),
         false, refused},
        {"the platform's SHA-256 fails", signedBy(key, "2.0.0.2", file), true, refused},
    };
    for (const Case& c : cases) {
        RecordingOperations ops;
        ops.body = c.body;
        verifier.hashFails = c.hashFails;
        ops.pinning.emplace(UpdatePinning{verifier, pinned});
        EXPECT_EQ(RunUpdate(ops), c.expected) << c.name;
    }
    // A build without keys never reads the label: a signed file installs as any other.
    RecordingOperations unpinned;
    verifier.hashFails = false;
    unpinned.body = signedBy(key, "2.0.0.2", file);
    EXPECT_EQ(RunUpdate(unpinned), Concat(kApplyUpToPause, {L"start", L"end"}));
}

// The worker's start: where it starts, the update runs on it; where no thread can be made, the
// check's failure display runs at once, and should its close timer be refused the process ends,
// since nothing else would end it.
TEST(UpdateStartTest, AWorkerThatCannotStartStillEndsTheProgram) {
    RecordingOperations started;
    StartUpdate(started, started, L"16042019134230", [](std::function<void()> work) {
        work(); // the thread's work, run here
        return true;
    });
    EXPECT_EQ(started.events, Concat(kApplyUpToPause, {L"start", L"end"}));

    struct Case {
        const char* name;
        bool timerRefused;
        Events expected;
    };
    const Case cases[] = {
        {"the close timer ends it", false,
         Concat({L"log VeyraLauncher falha na verificação da aplicação!"}, kValidationDisplay)},
        {"the timer is refused",
         true,
         {L"log VeyraLauncher falha na verificação da aplicação!",
          L"status Validation failed, please try again!", L"stop logo", L"timer refused", L"end"}},
    };
    for (const Case& c : cases) {
        RecordingOperations ops;
        ops.timerRefused = c.timerRefused;
        StartUpdate(ops, ops, L"16042019134230", [](std::function<void()>) { return false; });
        EXPECT_EQ(ops.events, c.expected) << c.name;
    }
}

TEST(SingleThreadExpectedCrcTest, TakesTheTrimmedTextAfterTheFirstBar) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"some text|3421780262\r\n", L"3421780262"},
        {L"3421780262", L"3421780262"},
        {L" \t3421780262 \r\n", L"3421780262"},
        {L"a|b|3421780262", L"b|3421780262"},
        {L"|", L""},
        {L"", L""},
        {L"x| 12 34 \x01", L"12 34"},
        {L"x|\x7f"
         L"1",
         L"\x7f"
         L"1"}, // only codes up to 32 are trimmed
    };
    for (const auto& [body, expected] : cases)
        EXPECT_EQ(ExpectedCrcFromBody(body), expected)
            << ::testing::PrintToString(std::wstring(body));
}

} // namespace
} // namespace veyra
