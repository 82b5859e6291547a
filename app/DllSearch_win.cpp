#include "app/DllSearch_win.h"

#include <windows.h>

namespace veyra {

bool RestrictDllSearchToSystem32() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const auto setDefault =
        kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void (*)()>(
                     ::GetProcAddress(kernel, "SetDefaultDllDirectories")))
               : nullptr;
    // Either way the current directory leaves the search order.
    ::SetDllDirectoryW(L"");
    return setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

} // namespace veyra
