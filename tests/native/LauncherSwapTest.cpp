#include "update/LauncherSwap.h"
#include "support/uCRC32.h"
#include "update/VersionStamp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace veyra {
namespace {

// The CRC-32 of a file's content, as the swap is given it by the check.
std::uint32_t CrcOf(const std::string& content) {
    return ~CRC32Update(0xFFFFFFFF, content.data(), static_cast<std::uint16_t>(content.size()));
}

// Files by name with their content; scripted failures per operation, consumed in order, and a
// record of every call.
class FakeFiles final : public SwapFileSystem {
public:
    std::map<std::wstring, std::string> files;
    std::map<std::wstring, std::deque<FileStep>> replaceFailures; // by source name
    std::map<std::wstring, std::deque<FileStep>> copyFailures;    // by target name
    std::map<std::wstring, std::deque<FileStep>> flushFailures;   // by name
    std::function<void(FakeFiles&)> afterCopy;                    // another program's doing
    std::vector<std::wstring> calls;

    FileStep Replace(const std::wstring& source, const std::wstring& target) override {
        calls.push_back(L"replace " + source + L" -> " + target);
        if (auto failure = Scripted(replaceFailures, source))
            return *failure;
        if (!files.count(source))
            return {};
        files[target] = files[source];
        files.erase(source);
        return {true, false};
    }
    FileStep Copy(const std::wstring& source, const std::wstring& target) override {
        calls.push_back(L"copy " + source + L" -> " + target);
        if (auto failure = Scripted(copyFailures, target))
            return *failure;
        // Like the real one: a new file, never written through an existing name.
        if (!files.count(source) || files.count(target))
            return {};
        files[target] = files[source];
        if (afterCopy)
            afterCopy(*this);
        return {true, false};
    }
    FileStep Flush(const std::wstring& path) override {
        calls.push_back(L"flush " + path);
        if (auto failure = Scripted(flushFailures, path))
            return *failure;
        return {files.count(path) > 0, false};
    }
    std::optional<std::uint32_t> Crc32(const std::wstring& path) override {
        calls.push_back(L"crc " + path);
        if (!files.count(path))
            return std::nullopt;
        return CrcOf(files[path]);
    }
    void Remove(const std::wstring& path) override {
        calls.push_back(L"remove " + path);
        files.erase(path);
    }
    void Pause(unsigned ms) override { calls.push_back(L"pause " + std::to_wstring(ms)); }

private:
    static std::optional<FileStep> Scripted(std::map<std::wstring, std::deque<FileStep>>& script,
                                            const std::wstring& key) {
        auto it = script.find(key);
        if (it == script.end() || it->second.empty())
            return std::nullopt;
        FileStep step = it->second.front();
        it->second.pop_front();
        return step;
    }
};

const std::wstring kDir = L"C:\\Games\\";
const std::uint32_t kNewCrc = CrcOf("new"); // what the check accepted
const FileStep kLocked{false, true};
const FileStep kFailed{false, false};

// The current directory is the program directory: relative names and full names are one file.
// The fake keeps them apart, so each test names the files its road touches.
FakeFiles SameFolder() {
    FakeFiles fs;
    fs.files = {{L"temp.data", "new"}, {L"dunmorelauncher.exe", "old"}};
    return fs;
}

TEST(LauncherSwapTest, TheMoveReplacesTheLauncherInOneStep) {
    FakeFiles fs = SameFolder();
    SwapInUpdate(fs, kDir, kNewCrc);
    EXPECT_EQ(fs.files, (std::map<std::wstring, std::string>{{L"dunmorelauncher.exe", "new"}}));
    // The data is on disk before the name takes it.
    EXPECT_EQ(fs.calls, (std::vector<std::wstring>{L"flush temp.data",
                                                   L"replace temp.data -> dunmorelauncher.exe"}));
}

TEST(LauncherSwapTest, TransientFailuresAreRetriedWithinAboutOneSecond) {
    FakeFiles fs = SameFolder();
    fs.replaceFailures[L"temp.data"] = {kLocked, kLocked};
    SwapInUpdate(fs, kDir, kNewCrc);
    EXPECT_EQ(fs.files.at(L"dunmorelauncher.exe"), "new");
    EXPECT_EQ(fs.calls,
              (std::vector<std::wstring>{
                  L"flush temp.data", L"replace temp.data -> dunmorelauncher.exe", L"pause 200",
                  L"flush temp.data", L"replace temp.data -> dunmorelauncher.exe", L"pause 200",
                  L"flush temp.data", L"replace temp.data -> dunmorelauncher.exe"}));
}

// A file that cannot be flushed (held open by another program) is not renamed unflushed: the
// step fails like a refused move, and is tried again.
TEST(LauncherSwapTest, AnUnflushedUpdateNeverTakesTheLaunchersName) {
    FakeFiles fs = SameFolder();
    fs.flushFailures[L"temp.data"] = {kLocked, kFailed};
    fs.files[kDir + L"temp.data"] = "other";
    SwapInUpdate(fs, kDir, kNewCrc);
    EXPECT_EQ(fs.files.at(L"dunmorelauncher.exe"), "old");
    const auto renamedTempData =
        std::count(fs.calls.begin(), fs.calls.end(), L"replace temp.data -> dunmorelauncher.exe");
    EXPECT_EQ(renamedTempData, 0);
}

TEST(LauncherSwapTest, AFailedMoveIsRepairedByACopyInTheProgramDirectory) {
    FakeFiles fs;
    fs.files = {{L"temp.data", "new"},
                {kDir + L"temp.data", "new"},
                {kDir + L"dunmorelauncher.exe", "old"}};
    fs.replaceFailures[L"temp.data"] = {kFailed};
    SwapInUpdate(fs, kDir, kNewCrc);
    EXPECT_EQ(fs.files.at(kDir + L"dunmorelauncher.exe"), "new");
    EXPECT_EQ(fs.files.count(kDir + L"temp.data"), 1u); // the update file stays after a copy
    EXPECT_EQ(fs.files.count(kDir + kStagingName), 0u);
    EXPECT_EQ(fs.calls, (std::vector<std::wstring>{
                            L"flush temp.data", L"replace temp.data -> dunmorelauncher.exe",
                            L"remove C:\\Games\\dunmorelauncher.exe.new",
                            L"copy C:\\Games\\temp.data -> C:\\Games\\dunmorelauncher.exe.new",
                            L"crc C:\\Games\\dunmorelauncher.exe.new",
                            L"replace C:\\Games\\dunmorelauncher.exe.new -> "
                            L"C:\\Games\\dunmorelauncher.exe"}));
}

// Nothing takes the launcher's name unless its CRC-32 is the one the check accepted: the program
// directory's "temp.data" may be another file than the one checked in the current directory, or
// change under the copy.
TEST(LauncherSwapTest, OnlyTheAcceptedBytesTakeTheLaunchersName) {
    struct Case {
        const char* name;
        bool sameDirectory;
        const char* programDirectoryUpdate;
        bool alteredAfterCopy;
        const char* launcherAfter;
    };
    const Case cases[] = {
        {"same directory", true, "", false, "new"},
        {"other directory, equal file", false, "new", false, "new"},
        {"other directory, different file", false, "forged", false, "old"},
        {"staging copy altered after the copy", false, "new", true, "old"},
    };
    for (const Case& c : cases) {
        FakeFiles fs;
        if (c.sameDirectory) {
            fs = SameFolder();
        } else {
            fs.files = {{L"temp.data", "new"},
                        {kDir + L"temp.data", c.programDirectoryUpdate},
                        {kDir + L"dunmorelauncher.exe", "old"}};
            // The checked file is held open: it can be read, not moved.
            fs.replaceFailures[L"temp.data"] = {kFailed};
        }
        if (c.alteredAfterCopy)
            fs.afterCopy = [](FakeFiles& f) { f.files[kDir + kStagingName] = "forged"; };
        SwapInUpdate(fs, kDir, kNewCrc);
        const std::wstring launcher =
            c.sameDirectory ? L"dunmorelauncher.exe" : kDir + L"dunmorelauncher.exe";
        EXPECT_EQ(fs.files.at(launcher), c.launcherAfter) << c.name;
        EXPECT_EQ(fs.files.count(kDir + kStagingName), 0u) << c.name;
    }
}

// Whatever stands under the staging name (a stale copy, or a link a user planted there to have a
// file elsewhere overwritten) is removed, and the copy makes a new file.
TEST(LauncherSwapTest, APlantedStagingNameIsRemovedNotWrittenThrough) {
    FakeFiles fs;
    fs.files = {{L"temp.data", "new"},
                {kDir + L"temp.data", "new"},
                {kDir + L"dunmorelauncher.exe", "old"},
                {kDir + kStagingName, "planted"}};
    fs.replaceFailures[L"temp.data"] = {kFailed};
    SwapInUpdate(fs, kDir, kNewCrc);
    EXPECT_EQ(fs.files.at(kDir + L"dunmorelauncher.exe"), "new");
    const auto removal =
        std::find(fs.calls.begin(), fs.calls.end(), L"remove " + kDir + kStagingName);
    const auto copy = std::find_if(fs.calls.begin(), fs.calls.end(),
                                   [](const auto& call) { return call.rfind(L"copy", 0) == 0; });
    ASSERT_NE(removal, fs.calls.end());
    EXPECT_LT(removal, copy);
}

TEST(LauncherSwapTest, WhenEverythingFailsTheOldLauncherStaysWhole) {
    struct Case {
        const char* name;
        bool copyFails;
    };
    for (const Case c : {Case{"copy fails", true}, Case{"launcher locked", false}}) {
        FakeFiles fs;
        fs.files = {{L"temp.data", "new"},
                    {kDir + L"temp.data", "new"},
                    {kDir + L"dunmorelauncher.exe", "old"},
                    {L"dunmorelauncher.exe", "old"}};
        // A running launcher: every replace of it is refused, however often it is tried.
        fs.replaceFailures[L"temp.data"] = std::deque<FileStep>(kSwapAttempts, kLocked);
        fs.replaceFailures[kDir + kStagingName] = std::deque<FileStep>(kSwapAttempts, kLocked);
        if (c.copyFails)
            fs.copyFailures[kDir + kStagingName] = {kFailed};
        SwapInUpdate(fs, kDir, kNewCrc);
        EXPECT_EQ(fs.files.at(kDir + L"dunmorelauncher.exe"), "old") << c.name;
        EXPECT_EQ(fs.files.at(L"dunmorelauncher.exe"), "old") << c.name;
        EXPECT_EQ(fs.files.count(kDir + kStagingName), 0u) << c.name; // nothing half-done left
        EXPECT_EQ(fs.calls.back(), L"remove " + kDir + kStagingName) << c.name;
        const auto replaces = std::count_if(fs.calls.begin(), fs.calls.end(), [](const auto& call) {
            return call.rfind(L"replace", 0) == 0;
        });
        EXPECT_EQ(replaces, c.copyFails ? kSwapAttempts : 2 * kSwapAttempts) << c.name;
    }
}

TEST(VersionStampTest, DayMonthYearThenTheTimeOnTheTwentyFourHourClock) {
    EXPECT_EQ(FormatVersionStamp({16, 4, 2019}, {13, 42, 30}), L"16042019134230");
    EXPECT_EQ(FormatVersionStamp({1, 1, 2026}, {0, 0, 0}), L"01012026000000");
    EXPECT_EQ(FormatVersionStamp({31, 12, 999}, {23, 59, 59}), L"31120999235959");
}

} // namespace
} // namespace veyra
