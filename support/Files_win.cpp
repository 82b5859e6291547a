#include "support/Files_win.h"

#include "support/ProgramDirectory.h"

#include <windows.h>

namespace veyra {

std::wstring ProgramPath() {
    // Long paths do not fit MAX_PATH: grow until the name is not cut.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring ProgramDirectory() {
    return DirectoryPart(ProgramPath());
}

bool FileExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace veyra
