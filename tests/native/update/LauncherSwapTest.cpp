// The update file's open for its check and its swap, over a fake file system that keeps the
// system's sharing rules: a file opened sharing reading only refuses writers, removals and
// renames by name until it is closed.
#include "update/LauncherSwap.h"
#include "support/IoError.h"
#include "support/uCRC32.h"
#include "update/UpdateFileOpen.h"
#include "update/VersionStamp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace veyra {
namespace {

std::uint32_t CrcOf(const std::string& content) {
    Crc32Sink crc;
    crc.Take(reinterpret_cast<const unsigned char*>(content.data()), content.size());
    return crc.Value();
}

// What a handle may do, and what it lets others do meanwhile.
struct Rights {
    bool read = false, write = false, remove = false;
};

struct Handle {
    Rights access, share;
};

// Two handles can be open together when each one's rights are shared by the other.
bool Compatible(const Handle& a, const Handle& b) {
    const auto allows = [](const Rights& share, const Rights& access) {
        return (!access.read || share.read) && (!access.write || share.write) &&
               (!access.remove || share.remove);
    };
    return allows(a.share, b.access) && allows(b.share, a.access);
}

constexpr unsigned long kSharingViolation = 32;
constexpr unsigned long kAccessDenied = 5;
constexpr unsigned long kNotFound = 2;
constexpr unsigned long kExists = 80;
const FileStep kLocked{false, true, kSharingViolation};
const FileStep kFailed{false, false, 1};

struct Node {
    std::string content;
    bool readOnly = false;
    std::uint32_t links = 1;
    std::vector<const Handle*> open; // handles of this program and of others
};

class FakeFiles;

class FakeOpenedFile final : public OpenedFile {
public:
    FakeOpenedFile(FakeFiles& files, std::shared_ptr<Node> node, Handle handle, std::wstring path);
    ~FakeOpenedFile() override;
    bool Installable() const override { return handle_.access.write && node_->links == 1; }
    void ReadAll(std::initializer_list<ByteSink*> sinks) override;
    FileStep Flush() override;
    FileStep RenameTo(const std::wstring& target) override;

private:
    FakeFiles& files_;
    std::shared_ptr<Node> node_;
    Handle handle_;
    std::wstring path_; // for the record
};

// Files by name; scripted failures per operation and name, consumed in order; a record of every
// call; and what other programs hold open.
class FakeFiles final : public UpdateFileSystem {
public:
    std::map<std::wstring, std::shared_ptr<Node>> names;
    std::map<std::wstring, std::deque<FileStep>> renameFailures; // by the file's path when opened
    std::map<std::wstring, std::deque<FileStep>> flushFailures;  // by the file's path when opened
    std::map<std::wstring, std::deque<FileStep>> copyFailures;   // by target name
    std::function<void(FakeFiles&)> afterCopy;                   // another program's doing
    std::vector<std::wstring> calls;
    int openHandles = 0; // of this program

    void Put(const std::wstring& name, const std::string& content, bool readOnly = false) {
        auto node = std::make_shared<Node>();
        node->content = content;
        node->readOnly = readOnly;
        names[name] = node;
    }
    std::string At(const std::wstring& name) const {
        const auto it = names.find(name);
        return it == names.end() ? "<none>" : it->second->content;
    }
    bool Has(const std::wstring& name) const { return names.count(name) > 0; }

    // Another program opens `name` with these rights and keeps it open.
    bool HeldBy(const std::wstring& name, Handle handle) {
        held_.push_back(std::make_unique<Handle>(handle));
        const auto& node = names.at(name);
        if (!Admits(*node, handle))
            return false;
        node->open.push_back(held_.back().get());
        return true;
    }
    // Another program tries to write `name`; true when it could.
    bool WrittenBy(const std::wstring& name, const std::string& content) {
        if (!Has(name) || !Admits(*names[name], {{true, true}, {true, true, true}}))
            return false;
        names[name]->content = content;
        return true;
    }

    OpenOutcome Open(const std::wstring& path, OpenFor purpose) override {
        calls.push_back(std::wstring(L"open ") +
                        (purpose == OpenFor::Install ? L"to install " : L"to read ") + path);
        if (!Has(path))
            return {nullptr, {false, false, kNotFound}};
        const auto node = names[path];
        const Handle handle{purpose == OpenFor::Install ? Rights{true, true, true}
                                                        : Rights{true, false, false},
                            {true, false, false}};
        if (handle.access.write && node->readOnly)
            return {nullptr, {false, true, kAccessDenied}};
        if (!Admits(*node, handle))
            return {nullptr, kLocked};
        return {std::make_unique<FakeOpenedFile>(*this, node, handle, path), {}};
    }
    FileStep Copy(const std::wstring& source, const std::wstring& target) override {
        calls.push_back(L"copy " + source + L" -> " + target);
        if (auto failure = Scripted(copyFailures, target))
            return *failure;
        if (!Has(source))
            return {false, false, kNotFound};
        if (Has(target))
            return {false, true, kExists}; // like the real one: never through an existing name
        if (!Admits(*names[source], {{true}, {true, true, true}}))
            return kLocked;
        Put(target, names[source]->content, names[source]->readOnly);
        if (afterCopy)
            afterCopy(*this);
        return {true};
    }
    void ClearReadOnly(const std::wstring& path) override {
        calls.push_back(L"clear read-only " + path);
        if (Has(path))
            names[path]->readOnly = false;
    }
    void Remove(const std::wstring& path) override {
        calls.push_back(L"remove " + path);
        if (Has(path) && !names[path]->readOnly && Admits(*names[path], {{false, false, true}, {}}))
            names.erase(path);
    }
    void Pause(unsigned ms) override { calls.push_back(L"pause " + std::to_wstring(ms)); }

    // The name under which `node` stands, if any.
    std::wstring NameOf(const Node& node) const {
        for (const auto& [name, n] : names)
            if (n.get() == &node)
                return name;
        return {};
    }
    static bool Admits(const Node& node, const Handle& handle) {
        return std::all_of(node.open.begin(), node.open.end(),
                           [&](const Handle* other) { return Compatible(*other, handle); });
    }
    static std::optional<FileStep> Scripted(std::map<std::wstring, std::deque<FileStep>>& script,
                                            const std::wstring& key) {
        auto it = script.find(key);
        if (it == script.end() || it->second.empty())
            return std::nullopt;
        FileStep step = it->second.front();
        it->second.pop_front();
        return step;
    }

private:
    std::vector<std::unique_ptr<Handle>> held_;
};

FakeOpenedFile::FakeOpenedFile(FakeFiles& files, std::shared_ptr<Node> node, Handle handle,
                               std::wstring path)
    : files_(files), node_(std::move(node)), handle_(handle), path_(std::move(path)) {
    node_->open.push_back(&handle_);
    ++files_.openHandles;
}

FakeOpenedFile::~FakeOpenedFile() {
    node_->open.erase(std::find(node_->open.begin(), node_->open.end(), &handle_));
    --files_.openHandles;
    files_.calls.push_back(L"close " + path_);
}

void FakeOpenedFile::ReadAll(std::initializer_list<ByteSink*> sinks) {
    files_.calls.push_back(L"read " + path_);
    for (ByteSink* sink : sinks)
        sink->Take(reinterpret_cast<const unsigned char*>(node_->content.data()),
                   node_->content.size());
}

FileStep FakeOpenedFile::Flush() {
    files_.calls.push_back(L"flush " + path_);
    if (auto failure = FakeFiles::Scripted(files_.flushFailures, path_))
        return *failure;
    return {handle_.access.write, false, handle_.access.write ? 0ul : kAccessDenied};
}

FileStep FakeOpenedFile::RenameTo(const std::wstring& target) {
    files_.calls.push_back(L"rename " + path_ + L" -> " + target);
    if (auto failure = FakeFiles::Scripted(files_.renameFailures, path_))
        return *failure;
    if (!handle_.access.remove)
        return {false, true, kAccessDenied};
    if (files_.Has(target)) {
        const Node& replaced = *files_.names[target];
        if (replaced.readOnly)
            return {false, true, kAccessDenied};
        if (!FakeFiles::Admits(replaced, {{false, false, true}, {}}))
            return kLocked;
    }
    files_.names.erase(files_.NameOf(*node_));
    files_.names[target] = node_;
    return {true};
}

const std::wstring kDir = L"C:\\Games\\";
const std::wstring kStaging = kDir + kStagingName;
const std::wstring kDirLauncher = kDir + L"dunmorelauncher.exe";
const std::wstring kDirUpdate = kDir + L"temp.data";
const std::uint32_t kNewCrc = CrcOf("new");
const FileDigests kAccepted{kNewCrc, 3, std::nullopt}; // what the check accepted: "new"

// Other programs' handles: a scanner or a running launcher that shares reading only, a writer
// that shares reading and writing, and one that shares nothing.
const Handle kReader{{true}, {true}};
const Handle kWriter{{false, true}, {true, true}};
const Handle kExclusive{{true}, {}};

// The current directory is the program directory: relative names and full names are one file.
// The fake keeps them apart, so each test names the files its road touches.
FakeFiles SameFolder() {
    FakeFiles fs;
    fs.Put(L"temp.data", "new");
    fs.Put(L"dunmorelauncher.exe", "old");
    return fs;
}

// The program directory apart from the current one, whose "temp.data" cannot be renamed: the
// fallback copies the program directory's "temp.data", holding `programDirectoryUpdate`.
FakeFiles FallbackFolder(const std::string& programDirectoryUpdate = "new") {
    FakeFiles fs;
    fs.Put(L"temp.data", "new");
    fs.Put(kDirUpdate, programDirectoryUpdate);
    fs.Put(kDirLauncher, "old");
    fs.renameFailures[L"temp.data"] = {kFailed};
    return fs;
}

// The check's open, then the swap of what it opened, as the update runs them.
void CheckThenSwap(FakeFiles& fs) {
    std::unique_ptr<OpenedFile> checked = OpenUpdateForCheck(fs, L"temp.data");
    ASSERT_EQ(Crc32Of(*checked), kNewCrc);
    SwapInUpdate(fs, std::move(checked), kDir, kAccepted);
}

long Count(const std::vector<std::wstring>& calls, const std::wstring& prefix) {
    return std::count_if(calls.begin(), calls.end(),
                         [&](const auto& call) { return call.rfind(prefix, 0) == 0; });
}

TEST(SingleThreadLauncherSwapTest, TheCheckedHandleReplacesTheLauncherInOneStep) {
    FakeFiles fs = SameFolder();
    CheckThenSwap(fs);
    EXPECT_EQ(fs.At(L"dunmorelauncher.exe"), "new");
    EXPECT_FALSE(fs.Has(L"temp.data"));
    EXPECT_EQ(fs.openHandles, 0);
    // The CRC is read from the opened file, whose data is on disk before it takes the name.
    EXPECT_EQ(fs.calls,
              (std::vector<std::wstring>{
                  L"clear read-only temp.data", L"open to install temp.data", L"read temp.data",
                  L"clear read-only dunmorelauncher.exe", L"flush temp.data",
                  L"rename temp.data -> dunmorelauncher.exe", L"close temp.data"}));
}

// Between the check and the rename, another program (anyone who can write the folder) tries to
// put other bytes into "temp.data": while the checked handle is open it cannot, by writing,
// replacing or removing the name.
TEST(SingleThreadLauncherSwapTest, NothingWrittenAfterTheCheckReachesTheLauncher) {
    FakeFiles fs = SameFolder();
    std::unique_ptr<OpenedFile> checked = OpenUpdateForCheck(fs, L"temp.data");
    const FileDigests digests = ReadDigests(*checked, nullptr);
    EXPECT_FALSE(fs.WrittenBy(L"temp.data", "forged"));
    fs.Remove(L"temp.data");
    EXPECT_EQ(fs.At(L"temp.data"), "new");
    SwapInUpdate(fs, std::move(checked), kDir, digests);
    EXPECT_EQ(fs.At(L"dunmorelauncher.exe"), "new");
    // Without the handle, the same write gets through: the refusal came from it.
    FakeFiles unheld = SameFolder();
    EXPECT_TRUE(unheld.WrittenBy(L"temp.data", "forged"));
}

// What another program holding "temp.data" leaves the check: a reader sharing reading lets it be
// read, not renamed, so the checked copy in the program directory is installed; a writer, or one
// that shares nothing, makes the open fail after a second of tries, as the check's file error.
TEST(SingleThreadLauncherSwapTest, HoldersOfTheUpdateFile) {
    struct Case {
        const char* name;
        Handle holder;
        bool opens;
    };
    const Case cases[] = {
        {"a reader sharing reading", kReader, true},
        {"a writer", kWriter, false},
        {"one that shares nothing", kExclusive, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeFiles fs;
        fs.Put(L"temp.data", "new");
        fs.Put(kDirUpdate, "new");
        fs.Put(kDirLauncher, "old");
        ASSERT_TRUE(fs.HeldBy(L"temp.data", c.holder));
        if (!c.opens) {
            EXPECT_THROW(OpenUpdateForCheck(fs, L"temp.data"), IoError);
            EXPECT_EQ(Count(fs.calls, L"open to read temp.data"), kSwapAttempts);
            EXPECT_EQ(Count(fs.calls, L"pause 200"), kSwapAttempts - 1);
            EXPECT_EQ(fs.openHandles, 0);
            continue;
        }
        std::unique_ptr<OpenedFile> checked = OpenUpdateForCheck(fs, L"temp.data");
        EXPECT_FALSE(checked->Installable());
        EXPECT_FALSE(fs.WrittenBy(L"temp.data", "forged")); // still no writer while it is read
        SwapInUpdate(fs, std::move(checked), kDir, kAccepted);
        EXPECT_EQ(fs.At(kDirLauncher), "new");
        EXPECT_EQ(fs.At(L"temp.data"), "new");
        EXPECT_FALSE(fs.Has(kStaging));
        EXPECT_EQ(Count(fs.calls, L"rename temp.data"), 0);
        EXPECT_EQ(fs.openHandles, 0);
    }
}

TEST(SingleThreadLauncherSwapTest, AMissingUpdateFileIsTheChecksFileErrorAtOnce) {
    FakeFiles fs;
    try {
        OpenUpdateForCheck(fs, L"temp.data");
        FAIL() << "opened a missing file";
    } catch (const IoError& error) {
        EXPECT_EQ(error.SystemCode(), kNotFound);
    }
    EXPECT_EQ(Count(fs.calls, L"pause"), 0);
}

// Read-only attributes would refuse the flush, the replace and the removal for ever: they are
// cleared on "temp.data", on both launchers and on the staging name before each is touched.
TEST(SingleThreadLauncherSwapTest, ReadOnlyFilesAreClearedBeforeTheyAreTouched) {
    FakeFiles first;
    first.Put(L"temp.data", "new", true);
    first.Put(L"dunmorelauncher.exe", "old", true);
    CheckThenSwap(first);
    EXPECT_EQ(first.At(L"dunmorelauncher.exe"), "new");

    // The fallback, from a read-only program-directory "temp.data", over a read-only stale staging
    // file and a read-only launcher.
    FakeFiles fallback;
    fallback.Put(L"temp.data", "new");
    fallback.Put(kDirUpdate, "new", true);
    fallback.Put(kDirLauncher, "old", true);
    fallback.Put(kStaging, "stale", true);
    fallback.renameFailures[L"temp.data"] = {kFailed};
    CheckThenSwap(fallback);
    EXPECT_EQ(fallback.At(kDirLauncher), "new");
    EXPECT_FALSE(fallback.Has(kStaging));
    EXPECT_EQ(fallback.At(kDirUpdate), "new");
    EXPECT_EQ(fallback.openHandles, 0);
}

TEST(SingleThreadLauncherSwapTest, TransientFailuresAreRetriedWithinAboutOneSecond) {
    FakeFiles fs = SameFolder();
    fs.renameFailures[L"temp.data"] = {kLocked, kLocked};
    CheckThenSwap(fs);
    EXPECT_EQ(fs.At(L"dunmorelauncher.exe"), "new");
    EXPECT_EQ(Count(fs.calls, L"rename temp.data -> dunmorelauncher.exe"), 3);
    EXPECT_EQ(Count(fs.calls, L"flush temp.data"), 3);
    EXPECT_EQ(Count(fs.calls, L"pause 200"), 2);
}

// A file that cannot be flushed is not renamed unflushed: the step fails like a refused rename.
TEST(SingleThreadLauncherSwapTest, AnUnflushedUpdateNeverTakesTheLaunchersName) {
    FakeFiles fs = SameFolder();
    fs.flushFailures[L"temp.data"] = {kLocked, kFailed};
    fs.Put(kDirUpdate, "other");
    CheckThenSwap(fs);
    EXPECT_EQ(fs.At(L"dunmorelauncher.exe"), "old");
    EXPECT_EQ(Count(fs.calls, L"rename temp.data"), 0);
    EXPECT_EQ(fs.openHandles, 0);
}

TEST(SingleThreadLauncherSwapTest, AFailedRenameIsRepairedByACheckedCopyInTheProgramDirectory) {
    FakeFiles fs = FallbackFolder();
    CheckThenSwap(fs);
    EXPECT_EQ(fs.At(kDirLauncher), "new");
    EXPECT_EQ(fs.At(kDirUpdate), "new"); // the update file stays after a copy
    EXPECT_FALSE(fs.Has(kStaging));
    const std::vector<std::wstring> fallback(
        std::find(fs.calls.begin(), fs.calls.end(), L"close temp.data"), fs.calls.end());
    EXPECT_EQ(fallback,
              (std::vector<std::wstring>{
                  L"close temp.data", L"clear read-only " + kStaging, L"remove " + kStaging,
                  L"copy " + kDirUpdate + L" -> " + kStaging, L"clear read-only " + kStaging,
                  L"open to install " + kStaging, L"flush " + kStaging,
                  L"clear read-only " + kDirLauncher, L"read " + kStaging,
                  L"rename " + kStaging + L" -> " + kDirLauncher, L"close " + kStaging}));
}

// A scanner opening the fresh copy can make its flush fail: the try removes its copy, so the next
// one can make a new file under the name.
TEST(SingleThreadLauncherSwapTest, AStagingFlushThatFailsOnceIsRetriedOnANewCopy) {
    FakeFiles fs = FallbackFolder();
    fs.flushFailures[kStaging] = {kLocked};
    CheckThenSwap(fs);
    EXPECT_EQ(fs.At(kDirLauncher), "new");
    EXPECT_EQ(Count(fs.calls, L"copy "), 2);
    EXPECT_FALSE(fs.Has(kStaging));
    EXPECT_EQ(fs.openHandles, 0);
}

// Nothing takes the launcher's name unless its CRC-32 is the one the check accepted: the program
// directory's "temp.data" may be another file than the one checked in the current directory, or
// change under the copy.
// A stand-in for the platform's SHA-256 (the real ones have tests of their own): the first 32
// bytes, zero-padded, so that "digests" of short texts are told apart.
class PrefixDigests final : public SignatureVerifier {
    class Sink final : public Sha256Sink {
    public:
        void Take(const unsigned char* data, std::size_t size) override {
            for (std::size_t i = 0; i < size && filled_ < digest_.size(); ++i)
                digest_[filled_++] = data[i];
        }
        std::optional<Sha256Digest> Finish() override { return digest_; }

    private:
        Sha256Digest digest_{};
        std::size_t filled_ = 0;
    };

public:
    std::unique_ptr<Sha256Sink> NewSha256() override { return std::make_unique<Sink>(); }
    bool VerifyP256(const P256PublicKey&, const Sha256Digest&, const P256Signature&) override {
        return false;
    }
};

// In a pinned build the check took the file's SHA-256 too: the fallback's copy must have it, not
// only the CRC-32 and length, which a forgery can match.
TEST(SingleThreadLauncherSwapTest, APinnedFallbackInstallsOnlyTheSignedSha256) {
    PrefixDigests digests;
    const auto digestOf = [&](const std::string& text) {
        return Sha256Of(digests, text.data(), text.size());
    };
    struct Case {
        const char* name;
        std::optional<Sha256Digest> accepted;
        const char* launcherAfter;
    };
    const Case cases[] = {
        {"the SHA-256 the check took", digestOf("new"), "new"},
        {"another file's SHA-256 (same CRC-32 and length)", digestOf("old"), "old"},
        {"a build without keys: CRC-32 and length alone", std::nullopt, "new"},
    };
    for (const Case& c : cases) {
        FakeFiles fs = FallbackFolder();
        const FileDigests accepted{kNewCrc, 3, c.accepted};
        SwapInUpdate(fs, OpenUpdateForCheck(fs, L"temp.data"), kDir, accepted, &digests);
        EXPECT_EQ(fs.At(kDirLauncher), c.launcherAfter) << c.name;
        EXPECT_FALSE(fs.Has(kStaging)) << c.name;
    }
}

TEST(SingleThreadLauncherSwapTest, OnlyTheAcceptedBytesTakeTheLaunchersName) {
    struct Case {
        const char* name;
        const char* programDirectoryUpdate;
        bool alteredAfterCopy;
        const char* launcherAfter;
    };
    const Case cases[] = {
        {"equal file", "new", false, "new"},
        {"different file", "forged", false, "old"},
        {"staging copy altered after the copy", "new", true, "old"},
    };
    for (const Case& c : cases) {
        FakeFiles fs;
        fs.Put(L"temp.data", "new");
        fs.Put(kDirUpdate, c.programDirectoryUpdate);
        fs.Put(kDirLauncher, "old");
        // The checked file is held by a reader: it can be read, not renamed.
        ASSERT_TRUE(fs.HeldBy(L"temp.data", kReader));
        if (c.alteredAfterCopy)
            fs.afterCopy = [](FakeFiles& f) { f.WrittenBy(kStaging, "forged"); };
        CheckThenSwap(fs);
        EXPECT_EQ(fs.At(kDirLauncher), c.launcherAfter) << c.name;
        EXPECT_FALSE(fs.Has(kStaging)) << c.name;
        EXPECT_EQ(fs.openHandles, 0) << c.name;
    }
}

// Whatever stands under the staging name (a stale copy, or a link a user planted there to have a
// file elsewhere overwritten) is removed, and the copy makes a new file.
TEST(SingleThreadLauncherSwapTest, APlantedStagingNameIsRemovedNotWrittenThrough) {
    FakeFiles fs = FallbackFolder();
    fs.Put(kStaging, "planted");
    CheckThenSwap(fs);
    EXPECT_EQ(fs.At(kDirLauncher), "new");
    const auto removal = std::find(fs.calls.begin(), fs.calls.end(), L"remove " + kStaging);
    const auto copy = std::find_if(fs.calls.begin(), fs.calls.end(),
                                   [](const auto& call) { return call.rfind(L"copy", 0) == 0; });
    ASSERT_NE(removal, fs.calls.end());
    EXPECT_LT(removal, copy);
}

TEST(SingleThreadLauncherSwapTest, WhenEverythingFailsTheOldLauncherStaysWhole) {
    struct Case {
        const char* name;
        bool copyFails;
    };
    for (const Case c : {Case{"copy fails", true}, Case{"launcher locked", false}}) {
        FakeFiles fs;
        fs.Put(L"temp.data", "new");
        fs.Put(kDirUpdate, "new");
        fs.Put(kDirLauncher, "old");
        fs.Put(L"dunmorelauncher.exe", "old");
        // A running launcher: every replace of it is refused, however often it is tried.
        ASSERT_TRUE(fs.HeldBy(kDirLauncher, kReader));
        ASSERT_TRUE(fs.HeldBy(L"dunmorelauncher.exe", kReader));
        if (c.copyFails)
            fs.copyFailures[kStaging] = {kFailed};
        CheckThenSwap(fs);
        EXPECT_EQ(fs.At(kDirLauncher), "old") << c.name;
        EXPECT_EQ(fs.At(L"dunmorelauncher.exe"), "old") << c.name;
        EXPECT_FALSE(fs.Has(kStaging)) << c.name; // nothing half-done left
        EXPECT_EQ(fs.calls.back(), L"remove " + kStaging) << c.name;
        EXPECT_EQ(Count(fs.calls, L"rename"), c.copyFails ? kSwapAttempts : 2 * kSwapAttempts)
            << c.name;
        EXPECT_EQ(fs.openHandles, 0) << c.name;
    }
}

TEST(VersionStampTest, DayMonthYearThenTheTimeOnTheTwentyFourHourClock) {
    EXPECT_EQ(FormatVersionStamp({.year = 2019, .month = 4, .day = 16},
                                 {.hour = 13, .minute = 42, .second = 30}),
              L"16042019134230");
    EXPECT_EQ(FormatVersionStamp({.year = 2026, .month = 1, .day = 1}, {}), L"01012026000000");
    EXPECT_EQ(FormatVersionStamp({.year = 999, .month = 12, .day = 31},
                                 {.hour = 23, .minute = 59, .second = 59}),
              L"31120999235959");
    // The date is the first reading's, the time the second's: around midnight they differ.
    const ClockReading before{2019, 4, 16, 23, 59, 59};
    const ClockReading after{2019, 4, 17, 0, 0, 0};
    EXPECT_EQ(FormatVersionStamp(before, after), L"16042019000000");
}

} // namespace
} // namespace veyra
