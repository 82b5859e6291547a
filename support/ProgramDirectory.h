#pragma once
// Paths beside the program are its own folder plus a file name.
#include <string>
#include <string_view>

namespace veyra {

// The directory part of a full path, with its trailing separator ('\\', '/' or the ':' of a bare
// drive); empty when the path has none.
std::wstring DirectoryPart(std::wstring_view fullPath);

} // namespace veyra
