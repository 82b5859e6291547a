#pragma once
// File-system queries of the Win32 shell.
#include <string>

namespace veyra {

// The full path of the running program's own file.
std::wstring ProgramPath();

// The running program's folder with its trailing separator.
std::wstring ProgramDirectory();

// True when `path` names an existing file; a directory of that name does not count.
bool FileExists(const std::wstring& path);

} // namespace veyra
