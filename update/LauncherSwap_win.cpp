#include "update/LauncherSwap_win.h"

#include "support/IoError.h"
#include "support/WinHandle_win.h"
#include "support/uCRC32_win.h"

#include <windows.h>

namespace veyra {
namespace {

FileStep Failed() {
    const DWORD error = ::GetLastError();
    return {false, error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
                       error == ERROR_LOCK_VIOLATION};
}

} // namespace

FileStep Win32SwapFileSystem::Replace(const std::wstring& source, const std::wstring& target) {
    if (::MoveFileExW(source.c_str(), target.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return {true, false};
    return Failed();
}

FileStep Win32SwapFileSystem::Copy(const std::wstring& source, const std::wstring& target) {
    // Fails on an existing name: a new file is created, so a planted link is not followed.
    if (!::CopyFileW(source.c_str(), target.c_str(), TRUE))
        return Failed();
    // On disk before it takes the launcher's name, so a power cut cannot leave half a file.
    return Flush(target);
}

FileStep Win32SwapFileSystem::Flush(const std::wstring& path) {
    const UniqueHandle file = AdoptFileHandle(::CreateFileW(
        path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || !::FlushFileBuffers(file.get()))
        return Failed();
    return {true, false};
}

std::optional<std::uint32_t> Win32SwapFileSystem::Crc32(const std::wstring& path) {
    try {
        return FileCRC32(path);
    } catch (const IoError&) {
        return std::nullopt;
    }
}

void Win32SwapFileSystem::Remove(const std::wstring& path) {
    ::DeleteFileW(path.c_str());
}

void Win32SwapFileSystem::Pause(unsigned milliseconds) {
    ::Sleep(milliseconds);
}

} // namespace veyra
