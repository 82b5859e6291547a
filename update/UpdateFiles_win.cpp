#include "update/UpdateFiles_win.h"

#include "support/LinkSafety.h"
#include "support/WinHandle_win.h"
#include "support/uCRC32_win.h"

#include <windows.h>

#include <cstddef>
#include <optional>
#include <vector>

namespace veyra {
namespace {

bool IsTransient(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
           error == ERROR_LOCK_VIOLATION;
}

FileStep Failed(DWORD error) {
    return {false, IsTransient(error), error};
}

FileStep LastFailure() {
    return Failed(::GetLastError());
}

constexpr FileStep kDone{true};

class Win32OpenedFile final : public OpenedFile {
public:
    Win32OpenedFile(UniqueHandle file, std::wstring path, bool installable)
        : file_(std::move(file)), path_(std::move(path)), installable_(installable) {}

    bool Installable() const override { return installable_; }

    void ReadAll(std::initializer_list<ByteSink*> sinks) override {
        ReadWholeFile(file_.get(), sinks, path_);
    }

    FileStep Flush() override { return ::FlushFileBuffers(file_.get()) ? kDone : LastFailure(); }

    FileStep RenameTo(const std::wstring& target) override {
        // The record ends in the name; its size counts the name's characters past the first.
        std::vector<std::byte> buffer(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
        auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
        rename->ReplaceIfExists = TRUE;
        rename->RootDirectory = nullptr;
        rename->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
        target.copy(rename->FileName, target.size());
        rename->FileName[target.size()] = L'\0';
        if (!::SetFileInformationByHandle(file_.get(), FileRenameInfo, rename,
                                          static_cast<DWORD>(buffer.size())))
            return LastFailure();
        // Written through, as a rename with MOVEFILE_WRITE_THROUGH would be.
        ::FlushFileBuffers(file_.get());
        return kDone;
    }

private:
    UniqueHandle file_;
    std::wstring path_;
    bool installable_;
};

// The opened name as the file system has it, not followed.
std::optional<NameFacts> FactsOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION information;
    if (!::GetFileInformationByHandle(file, &information))
        return std::nullopt;
    return NameFacts{(information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0,
                     information.nNumberOfLinks};
}

} // namespace

OpenOutcome Win32UpdateFileSystem::Open(const std::wstring& path, OpenFor purpose) {
    // Sharing reading only: nobody writes, deletes or renames the file while it is open.
    const DWORD access =
        purpose == OpenFor::Install ? GENERIC_READ | GENERIC_WRITE | DELETE : GENERIC_READ;
    UniqueHandle file =
        AdoptFileHandle(::CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file)
        return {nullptr, LastFailure()};
    const std::optional<NameFacts> facts = FactsOf(file.get());
    if (!facts)
        return {nullptr, LastFailure()};
    // A link's own data is not the file it names, and installing it would install the link.
    if (facts->reparsePoint)
        return {nullptr, Failed(ERROR_CANT_ACCESS_FILE)};
    // A file with a second name could be changed through that name once it is the launcher.
    const bool installable = purpose == OpenFor::Install && !LeadsElsewhere(*facts);
    return {std::make_unique<Win32OpenedFile>(std::move(file), path, installable), {}};
}

FileStep Win32UpdateFileSystem::Copy(const std::wstring& source, const std::wstring& target) {
    // Fails on an existing name: a new file is created, so a planted link is not followed.
    if (::CopyFileW(source.c_str(), target.c_str(), TRUE))
        return kDone;
    const DWORD error = ::GetLastError();
    // A name left by a removal that a scanner held up may be free on the next try.
    if (error == ERROR_FILE_EXISTS)
        return {false, true, error};
    return Failed(error);
}

void Win32UpdateFileSystem::ClearReadOnly(const std::wstring& path) {
    // Through a handle of the name itself, so a link's target elsewhere is never touched.
    const UniqueHandle file = AdoptFileHandle(
        ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    FILE_BASIC_INFO basic{};
    if (!file || !::GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof(basic)))
        return;
    if (!(basic.FileAttributes & FILE_ATTRIBUTE_READONLY) ||
        (basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return;
    basic.FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
    if (basic.FileAttributes == 0)
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL; // zero would mean "leave unchanged"
    // Only the attributes change: zero times are left as they are.
    basic.CreationTime.QuadPart = 0;
    basic.LastAccessTime.QuadPart = 0;
    basic.LastWriteTime.QuadPart = 0;
    basic.ChangeTime.QuadPart = 0;
    ::SetFileInformationByHandle(file.get(), FileBasicInfo, &basic, sizeof(basic));
}

void Win32UpdateFileSystem::Remove(const std::wstring& path) {
    ::DeleteFileW(path.c_str());
}

void Win32UpdateFileSystem::Pause(unsigned milliseconds) {
    ::Sleep(milliseconds);
}

} // namespace veyra
