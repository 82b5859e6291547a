// Stands in for the game launcher in tests: records that it was started, with its working
// directory, the raw text after its own name on the command line and the show command it was
// given, then optionally sleeps and ends with a chosen exit code.
//   --exit=N    end with exit code N
//   --sleep=MS  sleep before ending
// The record goes to %FAKE_LAUNCHER_RECORD% or, without it, to launcher-record.txt beside the
// program; each start appends one block.
#include "app/CommandLine.h"
#include "support/NarrowText_win.h"
#include "support/ProgramDirectory.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::wstring RecordPath() {
    wchar_t fromEnvironment[MAX_PATH * 4];
    const DWORD length =
        ::GetEnvironmentVariableW(L"FAKE_LAUNCHER_RECORD", fromEnvironment, MAX_PATH * 4);
    if (length > 0 && length < MAX_PATH * 4)
        return fromEnvironment;
    wchar_t self[MAX_PATH * 4];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH * 4);
    return veyra::DirectoryPart(self) + L"launcher-record.txt";
}

int ShowCommand() {
    STARTUPINFOW info{};
    info.cb = sizeof(info);
    ::GetStartupInfoW(&info);
    return (info.dwFlags & STARTF_USESHOWWINDOW) ? info.wShowWindow : -1;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    std::wstring_view rest = ::GetCommandLineW();
    veyra::TakeArgument(rest); // the program's own name; what is left is its raw parameter text
    const std::wstring tail(rest);

    wchar_t directory[MAX_PATH * 4];
    ::GetCurrentDirectoryW(MAX_PATH * 4, directory);

    const std::string block = "started\ncwd=" + veyra::Narrow(directory, CP_UTF8) + "\ntail=[" +
                              veyra::Narrow(tail, CP_UTF8) +
                              "]\nshow=" + std::to_string(ShowCommand()) + "\n";
    if (FILE* file = _wfopen(RecordPath().c_str(), L"ab")) {
        std::fwrite(block.data(), 1, block.size(), file);
        std::fclose(file);
    }

    int exitCode = 0;
    while (auto argument = veyra::TakeArgument(rest)) {
        if (argument->rfind(L"--exit=", 0) == 0)
            exitCode = std::stoi(argument->substr(7));
        else if (argument->rfind(L"--sleep=", 0) == 0)
            ::Sleep(static_cast<DWORD>(std::stoul(argument->substr(8))));
    }
    return exitCode;
}
