#pragma once
// Shared pieces of the Windows tests: the helper programs beside the test program, records they
// leave, and scratch folders.
#include <windows.h>

#include <chrono>
#include <optional>
#include <string>

namespace veyra::test {

// The folder of the running test program, with its trailing separator.
std::wstring TestDirectory();

// Makes the file hold exactly `bytes`; false when it cannot be written.
bool WriteBytes(const std::wstring& path, const std::string& bytes);

// The file's bytes, or nothing when it cannot be read.
std::optional<std::string> ReadBytes(const std::wstring& path);

// Polls until the file exists and is non-empty or the time is up; returns its bytes.
std::optional<std::string> WaitForBytes(const std::wstring& path, std::chrono::milliseconds limit);

// A fresh empty folder under the system's temporary folder, removed with its files at the end.
class ScratchDir {
public:
    ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    ~ScratchDir();
    const std::wstring& Path() const { return path_; } // with trailing separator

private:
    std::wstring path_;
};

// Sets (or, with nothing, deletes) HKLM\...\Policies\System\EnableLUA for one test and puts the
// old value back at the end.
class EnableLuaOverride {
public:
    explicit EnableLuaOverride(std::optional<DWORD> value);
    EnableLuaOverride(const EnableLuaOverride&) = delete;
    EnableLuaOverride& operator=(const EnableLuaOverride&) = delete;
    ~EnableLuaOverride();
    // Stores a value of another type (REG_SZ) instead.
    void SetText(const wchar_t* text);

private:
    std::optional<DWORD> saved_;
};

} // namespace veyra::test
