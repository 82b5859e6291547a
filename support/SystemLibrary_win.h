#pragma once
// System DLLs that are not KnownDLLs: the program loads them itself, at run time, from the system
// directory only. It runs from the game folder, where anyone who can write that folder could place
// a DLL of the same name.
#include "support/WinHandle_win.h"

#include <string_view>

namespace veyra {

// How the DLL and its dependencies are kept to the system directory.
enum class SystemLibrarySearch {
    // LOAD_LIBRARY_SEARCH_SYSTEM32: the DLL's dependencies come from System32 only.
    System32Only,
    // LOAD_WITH_ALTERED_SEARCH_PATH: its dependencies are searched from System32 first. For
    // systems without the System32 flag (Windows 7 without KB2533623).
    System32First,
};

// Loads the DLL with this bare file name (for example L"bcrypt.dll") from its full path in the
// system directory (GetSystemDirectoryW), never from anywhere else, and never takes a module of
// the same name that is already loaded from elsewhere. Uses SystemLibrarySearch::System32Only and
// falls back to System32First where the system refuses that flag with ERROR_INVALID_PARAMETER.
// A name that is empty or holds a path separator, a colon or a NUL is refused with
// ERROR_INVALID_NAME. Returns an empty owner on failure, with the thread's last error set.
UniqueModule LoadSystemLibrary(std::wstring_view fileName);

// The same with one way only, with no fallback: so the tests can take the way an older system
// takes.
UniqueModule LoadSystemLibrary(std::wstring_view fileName, SystemLibrarySearch search);

} // namespace veyra
