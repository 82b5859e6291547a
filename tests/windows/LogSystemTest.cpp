#include "support/IoError.h"
#include "support/WinHandle_win.h"
#include "support/uLogSystem_win.h"

#include "TestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>

namespace veyra {
namespace {

// Every test starts and ends without a log beside the test program.
class LogFileTest : public ::testing::Test {
protected:
    void SetUp() override { ::DeleteFileW(path_.c_str()); }
    void TearDown() override { ::DeleteFileW(path_.c_str()); }

    void Seed(const std::string& bytes) const {
        const UniqueHandle file =
            AdoptFileHandle(::CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                &written, nullptr));
        ASSERT_EQ(written, bytes.size());
    }
    std::string Bytes() const { return test::ReadBytes(path_).value_or("<missing>"); }

    const std::wstring path_ = test::TestDirectory() + L"VeyraLauncher.err";
};

// "[..] [..] " with any locale: two bracketed stamps, each followed by one space.
const std::regex kAnyStamp(R"(\[[^\]\r\n]+\] \[[^\]\r\n]+\] )");

// Restores the working directory at the end of the scope.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::wstring& path) {
        ::GetCurrentDirectoryW(MAX_PATH, previous_);
        ok_ = ::SetCurrentDirectoryW(path.c_str()) != 0;
    }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;
    ~WorkingDirectory() { ::SetCurrentDirectoryW(previous_); }
    bool ok() const { return ok_; }

private:
    wchar_t previous_[MAX_PATH] = {};
    bool ok_ = false;
};

TEST_F(LogFileTest, FirstEntryIsCreatedBesideTheProgramWhateverTheWorkingDirectory) {
    test::ScratchDir elsewhere;
    {
        WorkingDirectory cd(elsewhere.Path());
        ASSERT_TRUE(cd.ok());
        WriteLog(L"Falha ao verificar");
    }
    EXPECT_FALSE(test::ReadBytes(elsewhere.Path() + L"VeyraLauncher.err").has_value());
    const std::string bytes = Bytes();
    std::smatch match;
    ASSERT_TRUE(std::regex_search(bytes, match, kAnyStamp)) << bytes;
    EXPECT_EQ(match.position(), 0);
    EXPECT_EQ(match.suffix().str(), "Falha ao verificar\r\n");
}

TEST_F(LogFileTest, TwoEntriesInARowAreTwoCrLfLines) {
    WriteLog(L"primeira");
    const std::string first = Bytes();
    WriteLog(L"segunda");
    const std::string both = Bytes();
    ASSERT_GT(both.size(), first.size());
    EXPECT_EQ(both.substr(0, first.size()), first); // the first line is left as it was
    const std::regex twoLines(
        R"(\[[^\]]+\] \[[^\]]+\] primeira\r\n\[[^\]]+\] \[[^\]]+\] segunda\r\n)");
    EXPECT_TRUE(std::regex_match(both, twoLines)) << both;
}

TEST_F(LogFileTest, MessageIsStoredInTheAnsiCodePage) {
    if (::GetACP() != 1252)
        GTEST_SKIP() << "the expected bytes are those of code page 1252; this system uses "
                     << ::GetACP();
    // U+0142 has a best-fit look-alike ("l") in 1252, U+4E2D none: both become the default "?".
    WriteLog(L"Atualiza\u00e7\u00e3o \u0142\u4e2d");
    const std::string bytes = Bytes();
    std::smatch match;
    ASSERT_TRUE(std::regex_search(bytes, match, kAnyStamp)) << bytes;
    EXPECT_EQ(match.suffix().str(), "Atualiza\xE7\xE3o ??\r\n");
}

TEST_F(LogFileTest, ExistingLogIsCutAtTheEndOfFileMarkAmongItsLast128Bytes) {
    const std::string old = "[01/02/19] [10:00:00] antiga\r\n";
    struct Case {
        const char* name;
        std::string seed;
        std::string kept;
    };
    const Case cases[] = {
        {"mark within the last 128 bytes",
         old + "\x1A"
               "resto\x1A",
         old},
        {"mark 129 bytes from the end", old + "\x1A" + std::string(128, 'z'),
         old + "\x1A" + std::string(128, 'z')},
        {"no mark", old, old},
    };
    for (const auto& c : cases) {
        Seed(c.seed);
        WriteLog(L"nova");
        const std::string bytes = Bytes();
        ASSERT_GE(bytes.size(), c.kept.size()) << c.name;
        EXPECT_EQ(bytes.substr(0, c.kept.size()), c.kept) << c.name;
        const std::string added = bytes.substr(c.kept.size());
        std::smatch match;
        EXPECT_TRUE(std::regex_search(added, match, kAnyStamp) && match.position() == 0 &&
                    match.suffix().str() == "nova\r\n")
            << c.name << ": " << added;
    }
}

TEST_F(LogFileTest, AnotherHandleThatDeniesWritingMakesTheWriteFailAndKeepsTheLog) {
    // The log is opened for reading and writing while letting others only read: a holder that
    // shares no writing, or one that is writing itself, keeps it from opening.
    const std::string seed = "[01/02/19] [10:00:00] antiga\r\n\x1A";
    struct Case {
        const char* name;
        DWORD access;
        DWORD share;
        bool fails;
    };
    const Case cases[] = {
        {"reader sharing only reading", GENERIC_READ, FILE_SHARE_READ, true},
        {"writer sharing everything", GENERIC_WRITE,
         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, true},
        {"reader sharing writing", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, false},
    };
    for (const auto& c : cases) {
        Seed(seed);
        {
            const UniqueHandle holder = AdoptFileHandle(::CreateFileW(
                path_.c_str(), c.access, c.share, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(holder) << c.name;
            if (c.fails) {
                try {
                    WriteLog(L"nova");
                    ADD_FAILURE() << c.name << ": no error raised";
                } catch (const IoError& error) {
                    EXPECT_EQ(error.SystemCode(), ERROR_SHARING_VIOLATION) << c.name;
                }
            } else {
                EXPECT_NO_THROW(WriteLog(L"nova")) << c.name;
            }
        }
        const std::string bytes = Bytes();
        if (c.fails) {
            EXPECT_EQ(bytes, seed) << c.name; // not even cut at its mark
        } else {
            EXPECT_EQ(bytes.substr(0, seed.size() - 1), seed.substr(0, seed.size() - 1)) << c.name;
            EXPECT_TRUE(bytes.ends_with("nova\r\n")) << c.name;
        }
    }
}

TEST(LogCreateTest, FailureToCreateTheFileIsRaised) {
    test::ScratchDir scratch;
    const std::wstring folderNamedLikeTheLog = scratch.Path() + L"VeyraLauncher.err";
    ASSERT_TRUE(::CreateDirectoryW(folderNamedLikeTheLog.c_str(), nullptr));
    for (const std::wstring& path :
         {scratch.Path() + L"missing\\VeyraLauncher.err", folderNamedLikeTheLog}) {
        try {
            AppendLogLine(path, L"nova");
            ADD_FAILURE() << "no error raised";
        } catch (const IoError& error) {
            EXPECT_NE(error.SystemCode(), 0u);
        }
    }
    EXPECT_FALSE(test::ReadBytes(scratch.Path() + L"missing\\VeyraLauncher.err").has_value());
}

// Run with VEYRA_EXPECT_LOCALE naming the locale Wine was started with (LANG); skipped without.
const char* ExpectedLocale() {
    return std::getenv("VEYRA_EXPECT_LOCALE");
}

// The bytes with CR, LF and non-ASCII shown as escapes.
std::string Escaped(const std::string& bytes) {
    std::string out;
    for (const unsigned char c : bytes) {
        char escape[8];
        if (c == '\r' || c == '\n' || c >= 0x80) {
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// One local time as seconds, for comparing.
std::int64_t Seconds(SYSTEMTIME time) {
    time.wMilliseconds = 0;
    time.wDayOfWeek = 0;
    FILETIME file{};
    if (!::SystemTimeToFileTime(&time, &file))
        return -1;
    return static_cast<std::int64_t>(
        (ULARGE_INTEGER{{file.dwLowDateTime, file.dwHighDateTime}}).QuadPart / 10'000'000);
}

class LogLocaleTest : public LogFileTest {
protected:
    void SetUp() override {
        if (!ExpectedLocale())
            GTEST_SKIP() << "set VEYRA_EXPECT_LOCALE (pt_BR or en_US) and LANG to match";
        LogFileTest::SetUp();
    }
};

TEST_F(LogLocaleTest, ReadsTheUsersTimeSettings) {
    const std::string expected = ExpectedLocale();
    const LogLocale locale = ReadLogLocale();
    EXPECT_EQ(locale.dateSeparator, L"/");
    EXPECT_EQ(locale.timeSeparator, L":");
    if (expected == "pt_BR") {
        EXPECT_TRUE(locale.leadingZeroInHours);
        EXPECT_TRUE(locale.clock24);
    } else if (expected == "en_US") {
        EXPECT_FALSE(locale.leadingZeroInHours);
        EXPECT_FALSE(locale.clock24);
        EXPECT_EQ(locale.amDesignator, L"AM");
        EXPECT_EQ(locale.pmDesignator, L"PM");
        EXPECT_FALSE(locale.designatorBeforeTime);
    } else {
        FAIL() << "unknown locale " << expected;
    }
}

TEST_F(LogLocaleTest, LineCarriesTheCurrentTimeInTheLocalesForm) {
    const std::string expected = ExpectedLocale();
    // pt_BR: two-digit 24-hour; en_US: 1..12 without a leading zero and " AM"/" PM" after.
    const std::regex form =
        expected == "en_US"
            ? std::regex(
                  R"(\[(\d\d)/(\d\d)/(\d\d)\] \[([1-9]|1[0-2]):(\d\d):(\d\d) (AM|PM)\] Erro de conex\xE3o\r\n)")
            : std::regex(
                  R"(\[(\d\d)/(\d\d)/(\d\d)\] \[(\d\d):(\d\d):(\d\d)()\] Erro de conex\xE3o\r\n)");
    SYSTEMTIME before, after;
    ::GetLocalTime(&before);
    WriteLog(L"Erro de conex\u00e3o");
    ::GetLocalTime(&after);

    const std::string bytes = Bytes();
    std::printf("[ %s line ] %s\n", expected.c_str(), Escaped(bytes).c_str()); // for the record
    std::smatch m;
    ASSERT_TRUE(std::regex_match(bytes, m, form)) << bytes;
    SYSTEMTIME stamped{};
    stamped.wDay = static_cast<WORD>(std::stoi(m[1]));
    stamped.wMonth = static_cast<WORD>(std::stoi(m[2]));
    stamped.wYear = static_cast<WORD>(before.wYear / 100 * 100 + std::stoi(m[3]));
    int hour = std::stoi(m[4]);
    if (m[7] == "AM" || m[7] == "PM") {
        hour = hour % 12 + (m[7] == "PM" ? 12 : 0);
    }
    stamped.wHour = static_cast<WORD>(hour);
    stamped.wMinute = static_cast<WORD>(std::stoi(m[5]));
    stamped.wSecond = static_cast<WORD>(std::stoi(m[6]));
    // The date and the time are read separately; across midnight only the date range is sure.
    if (before.wDay == after.wDay) {
        EXPECT_LE(Seconds(before), Seconds(stamped)) << bytes;
        EXPECT_LE(Seconds(stamped), Seconds(after)) << bytes;
    } else {
        EXPECT_TRUE(stamped.wDay == before.wDay || stamped.wDay == after.wDay) << bytes;
    }
}

} // namespace
} // namespace veyra
