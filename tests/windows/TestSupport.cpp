#include "TestSupport.h"

#include "support/Files_win.h"
#include "support/WinHandle_win.h"

#include <shellapi.h>

#include <thread>

namespace veyra::test {
namespace {
constexpr wchar_t kPolicyKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";

UniqueKey OpenPolicyKey() {
    HKEY key = nullptr;
    ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPolicyKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                      &key, nullptr);
    return UniqueKey(key);
}
} // namespace

std::wstring TestDirectory() {
    return ProgramDirectory();
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    const UniqueHandle file = AdoptFileHandle(::CreateFileW(
        path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file &&
           ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                       nullptr) &&
           written == bytes.size();
}

std::optional<std::string> ReadBytes(const std::wstring& path) {
    const UniqueHandle file = AdoptFileHandle(::CreateFileW(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, 0, nullptr));
    if (!file)
        return std::nullopt;
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    return bytes;
}

std::optional<std::string> WaitForBytes(const std::wstring& path, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        auto bytes = ReadBytes(path);
        if (bytes && !bytes->empty())
            return bytes;
        if (std::chrono::steady_clock::now() >= end)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

ScratchDir::ScratchDir() {
    wchar_t base[MAX_PATH + 1];
    ::GetTempPathW(MAX_PATH + 1, base);
    for (unsigned n = ::GetTickCount();; ++n) {
        path_ = std::wstring(base) + L"veyra-test-" + std::to_wstring(n) + L"\\";
        if (::CreateDirectoryW(path_.c_str(), nullptr))
            return;
    }
}

ScratchDir::~ScratchDir() {
    // SHFileOperation wants a double-NUL-terminated list.
    std::wstring from = path_.substr(0, path_.size() - 1);
    from.push_back(L'\0');
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NO_UI;
    ::SHFileOperationW(&operation);
}

EnableLuaOverride::EnableLuaOverride(std::optional<DWORD> value) {
    const UniqueKey key = OpenPolicyKey();
    DWORD type = 0, old = 0, size = sizeof(old);
    if (::RegQueryValueExW(key.get(), L"EnableLUA", nullptr, &type, reinterpret_cast<BYTE*>(&old),
                           &size) == ERROR_SUCCESS &&
        type == REG_DWORD)
        saved_ = old;
    if (value)
        ::RegSetValueExW(key.get(), L"EnableLUA", 0, REG_DWORD,
                         reinterpret_cast<const BYTE*>(&*value), sizeof(DWORD));
    else
        ::RegDeleteValueW(key.get(), L"EnableLUA");
}

void EnableLuaOverride::SetText(const wchar_t* text) {
    const UniqueKey key = OpenPolicyKey();
    ::RegSetValueExW(key.get(), L"EnableLUA", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                     static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
}

EnableLuaOverride::~EnableLuaOverride() {
    const UniqueKey key = OpenPolicyKey();
    if (saved_)
        ::RegSetValueExW(key.get(), L"EnableLUA", 0, REG_DWORD,
                         reinterpret_cast<const BYTE*>(&*saved_), sizeof(DWORD));
    else
        ::RegDeleteValueW(key.get(), L"EnableLUA");
}

} // namespace veyra::test
