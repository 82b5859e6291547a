#include "support/ProgramDirectory.h"

#include <gtest/gtest.h>

namespace veyra {
namespace {

TEST(DirectoryPartTest, KeepsTheTrailingSeparator) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"C:\\Games\\Dunmore\\VeyraLauncher.exe", L"C:\\Games\\Dunmore\\"},
        {L"\\\\server\\share\\VeyraLauncher.exe", L"\\\\server\\share\\"},
        {L"C:VeyraLauncher.exe", L"C:"},
        {L"/home/user/game/VeyraLauncher.exe", L"/home/user/game/"},
        {L"C:\\", L"C:\\"},
        {L"VeyraLauncher.exe", L""},
        {L"", L""},
    };
    for (const auto& [path, directory] : cases)
        EXPECT_EQ(DirectoryPart(path), directory) << ::testing::PrintToString(std::wstring(path));
}

} // namespace
} // namespace veyra
