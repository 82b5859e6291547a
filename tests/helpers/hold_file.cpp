// Holds a file open for a while, as another program would: hold_file PATH none|read SECONDS.
// "none" lets nobody else open it; "read" lets others only read it (a running program's file).
#include "support/WinHandle_win.h"

#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc != 4)
        return 2;
    const DWORD share = std::wstring(argv[2]) == L"read" ? FILE_SHARE_READ : 0;
    const veyra::UniqueHandle file = veyra::AdoptFileHandle(
        ::CreateFileW(argv[1], GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return 1;
    ::Sleep(static_cast<DWORD>(std::stoul(argv[3])) * 1000);
    return 0;
}
