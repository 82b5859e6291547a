#include "support/IoError.h"
#include "support/WinHandle_win.h"
#include "support/uCRC32_win.h"

#include "TestSupport.h"
#include "tests/native/RandomBytes.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace veyra {
namespace {

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    const UniqueHandle file = AdoptFileHandle(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file);
    DWORD written = 0;
    ASSERT_TRUE(
        ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    ASSERT_EQ(written, bytes.size());
}

// Each size its own data, the same in every run.
std::string RandomBytes(std::size_t size) {
    return test::RandomBytes(size, static_cast<unsigned>(size));
}

// The system's error code of the IoError that FileCRC32 raises, or 0 when it raises none.
unsigned long FailureCode(const std::wstring& path) {
    try {
        FileCRC32(path);
    } catch (const IoError& error) {
        return error.SystemCode();
    }
    return 0;
}

TEST(SingleThreadFileCRC32Test, WholeContentAcrossBlockBoundaries) {
    test::ScratchDir scratch;
    for (const std::size_t size : {0u, 1u, 32767u, 32768u, 32769u, 3u * 32768u + 5u}) {
        const std::wstring path = scratch.Path() + L"file" + std::to_wstring(size) + L".bin";
        const std::string bytes = RandomBytes(size);
        WriteBytes(path, bytes);
        EXPECT_EQ(FileCRC32(path), test::ZlibCrc32(bytes)) << size << " bytes";
    }
    EXPECT_EQ(FileCRC32(scratch.Path() + L"file0.bin"), 0u);
}

TEST(SingleThreadFileCRC32Test, CheckValueInDecimal) {
    test::ScratchDir scratch;
    WriteBytes(scratch.Path() + L"temp.data", "123456789");
    EXPECT_EQ(CrcToDecimal(FileCRC32(scratch.Path() + L"temp.data")), L"3421780262");
}

TEST(SingleThreadFileCRC32Test, MissingFileRaisesIoError) {
    test::ScratchDir scratch;
    EXPECT_EQ(FailureCode(scratch.Path() + L"temp.data"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(FailureCode(scratch.Path() + L"missing\\temp.data"), ERROR_PATH_NOT_FOUND);
    EXPECT_THROW(FileCRC32(scratch.Path() + L"temp.data"), IoError);
}

// Another handle on the file: reading works while it lets others read (even when it writes),
// and fails with a sharing violation when it does not.
TEST(SingleThreadFileCRC32Test, OpensAlongsideOthersThatLetItRead) {
    test::ScratchDir scratch;
    const std::wstring path = scratch.Path() + L"temp.data";
    const std::string bytes = RandomBytes(40000);
    WriteBytes(path, bytes);
    const struct {
        DWORD access;
        DWORD share;
        bool readable;
    } cases[] = {
        {GENERIC_WRITE, FILE_SHARE_READ, true},
        {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, true},
        {GENERIC_READ, FILE_SHARE_READ, true},
        {GENERIC_WRITE, 0, false},
        {GENERIC_READ, 0, false},
        {GENERIC_WRITE, FILE_SHARE_WRITE, false},
    };
    for (const auto& c : cases) {
        const UniqueHandle other = AdoptFileHandle(
            ::CreateFileW(path.c_str(), c.access, c.share, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(other);
        SCOPED_TRACE(testing::Message()
                     << std::hex << "access " << c.access << ", share " << c.share);
        if (c.readable)
            EXPECT_EQ(FileCRC32(path), test::ZlibCrc32(bytes));
        else
            EXPECT_EQ(FailureCode(path), ERROR_SHARING_VIOLATION);
    }
}

// A relative name is resolved against the current directory, not the program's folder (which is
// where the tests start).
TEST(SingleThreadFileCRC32Test, RelativeNameIsLookedUpInTheCurrentDirectory) {
    test::ScratchDir scratch;
    const std::string bytes = RandomBytes(1000);
    WriteBytes(scratch.Path() + L"temp.data", bytes);
    wchar_t previous[MAX_PATH * 4];
    ASSERT_NE(::GetCurrentDirectoryW(MAX_PATH * 4, previous), 0u);
    ASSERT_TRUE(::SetCurrentDirectoryW(scratch.Path().c_str()));
    std::uint32_t crc = 0;
    EXPECT_NO_THROW(crc = FileCRC32(L"temp.data"));
    ::SetCurrentDirectoryW(previous);
    EXPECT_EQ(crc, test::ZlibCrc32(bytes));
}

} // namespace
} // namespace veyra
