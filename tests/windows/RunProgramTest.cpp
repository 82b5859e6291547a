#include "support/AppTermination.h"
#include "support/uRun_win.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>

namespace veyra {
namespace {

using namespace std::chrono_literals;

// Starts the fake launcher with a private record file and reads what it recorded.
class RunProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        record_ = scratch_.Path() + L"record.txt";
        ::SetEnvironmentVariableW(L"FAKE_LAUNCHER_RECORD", record_.c_str());
    }
    void TearDown() override { ::SetEnvironmentVariableW(L"FAKE_LAUNCHER_RECORD", nullptr); }

    static std::wstring Launcher() { return test::TestDirectory() + L"fake_launcher.exe"; }
    std::string Record(std::chrono::milliseconds limit = 10s) const {
        return test::WaitForBytes(record_, limit).value_or("<nothing recorded>");
    }

    test::ScratchDir scratch_;
    std::wstring record_;
};

TEST_F(RunProgramTest, WaitReturnsTheProgramsExitCodeAndPassesParameters) {
    EXPECT_EQ(RunProgram(nullptr, Launcher(), L"--exit=42 x", rfWait), 42);
    const std::string record = Record();
    EXPECT_NE(record.find("tail=[ --exit=42 x]"), std::string::npos) << record;
    EXPECT_NE(record.find("show=1\n"), std::string::npos) << record; // SW_SHOWNORMAL
}

TEST_F(RunProgramTest, HiddenFlagShowsWithSwHide) {
    EXPECT_EQ(RunProgram(nullptr, Launcher(), L"", rfWait | rfHidden), 0);
    EXPECT_NE(Record().find("show=0\n"), std::string::npos) << Record();
}

TEST_F(RunProgramTest, EmptyParametersPassNothingAtAll) {
    EXPECT_EQ(RunProgram(nullptr, Launcher(), L"", rfWait), 0);
    EXPECT_NE(Record().find("tail=[]"), std::string::npos) << Record();
}

TEST_F(RunProgramTest, WithoutWaitReturnsZeroAtOnce) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunProgram(nullptr, Launcher(), L"--sleep=3000 --exit=5", 0), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2500ms);
    EXPECT_NE(Record().find("started"), std::string::npos);
}

TEST_F(RunProgramTest, AMissingProgramGivesMinusOne) {
    EXPECT_EQ(RunProgram(nullptr, scratch_.Path() + L"no-such-program.exe", L"", rfWait), -1);
    EXPECT_EQ(RunProgram(nullptr, scratch_.Path() + L"no-such-program.exe", L"", rfElevate), -1);
}

TEST_F(RunProgramTest, WaitGivesUp259OnceTheMessageLoopIsEnding) {
    MarkApplicationTerminated();
    const auto start = std::chrono::steady_clock::now();
    const auto result = RunProgram(nullptr, Launcher(), L"--sleep=4000", rfWait);
    ClearApplicationTerminated();
    EXPECT_EQ(result, 259);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3000ms);
}

TEST_F(RunProgramTest, ElevatedStartWorksWithUacOnAndOff) {
    for (const DWORD enableLua : {DWORD{1}, DWORD{0}}) {
        const test::EnableLuaOverride policy(enableLua);
        EXPECT_EQ(RunProgram(nullptr, Launcher(), L"--exit=3", rfElevate | rfWait), 3)
            << "EnableLUA " << enableLua;
    }
}

TEST(MakeExecuteInfoTest, FillsTheShellRecord) {
    const std::wstring file = L"C:\\Games\\dunmorelauncher.exe";
    const std::wstring none;
    const std::wstring some = L"-x";
    const HWND owner = reinterpret_cast<HWND>(0x1234);

    const SHELLEXECUTEINFOW plain = MakeExecuteInfo(owner, file, none, rfElevate, false);
    EXPECT_EQ(plain.cbSize, sizeof(SHELLEXECUTEINFOW));
    EXPECT_EQ(plain.hwnd, owner);
    EXPECT_EQ(plain.fMask, ULONG{SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC});
    EXPECT_EQ(plain.lpVerb, nullptr);
    EXPECT_EQ(plain.lpFile, file.c_str());
    EXPECT_EQ(plain.lpParameters, nullptr); // not an empty string
    EXPECT_EQ(plain.lpDirectory, nullptr);
    EXPECT_EQ(plain.nShow, SW_SHOWNORMAL);

    const SHELLEXECUTEINFOW elevated =
        MakeExecuteInfo(owner, file, some, rfElevate | rfHidden, true);
    ASSERT_NE(elevated.lpVerb, nullptr);
    EXPECT_STREQ(elevated.lpVerb, L"runas");
    EXPECT_EQ(elevated.lpParameters, some.c_str());
    EXPECT_EQ(elevated.nShow, SW_HIDE);
}

TEST(IsUACEnabledTest, FollowsTheEnableLuaPolicyValue) {
    {
        const test::EnableLuaOverride policy(DWORD{1});
        EXPECT_TRUE(IsUACEnabled());
    }
    {
        const test::EnableLuaOverride policy(DWORD{0});
        EXPECT_FALSE(IsUACEnabled());
    }
    {
        const test::EnableLuaOverride policy(std::nullopt);
        EXPECT_FALSE(IsUACEnabled());
    }
}

TEST(IsUACEnabledTest, AValueOfAnotherTypeIsAnError) {
    test::EnableLuaOverride policy(DWORD{1});
    policy.SetText(L"1");
    EXPECT_THROW(IsUACEnabled(), RegistryError);
    EXPECT_THROW(RunProgram(nullptr, L"x.exe", L"", rfElevate), RegistryError);
    EXPECT_EQ(RunProgram(nullptr, L"no-such-program.exe", L"", 0),
              -1); // not read without rfElevate
}

} // namespace
} // namespace veyra
