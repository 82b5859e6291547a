#pragma once
// The two files of an update, as they are named on disk.

namespace veyra {

inline constexpr wchar_t kGameLauncher[] = L"dunmorelauncher.exe";
inline constexpr wchar_t kUpdateFile[] = L"temp.data";

} // namespace veyra
