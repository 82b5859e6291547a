// The version file the studio publishes: written by the tool, read back by the program's own rule.
#include "studio/FileCrc.h"
#include "studio/PlayerOutcome.h"
#include "studio/VersionFileBody.h"
#include "support/uCRC32.h"
#include "tests/native/RandomBytes.h"
#include "update/FetchLimits.h"
#include "update/uM.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace veyra::studio {
namespace {

namespace fs = std::filesystem;
using test::RandomBytes;
using test::ZlibCrc32;

class ScratchFolder {
public:
    ScratchFolder() {
        path_ = fs::temp_directory_path() /
                ("veyra-version-file-" + std::to_string(std::random_device{}()));
        fs::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    fs::path Write(const std::string& name, const std::string& bytes) const {
        const fs::path file = path_ / name;
        std::ofstream(file, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return file;
    }
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

// The body as the program's fetch hands it over: one character per byte (ASCII here).
std::wstring AsFetched(const std::string& body) {
    return std::wstring(body.begin(), body.end());
}

TEST(VersionFileToolTest, TheWrittenBodyGivesBackTheFilesCrc) {
    const struct {
        const char* name;
        std::string bytes;
    } files[] = {
        {"empty", ""},
        {"one byte", "A"},
        {"check string", "123456789"},
        // The reader's block is as long as CRC32Update's count allows.
        {"one block less a byte", RandomBytes(65535 - 1, 1)},
        {"one block", RandomBytes(65535, 2)},
        {"several blocks and a tail", RandomBytes(3 * 65535 + 7, 3)},
        {"a launcher-sized file", RandomBytes(3'000'000, 4)},
    };
    ScratchFolder folder;
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        const auto crc = FileCrc32(folder.Write("launcher.exe", file.bytes));
        ASSERT_TRUE(crc.has_value());
        EXPECT_EQ(*crc, ZlibCrc32(file.bytes));

        const std::string body = VersionFileBody("2.0.0.2", *crc);
        EXPECT_EQ(body, "2.0.0.2|" + std::to_string(ZlibCrc32(file.bytes)) + "\r\n");
        EXPECT_EQ(ExpectedCrcFromBody(AsFetched(body)), CrcToDecimal(ZlibCrc32(file.bytes)));
        const auto served = [&](const std::wstring&) { return AsFetched(body); };
        EXPECT_TRUE(WhatAPlayerWouldSee(served, L"10122026081500", file.bytes).installs);
    }
}

TEST(VersionFileToolTest, LabelsThatTheProgramOrAServerWouldChangeAreRefused) {
    const struct {
        std::string label;
        bool accepted;
    } cases[] = {
        {"2.0.0.2", true},
        {"launcher-2.0.0.2_RC1", true},
        {"~", true},
        {"", false},
        {"2.0|beta", false},
        {"|", false},
        {"2.0 beta", false},
        {" 2.0", false},
        {"2.0\t", false},
        {"2.0\r\n", false},
        {"vers\xC3\xA3o", false}, // UTF-8, read differently under each charset
        {"del\x7F", false},
        {std::string(FetchLimits{}.maxBody, 'x'), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label.substr(0, 20));
        EXPECT_EQ(!LabelProblem(c.label).has_value(), c.accepted);
    }
}

TEST(VersionFileToolTest, AFileThatCannotBeReadHasNoCrc) {
    ScratchFolder folder;
    EXPECT_FALSE(FileCrc32(folder.Path() / "missing.exe").has_value());
    EXPECT_FALSE(FileCrc32(folder.Path()).has_value()); // a folder
}

} // namespace
} // namespace veyra::studio
