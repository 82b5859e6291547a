// The program writes into the game folder with administrator rights; a user who can write that
// folder may plant a link under a name it writes (the staging copy, the error log) to have a file
// elsewhere overwritten. Neither is written through.
#include "support/IoError.h"
#include "support/WinHandle_win.h"
#include "support/uCRC32.h"
#include "support/uLogSystem_win.h"
#include "update/LauncherSwap.h"
#include "update/UpdateFiles_win.h"

#include "TestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace veyra {
namespace {

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    ASSERT_TRUE(test::WriteBytes(path, bytes));
}

// The kinds of link a user may plant: a hard link, and a symbolic link where the system lets this
// process make one (Windows asks for a privilege or developer mode; Wine may lack them).
enum class LinkKind { hard, symbolic };

// Makes `name` a link of `kind` to `target`; false when the system refuses, or makes a symbolic
// link that it then does not show as one (Wine 8 makes a name it reports as missing).
bool Plant(LinkKind kind, const std::wstring& name, const std::wstring& target) {
    if (kind == LinkKind::hard)
        return ::CreateHardLinkW(name.c_str(), target.c_str(), nullptr) != 0;
    if (!::CreateSymbolicLinkW(name.c_str(), target.c_str(), 0))
        return false;
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

const char* KindName(LinkKind kind) {
    return kind == LinkKind::hard ? "hard link" : "symbolic link";
}

class PlantedLinkTest : public testing::TestWithParam<LinkKind> {
protected:
    void SetUp() override {
        WriteBytes(victim_, "a file elsewhere");
        ASSERT_EQ(test::ReadBytes(victim_), "a file elsewhere");
    }
    // Plants `name` as a link to the victim, or skips where the system cannot make the kind.
    void PlantOrSkip(const std::wstring& name) {
        if (!Plant(GetParam(), name, victim_))
            GTEST_SKIP() << "this system does not let the test make a " << KindName(GetParam())
                         << " it shows as one (error " << ::GetLastError() << ")";
    }

    test::ScratchDir elsewhere_;
    test::ScratchDir game_;
    const std::wstring victim_ = elsewhere_.Path() + L"victim.txt";
};

TEST_P(PlantedLinkTest, TheStagingCopyIsANewFileNotWrittenThroughAPlantedName) {
    const std::string update = "the update's bytes";
    WriteBytes(game_.Path() + L"temp.data", update);
    WriteBytes(game_.Path() + L"dunmorelauncher.exe", "old launcher");
    PlantOrSkip(game_.Path() + kStagingName);
    if (IsSkipped())
        return;
    // No checked file could be installed through its handle: the fallback copies.
    test::ScratchDir current;
    wchar_t previous[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(::SetCurrentDirectoryW(current.Path().c_str()));
    Win32UpdateFileSystem files;
    const std::uint32_t crc =
        ~CRC32Update(0xFFFFFFFF, update.data(), static_cast<std::uint16_t>(update.size()));
    SwapInUpdate(files, nullptr, game_.Path(), {crc, update.size(), std::nullopt});
    ::SetCurrentDirectoryW(previous);

    EXPECT_EQ(test::ReadBytes(victim_), "a file elsewhere") << KindName(GetParam());
    EXPECT_EQ(test::ReadBytes(game_.Path() + L"dunmorelauncher.exe"), update);
    EXPECT_FALSE(test::ReadBytes(game_.Path() + kStagingName).has_value());
}

TEST_P(PlantedLinkTest, TheErrorLogIsNotWrittenThroughAPlantedName) {
    const std::wstring log = game_.Path() + L"VeyraLauncher.err";
    PlantOrSkip(log);
    if (IsSkipped())
        return;
    EXPECT_THROW(AppendLogLine(log, L"VeyraLauncher falha"), IoError) << KindName(GetParam());
    EXPECT_EQ(test::ReadBytes(victim_), "a file elsewhere") << KindName(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Kinds, PlantedLinkTest,
                         testing::Values(LinkKind::hard, LinkKind::symbolic),
                         [](const testing::TestParamInfo<LinkKind>& param) {
                             return param.param == LinkKind::hard ? "HardLink" : "SymbolicLink";
                         });

} // namespace
} // namespace veyra
