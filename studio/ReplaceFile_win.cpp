#include "studio/Output.h"
#include "studio/Text.h"

#include <string>

#include <windows.h>

namespace veyra::studio {
namespace {

std::string Reason(const std::string& what, DWORD error) {
    return what + " (system error " + std::to_string(error) + ")";
}

} // namespace

std::optional<std::string> ReplaceFileAtomically(const std::filesystem::path& file,
                                                 std::string_view bytes) {
    const std::wstring target = file.wstring();
    const std::string shown = ToUtf8(target);
    // A name of its own beside the target: the process id and a counter keep runs apart.
    static unsigned counter = 0;
    std::wstring temporary;
    HANDLE handle = INVALID_HANDLE_VALUE;
    DWORD error = 0;
    for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = target + L".tmp-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                    std::to_wstring(++counter);
        handle = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        error = GetLastError();
        if (handle == INVALID_HANDLE_VALUE && error != ERROR_FILE_EXISTS)
            break;
    }
    if (handle == INVALID_HANDLE_VALUE)
        return Reason("cannot make a temporary file beside " + shown, error);
    std::optional<std::string> problem;
    while (!bytes.empty() && !problem) {
        const DWORD chunk =
            bytes.size() > 0x10000000 ? 0x10000000 : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(handle, bytes.data(), chunk, &written, nullptr) || written == 0)
            problem = Reason("cannot write " + ToUtf8(temporary), GetLastError());
        else
            bytes.remove_prefix(written);
    }
    if (!problem && !FlushFileBuffers(handle))
        problem = Reason("cannot flush " + ToUtf8(temporary), GetLastError());
    if (!CloseHandle(handle) && !problem)
        problem = Reason("cannot write " + ToUtf8(temporary), GetLastError());
    if (!problem && !MoveFileExW(temporary.c_str(), target.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        problem = Reason("cannot rename " + ToUtf8(temporary) + " to " + shown, GetLastError());
    if (problem)
        DeleteFileW(temporary.c_str());
    return problem;
}

} // namespace veyra::studio
