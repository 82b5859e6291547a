// The update's file operations on the real file system: the checked handle keeps everybody else
// from changing "temp.data" and renames it over the launcher; read-only attributes and planted
// links do not wedge or redirect the swap.
#include "support/IoError.h"
#include "support/WinHandle_win.h"
#include "support/uCRC32.h"
#include "update/LauncherSwap.h"
#include "update/UpdateFileOpen.h"
#include "update/UpdateFiles_win.h"

#include "TestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace veyra {
namespace {

void WriteBytes(const std::wstring& path, const std::string& bytes, DWORD attributes = 0) {
    ASSERT_TRUE(test::WriteBytes(path, bytes));
    if (attributes) {
        ASSERT_TRUE(::SetFileAttributesW(path.c_str(), attributes));
    }
}

bool IsReadOnly(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

// Another program's open of `path`; the error it met when it failed.
struct OtherOpen {
    UniqueHandle handle;
    DWORD error = 0;
};
OtherOpen OpenAsAnother(const std::wstring& path, DWORD access, DWORD share) {
    OtherOpen other;
    other.handle = AdoptFileHandle(
        ::CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!other.handle)
        other.error = ::GetLastError();
    return other;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The current directory for one test, put back at the end.
class InDirectory {
public:
    explicit InDirectory(const std::wstring& path) {
        ::GetCurrentDirectoryW(MAX_PATH, previous_);
        ::SetCurrentDirectoryW(path.c_str());
    }
    ~InDirectory() { ::SetCurrentDirectoryW(previous_); }

private:
    wchar_t previous_[MAX_PATH] = {};
};

std::uint32_t CrcOf(const std::string& bytes) {
    Crc32Sink crc;
    crc.Take(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    return crc.Value();
}

class UpdateFilesTest : public testing::Test {
protected:
    test::ScratchDir game_;
    const std::wstring update_ = game_.Path() + L"temp.data";
    const std::wstring launcher_ = game_.Path() + L"dunmorelauncher.exe";
    Win32UpdateFileSystem files_;
};

TEST_F(UpdateFilesTest, TheCheckedHandleRefusesOthersAndRenamesTheFileOverTheLauncher) {
    WriteBytes(update_, "the checked bytes");
    WriteBytes(launcher_, "old launcher");
    InDirectory inGame(game_.Path());
    std::unique_ptr<OpenedFile> checked = OpenUpdateForCheck(files_, L"temp.data");
    EXPECT_TRUE(checked->Installable());
    EXPECT_EQ(Crc32Of(*checked), CrcOf("the checked bytes"));

    // Nobody else can write, remove or rename it while it is open.
    EXPECT_EQ(OpenAsAnother(update_, GENERIC_WRITE, kShareAll).error, ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(::DeleteFileW(update_.c_str()));
    EXPECT_FALSE(::MoveFileExW(update_.c_str(), (game_.Path() + L"elsewhere").c_str(), 0));
    // Readers that share writing and removal still may (a scanner).
    EXPECT_TRUE(OpenAsAnother(update_, GENERIC_READ, kShareAll).handle);

    EXPECT_TRUE(checked->Flush().ok);
    const FileStep renamed = checked->RenameTo(L"dunmorelauncher.exe");
    EXPECT_TRUE(renamed.ok) << "FileRenameInfo by handle: system error " << renamed.systemCode;
    checked.reset();
    EXPECT_EQ(test::ReadBytes(launcher_), "the checked bytes");
    EXPECT_FALSE(test::ReadBytes(update_).has_value());
}

// What another program holding "temp.data" leaves the check: a reader sharing reading lets it be
// read (and renamed by nobody), a writer or a holder sharing nothing makes the open fail.
TEST_F(UpdateFilesTest, HoldersOfTheUpdateFile) {
    struct Case {
        const char* name;
        DWORD access, share;
        bool opens;
    };
    const Case cases[] = {
        {"a reader sharing reading", GENERIC_READ, FILE_SHARE_READ, true},
        {"a writer sharing reading and writing", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
         false},
        {"a holder sharing nothing", GENERIC_READ, 0, false},
    };
    WriteBytes(update_, "the update");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const OtherOpen holder = OpenAsAnother(update_, c.access, c.share);
        ASSERT_TRUE(holder.handle);
        if (!c.opens) {
            EXPECT_THROW(OpenUpdateForCheck(files_, update_), IoError);
            continue;
        }
        std::unique_ptr<OpenedFile> checked = OpenUpdateForCheck(files_, update_);
        EXPECT_FALSE(checked->Installable());
        EXPECT_EQ(Crc32Of(*checked), CrcOf("the update"));
        EXPECT_EQ(OpenAsAnother(update_, GENERIC_WRITE, kShareAll).error, ERROR_SHARING_VIOLATION);
    }
}

TEST_F(UpdateFilesTest, AReadOnlyUpdateIsClearedAndOpenedToInstall) {
    WriteBytes(update_, "the update", FILE_ATTRIBUTE_READONLY);
    std::unique_ptr<OpenedFile> checked = OpenUpdateForCheck(files_, update_);
    EXPECT_FALSE(IsReadOnly(update_));
    EXPECT_TRUE(checked->Installable());
}

// The fallback from a read-only "temp.data" over a read-only stale staging file and a read-only
// launcher: every one is cleared, so the copy is made, flushed and takes the launcher's name.
TEST_F(UpdateFilesTest, ReadOnlyFilesDoNotWedgeTheFallback) {
    const std::string update = "the update";
    WriteBytes(update_, update, FILE_ATTRIBUTE_READONLY);
    WriteBytes(launcher_, "old launcher", FILE_ATTRIBUTE_READONLY);
    const std::wstring staging = game_.Path() + kStagingName;
    WriteBytes(staging, "stale", FILE_ATTRIBUTE_READONLY);
    SwapInUpdate(files_, nullptr, game_.Path(), {CrcOf(update), update.size(), std::nullopt});
    EXPECT_EQ(test::ReadBytes(launcher_), update);
    EXPECT_FALSE(test::ReadBytes(staging).has_value());
    EXPECT_EQ(test::ReadBytes(update_), update);
}

// A file with a second name could be changed through it once installed: it is read, not renamed.
TEST_F(UpdateFilesTest, AHardLinkedUpdateIsNotInstalledThroughItsHandle) {
    WriteBytes(update_, "the update");
    test::ScratchDir elsewhere;
    const std::wstring other = elsewhere.Path() + L"second-name";
    if (!::CreateHardLinkW(other.c_str(), update_.c_str(), nullptr))
        GTEST_SKIP() << "no hard links here (error " << ::GetLastError() << ")";
    std::unique_ptr<OpenedFile> checked = OpenUpdateForCheck(files_, update_);
    EXPECT_FALSE(checked->Installable());
}

// A symbolic link's own data is not the file it names: it is not opened for the check at all.
TEST_F(UpdateFilesTest, ASymbolicLinkIsNotOpenedForTheCheck) {
    test::ScratchDir elsewhere;
    const std::wstring target = elsewhere.Path() + L"target";
    WriteBytes(target, "a file elsewhere");
    const bool made = ::CreateSymbolicLinkW(update_.c_str(), target.c_str(), 0);
    const DWORD attributes = ::GetFileAttributesW(update_.c_str());
    if (!made || attributes == INVALID_FILE_ATTRIBUTES ||
        !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        GTEST_SKIP() << "this system does not let the test make a symbolic link it shows as one";
    EXPECT_THROW(OpenUpdateForCheck(files_, update_), IoError);
}

} // namespace
} // namespace veyra
