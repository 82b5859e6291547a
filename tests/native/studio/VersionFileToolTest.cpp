// The version file the studio publishes: written by the tool, read back by the program's own rule.
#include "studio/FileCrc.h"
#include "studio/Json.h"
#include "studio/Output.h"
#include "studio/PlayerOutcome.h"
#include "studio/Text.h"
#include "studio/VersionFileBody.h"
#include "support/uCRC32.h"
#include "tests/native/RandomBytes.h"
#include "update/FetchLimits.h"
#include "update/uM.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

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

TEST(SingleThreadVersionFileToolTest, TheWrittenBodyGivesBackTheFilesCrc) {
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

TEST(SingleThreadVersionFileToolTest, LabelsThatTheProgramOrAServerWouldChangeAreRefused) {
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

TEST(SingleThreadVersionFileToolTest, AFileThatCannotBeReadHasNoCrc) {
    ScratchFolder folder;
    EXPECT_FALSE(FileCrc32(folder.Path() / "missing.exe").has_value());
    EXPECT_FALSE(FileCrc32(folder.Path()).has_value()); // a folder
}

// The names in a folder, sorted.
std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string Content(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(SingleThreadVersionFileToolTest, AWriteThatDidNotReachItsFileIsAFailure) {
    ScratchFolder folder;
    const std::string file = folder.Write("out.txt", "").string();
    const struct {
        const char* name;
        const char* path;
        const char* mode;
        bool written;
    } cases[] = {
        {"a file", file.c_str(), "wb", true},
#ifndef _WIN32
        {"a full disk", "/dev/full", "wb", false},
#endif
        {"a stream open for reading only", file.c_str(), "rb", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::FILE* out = std::fopen(c.path, c.mode);
        ASSERT_NE(out, nullptr);
        // More than a stream's buffer, and a line shorter than it: both must reach the file.
        EXPECT_EQ(WriteAndFlush(out, std::string(100000, 'x')), c.written);
        EXPECT_EQ(WriteAndFlush(out, "2.0.0.2|3421780262\r\n"), c.written);
        std::fclose(out);
    }
    EXPECT_EQ(Content(file), std::string(100000, 'x') + "2.0.0.2|3421780262\r\n");
}

TEST(SingleThreadVersionFileToolTest, ReplacingAFileLeavesExactlyTheNewBody) {
    ScratchFolder folder;
    const fs::path file = folder.Write("veyralauncher.ini", "1.0.0.1|12345\r\n");
#ifndef _WIN32
    const mode_t mask = ::umask(022);
#endif
    EXPECT_EQ(ReplaceFileAtomically(file, "2.0.0.2|3421780262\r\n"), std::nullopt);
    EXPECT_EQ(Content(file), "2.0.0.2|3421780262\r\n");
    EXPECT_EQ(Names(folder.Path()), std::vector<std::string>{"veyralauncher.ini"});
#ifndef _WIN32
    ::umask(mask);
    // The web server reads it: not the temporary file's private mode.
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
#endif

    EXPECT_EQ(ReplaceFileAtomically(folder.Path() / "new.ini", ""), std::nullopt);
    EXPECT_EQ(Names(folder.Path()), (std::vector<std::string>{"new.ini", "veyralauncher.ini"}));
    EXPECT_EQ(fs::file_size(folder.Path() / "new.ini"), 0u);
}

TEST(SingleThreadVersionFileToolTest, AFailedReplaceLeavesTheFolderAsItWas) {
    ScratchFolder folder;
    folder.Write("veyralauncher.ini", "1.0.0.1|12345\r\n");
    // A folder where the file should be: the rename fails after the temporary file was written.
    fs::create_directories(folder.Path() / "taken" / "inside");
    const auto overFolder =
        ReplaceFileAtomically(folder.Path() / "taken", "2.0.0.2|3421780262\r\n");
    ASSERT_TRUE(overFolder.has_value());
    EXPECT_NE(overFolder->find("cannot rename"), std::string::npos) << *overFolder;
    // No folder to put the temporary file in.
    const auto noFolder =
        ReplaceFileAtomically(folder.Path() / "missing" / "veyralauncher.ini", "x");
    ASSERT_TRUE(noFolder.has_value());
    EXPECT_NE(noFolder->find("cannot make a temporary file"), std::string::npos) << *noFolder;

    EXPECT_EQ(Names(folder.Path()), (std::vector<std::string>{"taken", "veyralauncher.ini"}));
    EXPECT_EQ(Names(folder.Path() / "taken"), std::vector<std::string>{"inside"});
    EXPECT_EQ(Content(folder.Path() / "veyralauncher.ini"), "1.0.0.1|12345\r\n");
}

TEST(SingleThreadVersionFileToolTest, JsonStringsEscapeWhatJsonForbids) {
    const struct {
        std::string text;
        std::string json;
    } cases[] = {
        {"", R"("")"},
        {"2.0.0.2|3421780262\r\n", R"("2.0.0.2|3421780262\r\n")"},
        {"say \"no\"", R"("say \"no\"")"},
        {"C:\\srv\\v.ini", R"("C:\\srv\\v.ini")"},
        {std::string("a\0b", 3), R"("a\u0000b")"},
        {"\x01\x1F\t\b\f\x7F", R"("\u0001\u001F\t\u0008\u000C\u007F")"},
        {"/ and space", R"("/ and space")"},
        // UTF-8 stays as it is: valid JSON text.
        {ToUtf8(L"verifica\u00E7\u00E3o \U0001F600"),
         "\"verifica\xC3\xA7\xC3\xA3o \xF0\x9F\x98\x80\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        EXPECT_EQ(JsonString(c.text), c.json);
    }
    EXPECT_EQ(JsonObject()
                  .String("reason", "a \"quoted\"\nline")
                  .Number("crc", 4294967295u)
                  .Null("bound")
                  .Bool("ok", false)
                  .Strings("log", {"one", "t\\o"})
                  .Strings("none", {})
                  .Text(),
              R"({"reason":"a \"quoted\"\nline","crc":4294967295,"bound":null,"ok":false,)"
              R"("log":["one","t\\o"],"none":[]})");
}

} // namespace
} // namespace veyra::studio
