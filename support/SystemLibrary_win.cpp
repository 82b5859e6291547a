#include "support/SystemLibrary_win.h"

#include <string>

namespace veyra {

namespace {

// The full path of the file in the system directory; empty when the directory is unknown.
std::wstring SystemPath(std::wstring_view fileName) {
    const UINT size = ::GetSystemDirectoryW(nullptr, 0); // counts the terminator
    if (size == 0)
        return {};
    std::wstring path(size, L'\0');
    const UINT length = ::GetSystemDirectoryW(path.data(), size);
    if (length == 0 || length >= size)
        return {};
    path.resize(length);
    if (path.back() != L'\\')
        path += L'\\';
    path += fileName;
    return path;
}

} // namespace

UniqueModule LoadSystemLibrary(std::wstring_view fileName, SystemLibrarySearch search) {
    // A bare name only: a separator or a drive would lead out of the system directory, and a NUL
    // would cut the name short.
    if (fileName.empty() ||
        fileName.find_first_of(std::wstring_view(L"\\/:\0", 4)) != fileName.npos) {
        ::SetLastError(ERROR_INVALID_NAME);
        return {};
    }
    const std::wstring path = SystemPath(fileName);
    if (path.empty())
        return {};
    // A full path, also with the System32 flag: by bare name the loader would hand back any loaded
    // module of that name, wherever it came from.
    const DWORD flags = search == SystemLibrarySearch::System32Only ? LOAD_LIBRARY_SEARCH_SYSTEM32
                                                                    : LOAD_WITH_ALTERED_SEARCH_PATH;
    return UniqueModule(::LoadLibraryExW(path.c_str(), nullptr, flags));
}

UniqueModule LoadSystemLibrary(std::wstring_view fileName) {
    UniqueModule module = LoadSystemLibrary(fileName, SystemLibrarySearch::System32Only);
    if (!module && ::GetLastError() == ERROR_INVALID_PARAMETER)
        module = LoadSystemLibrary(fileName, SystemLibrarySearch::System32First);
    return module;
}

} // namespace veyra
