#include "support/uRun_win.h"

#include "support/AppTermination.h"
#include "support/WinHandle_win.h"

#include <shellapi.h>

namespace veyra {

// The record's size (its cbSize) is part of the shell's contract: it names the layout the caller
// fills in, packed in 32-bit builds, naturally aligned in 64-bit ones.
#if defined(_WIN64)
static_assert(sizeof(SHELLEXECUTEINFOW) == 112);
#else
static_assert(sizeof(SHELLEXECUTEINFOW) == 60);
#endif

namespace {

// The major number the system reports to this program (GetVersionExW, deprecated but exactly the
// value that decides here).
unsigned ReportedMajorVersion() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!::GetVersionExW(&info))
        return 0;
#pragma GCC diagnostic pop
    return info.dwMajorVersion;
}

std::optional<std::uint32_t> ReadEnableLua() {
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                        L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", 0,
                        KEY_READ, &raw) != ERROR_SUCCESS)
        return std::nullopt;
    const UniqueKey key(raw);
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    const LONG status = ::RegQueryValueExW(key.get(), L"EnableLUA", nullptr, &type,
                                           reinterpret_cast<BYTE*>(&value), &size);
    if (status == ERROR_FILE_NOT_FOUND)
        return std::nullopt;
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(value))
        throw RegistryError("EnableLUA is not a 32-bit integer");
    return value;
}

// The wait for a started process: its exit code (0 when there is no handle or it cannot be
// read), the end of the message loop, one poll interval.
class ProcessExitWait final : public ExitWait {
public:
    explicit ProcessExitWait(const UniqueHandle& process) : process_(process) {}

    std::uint32_t ReadExitCode() override {
        DWORD code = 0;
        if (!process_ || !::GetExitCodeProcess(process_.get(), &code))
            return 0;
        return code;
    }
    bool StopWaiting() override { return ApplicationTerminated(); }
    void Pause() override { ::Sleep(kWaitPollMs); }

private:
    const UniqueHandle& process_;
};

} // namespace

bool IsUACEnabled() {
    const unsigned major = ReportedMajorVersion();
    return major >= 6 && UacPolicyOn(major, ReadEnableLua());
}

SHELLEXECUTEINFOW MakeExecuteInfo(HWND owner, const std::wstring& fileName,
                                  const std::wstring& parameters, TRunFlags flags,
                                  bool uacEnabled) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.hwnd = owner;
    // No error UI: the shell's "file not found" or "open with" dialog would block the caller and
    // show a window where a failure must stay silent. No asynchronous start: the update ends the
    // process right after the call, which would drop a start the shell still works on.
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpVerb = RunVerb(flags, uacEnabled);
    info.lpFile = fileName.c_str();
    info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    info.nShow = RunShowCommand(flags);
    return info;
}

std::int32_t RunProgram(HWND owner, const std::wstring& fileName, const std::wstring& parameters,
                        TRunFlags flags) {
    // The policy is read only when elevation is asked for.
    SHELLEXECUTEINFOW info =
        MakeExecuteInfo(owner, fileName, parameters, flags, (flags & rfElevate) && IsUACEnabled());
    if (!::ShellExecuteExW(&info))
        return kRunFailed;
    const UniqueHandle process(info.hProcess); // may be empty when the shell reused a process
    if (!(flags & rfWait))
        return 0;
    ProcessExitWait wait(process);
    return WaitForExitCode(wait);
}

} // namespace veyra
