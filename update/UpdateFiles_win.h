#pragma once
// The update's file operations on Windows: "temp.data" and the staging copy held open by one
// handle from their check to their rename.
#include "update/UpdateFileSystem.h"

namespace veyra {

class Win32UpdateFileSystem final : public UpdateFileSystem {
public:
    OpenOutcome Open(const std::wstring& path, OpenFor purpose) override;
    FileStep Copy(const std::wstring& source, const std::wstring& target) override;
    void ClearReadOnly(const std::wstring& path) override;
    void Remove(const std::wstring& path) override;
    void Pause(unsigned milliseconds) override;
};

} // namespace veyra
