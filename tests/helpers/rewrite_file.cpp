// Another program that tries to change a file while someone else checks it:
//   rewrite_file PATH SECONDS RECORD
// It probes PATH for writing (opening and closing it at once, writing nothing) until an open is
// refused for sharing, that is until another program holds it; from then on it tries to
// overwrite its first bytes, as often as it can, until the name is gone or the time is up. It
// records in RECORD how often it saw the hold, and how often it was refused and got through;
// until then RECORD says "waiting", so that a test can start the other program once it polls.
#include "support/WinHandle_win.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

veyra::UniqueHandle OpenForWriting(const wchar_t* path) {
    return veyra::AdoptFileHandle(
        ::CreateFileW(path, GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
}

bool WriteRecord(const wchar_t* path, const std::string& text) {
    FILE* record = _wfopen(path, L"wb");
    if (!record)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), record) == text.size();
    return std::fclose(record) == 0 && written;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4)
        return 2;
    const wchar_t* path = argv[1];
    const ULONGLONG deadline = ::GetTickCount64() + std::stoul(argv[2]) * 1000ull;
    if (!WriteRecord(argv[3], "waiting\n"))
        return 1;
    bool held = false;
    unsigned refused = 0, wrote = 0;
    while (::GetTickCount64() < deadline) {
        veyra::UniqueHandle file = OpenForWriting(path);
        const DWORD error = file ? ERROR_SUCCESS : ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND && held)
            break; // renamed away
        if (error == ERROR_SHARING_VIOLATION) {
            held = true;
            ++refused;
        } else if (file && held) {
            const char forged[] = "FORGED BY ANOTHER PROGRAM";
            DWORD written = 0;
            if (::WriteFile(file.get(), forged, sizeof(forged) - 1, &written, nullptr))
                ++wrote;
        }
        // No sleep: the hold may last only as long as the check's read.
        ::SwitchToThread();
    }
    const std::string result = "held=" + std::to_string(held ? 1 : 0) +
                               "\nrefused=" + std::to_string(refused) +
                               "\nwrote=" + std::to_string(wrote) + "\n";
    return WriteRecord(argv[3], result) ? 0 : 1;
}
