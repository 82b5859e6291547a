#include "support/ProgramDirectory.h"

namespace veyra {

std::wstring DirectoryPart(std::wstring_view fullPath) {
    const auto end = fullPath.find_last_of(L"\\/:");
    return end == std::wstring_view::npos ? std::wstring{}
                                          : std::wstring(fullPath.substr(0, end + 1));
}

} // namespace veyra
