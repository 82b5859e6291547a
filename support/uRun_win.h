#pragma once
// Program starter: starts another program through the Windows shell.
#include "support/uRun.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <stdexcept>
#include <string>

namespace veyra {

// Raised when the UAC policy value cannot be read as a 32-bit integer.
class RegistryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// True from Windows 6.0 when HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Policies\System opens
// for reading and its value EnableLUA is a non-zero 32-bit integer. Reads the registry anew on
// every call. Throws RegistryError when EnableLUA exists but is not a 32-bit integer.
bool IsUACEnabled();

// The shell's record for one start: no working directory (the program inherits ours), no
// parameters at all when `parameters` is empty, the verb and show command from the flags. The
// strings must outlive the record.
SHELLEXECUTEINFOW MakeExecuteInfo(HWND owner, const std::wstring& fileName,
                                  const std::wstring& parameters, TRunFlags flags, bool uacEnabled);

// Starts `fileName` with the shell. Returns -1 when the shell fails, 0 when started without
// rfWait, else the program's exit code (259 when the wait was given up because the message loop
// is ending). Empty `parameters` passes no parameters at all. The started program inherits the
// current directory. May throw RegistryError (see IsUACEnabled) with rfElevate.
std::int32_t RunProgram(HWND owner, const std::wstring& fileName, const std::wstring& parameters,
                        TRunFlags flags);

} // namespace veyra
