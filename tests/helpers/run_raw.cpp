// Starts a program with an exact command line, which shells and Wine's own argument quoting
// cannot give: the line comes from %VEYRA_RAW_COMMAND_LINE%. Waits for the program and ends with
// its exit code; 255 when it could not be started.
#include "support/WinHandle_win.h"

#include <windows.h>

#include <string>

int wmain() {
    const DWORD length = ::GetEnvironmentVariableW(L"VEYRA_RAW_COMMAND_LINE", nullptr, 0);
    if (length == 0)
        return 255;
    std::wstring commandLine(length, L'\0');
    ::GetEnvironmentVariableW(L"VEYRA_RAW_COMMAND_LINE", commandLine.data(), length);
    commandLine.resize(length - 1);

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process))
        return 255;
    const veyra::UniqueHandle thread(process.hThread);
    const veyra::UniqueHandle child(process.hProcess);
    ::WaitForSingleObject(child.get(), INFINITE);
    DWORD code = 255;
    ::GetExitCodeProcess(child.get(), &code);
    return static_cast<int>(code);
}
