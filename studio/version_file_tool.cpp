// The studio's version-file tool:
//   veyra_version_file write LAUNCHER LABEL   prints the version file for a new launcher
//   veyra_version_file check HOST LAUNCHER    says what a player would see with the live one
// Exit status: 0 done (check: the program would install the file), 1 the program would not
// install it, 2 a usage error or a launcher file that cannot be read.
#include "studio/Diagnosis.h"
#include "studio/FileCrc.h"
#include "studio/HostName.h"
#include "studio/LocalStamp.h"
#include "studio/PlayerOutcome.h"
#include "studio/Text.h"
#include "studio/VersionFileBody.h"
#include "support/uCRC32.h"
#include "update/HttpRequest.h"
#include "update/VersionFile.h"

#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#endif

namespace veyra::studio {
namespace {

constexpr int kDone = 0;
constexpr int kRefused = 1;
constexpr int kUsage = 2;

void Print(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

int Fail(const std::string& text, int status) {
    std::fputs(("veyra_version_file: " + text + "\n").c_str(), stderr);
    return status;
}

int Usage() {
    std::fputs("usage: veyra_version_file write LAUNCHER_FILE LABEL\n"
               "       veyra_version_file check UPDATE_HOST LAUNCHER_FILE\n",
               stderr);
    return kUsage;
}

// Arguments arrive as UTF-8; a path takes them as such on every system.
std::filesystem::path PathOf(const std::string& argument) {
    return std::filesystem::path(std::u8string(argument.begin(), argument.end()));
}

std::optional<std::string> LauncherBytes(const std::string& file) {
    auto bytes = FileBytes(PathOf(file));
    if (!bytes)
        Fail("cannot read the launcher file " + file, kUsage);
    return bytes;
}

int Write(const std::string& file, const std::string& label) {
    if (const auto problem = LabelProblem(label))
        return Fail(*problem, kUsage);
    const auto launcher = LauncherBytes(file);
    if (!launcher)
        return kUsage;
    Print(VersionFileBody(label, Crc32OfBytes(*launcher)));
    return kDone;
}

int Check(const std::string& host, const std::string& file) {
    if (const auto problem = HostProblem(host))
        return Fail(*problem, kUsage);
    const auto launcher = LauncherBytes(file);
    if (!launcher)
        return kUsage;
    const std::uint32_t crc = Crc32OfBytes(*launcher);
    const FetchLimits limits;
    const std::wstring stamp = LocalVersionStamp();
    Print("GET http://" + host + VersionFileTarget(stamp) + "\n");
    const PlayerOutcome outcome = WhatAPlayerWouldSee(
        [&](const std::wstring& s) { return FetchVersionFileFrom(host, s, limits); }, stamp,
        *launcher);
    if (outcome.installs) {
        Print("OK: the program would install this file (CRC-32 " + ToUtf8(CrcToDecimal(crc)) +
              ")\n");
        return kDone;
    }
    Print("FAIL: the program would not install this file\n");
    Print("status line: " + Quoted(outcome.statusMessage) + "\n");
    for (const std::wstring& line : outcome.logLines)
        Print("error log: " + Quoted(line) + "\n");
    if (outcome.fetchError)
        Print("why: " + WhyTheFetchFailed(*outcome.fetchError, host, limits) + "\n");
    else if (outcome.body)
        Print("why: " + WhyTheCrcDiffers(*outcome.body, crc) + "\n");
    return kRefused;
}

int Run(const std::vector<std::string>& arguments) {
    if (arguments.size() == 3 && arguments[0] == "write")
        return Write(arguments[1], arguments[2]);
    if (arguments.size() == 3 && arguments[0] == "check")
        return Check(arguments[1], arguments[2]);
    return Usage();
}

} // namespace
} // namespace veyra::studio

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    // The body goes out byte for byte, CR LF included; messages are UTF-8.
    _setmode(_fileno(stdout), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(veyra::studio::ToUtf8(argv[i]));
    return veyra::studio::Run(arguments);
}
#else
int main(int argc, char** argv) {
    return veyra::studio::Run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
