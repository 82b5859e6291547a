#include "support/Files_win.h"
#include "support/WinHandle_win.h"

#include "TestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace veyra {
namespace {

TEST(FilesTest, ProgramDirectoryIsTheFolderOfTheProgramsOwnFile) {
    const std::wstring directory = ProgramDirectory();
    ASSERT_FALSE(directory.empty());
    EXPECT_EQ(directory.back(), L'\\');
    EXPECT_TRUE(FileExists(directory + L"veyra_win_tests.exe"));
    // Not the working directory: change it and the answer stays.
    test::ScratchDir elsewhere;
    wchar_t previous[MAX_PATH * 4];
    ::GetCurrentDirectoryW(MAX_PATH * 4, previous);
    ASSERT_TRUE(::SetCurrentDirectoryW(elsewhere.Path().c_str()));
    EXPECT_EQ(ProgramDirectory(), directory);
    ::SetCurrentDirectoryW(previous);
}

TEST(FilesTest, FileExistsOnlyForFiles) {
    test::ScratchDir scratch;
    const std::wstring file = scratch.Path() + L"dunmorelauncher.exe";
    const std::wstring folder = scratch.Path() + L"temp.data";
    EXPECT_FALSE(FileExists(file));
    ASSERT_TRUE(AdoptFileHandle(
        ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr)));
    EXPECT_TRUE(FileExists(file));
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    EXPECT_FALSE(FileExists(folder)); // a folder of the name does not count
    EXPECT_FALSE(FileExists(L""));
}

} // namespace
} // namespace veyra
