#pragma once
// The launcher swap's file operations on Windows.
#include "update/LauncherSwap.h"

namespace veyra {

class Win32SwapFileSystem final : public SwapFileSystem {
public:
    FileStep Replace(const std::wstring& source, const std::wstring& target) override;
    FileStep Copy(const std::wstring& source, const std::wstring& target) override;
    FileStep Flush(const std::wstring& path) override;
    std::optional<std::uint32_t> Crc32(const std::wstring& path) override;
    void Remove(const std::wstring& path) override;
    void Pause(unsigned milliseconds) override;
};

} // namespace veyra
