#include "support/uCRC32_win.h"

#include "support/IoError.h"
#include "support/NarrowText_win.h"
#include "support/WinHandle_win.h"

#include <windows.h>

namespace veyra {
namespace {

constexpr DWORD kBlockSize = 32768;
// Reused by every call rather than allocated per file or per block.
alignas(64) unsigned char gReadBuffer[kBlockSize];

[[noreturn]] void RaiseLastError(const char* what, const std::wstring& fileName) {
    const DWORD code = ::GetLastError();
    throw IoError(std::string(what) + " \"" + Narrow(fileName, CP_UTF8) + "\" (system error " +
                      std::to_string(code) + ")",
                  code);
}

// True once the file position has reached the file's end (the size is asked anew each time:
// others may write to the file meanwhile).
bool AtEnd(HANDLE file, const std::wstring& fileName) {
    LARGE_INTEGER position{};
    LARGE_INTEGER size{};
    if (!::SetFilePointerEx(file, LARGE_INTEGER{}, &position, FILE_CURRENT) ||
        !::GetFileSizeEx(file, &size))
        RaiseLastError("Cannot read", fileName);
    return position.QuadPart >= size.QuadPart;
}

} // namespace

std::uint32_t FileCRC32(const std::wstring& FileName) {
    const UniqueHandle file = AdoptFileHandle(
        ::CreateFileW(FileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        RaiseLastError("Cannot open", FileName);
    Crc32Sink crc;
    ReadWholeFile(file.get(), {&crc}, FileName);
    return crc.Value();
}

void ReadWholeFile(HANDLE file, std::initializer_list<ByteSink*> sinks,
                   const std::wstring& fileName) {
    if (!::SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_BEGIN))
        RaiseLastError("Cannot read", fileName);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file, gReadBuffer, kBlockSize, &read, nullptr))
            RaiseLastError("Cannot read", fileName);
        for (ByteSink* sink : sinks)
            sink->Take(gReadBuffer, read);
        // A read of nothing also ends it, should the file shrink under us.
        if (read == 0 || AtEnd(file, fileName))
            break;
    }
}

} // namespace veyra
