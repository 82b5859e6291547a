#include "app/DllSearch_win.h"
#include "support/SystemLibrary_win.h"

#include "TestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cwctype>
#include <iterator>
#include <optional>
#include <string>

namespace veyra {
namespace {

constexpr wchar_t kProbe[] = L"veyra_dll_probe.dll";

// The probe DLL lies only beside the test program. It loads by bare name before the restriction
// and must not load after it.
TEST(DllSearchTest, TheProgramsOwnFolderLeavesTheSearch) {
    const HMODULE before = ::LoadLibraryW(kProbe);
    ASSERT_NE(before, nullptr) << "the probe must be loadable before the restriction";
    ::FreeLibrary(before);
    ASSERT_EQ(::GetModuleHandleW(kProbe), nullptr);

    EXPECT_TRUE(RestrictDllSearchToSystem32());
    const HMODULE after = ::LoadLibraryW(kProbe);
    EXPECT_EQ(after, nullptr);
    if (after)
        ::FreeLibrary(after);
    // System DLLs still load.
    const HMODULE system = ::LoadLibraryW(L"version.dll");
    EXPECT_NE(system, nullptr);
    if (system)
        ::FreeLibrary(system);
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

std::wstring SystemDirectory() {
    wchar_t path[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
    return length && length < MAX_PATH ? std::wstring(path, length) : std::wstring();
}

std::wstring ModulePath(HMODULE module) {
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(module, path, MAX_PATH);
    return length && length < MAX_PATH ? std::wstring(path, length) : std::wstring();
}

// The helper with its fallback, and each of its two ways alone (the second is the one Windows 7
// without its update takes).
struct Way {
    const char* name;
    std::optional<SystemLibrarySearch> search;
};
constexpr Way kWays[] = {
    {"default", std::nullopt},
    {"System32Only", SystemLibrarySearch::System32Only},
    {"System32First", SystemLibrarySearch::System32First},
};

UniqueModule Load(std::wstring_view name, const Way& way) {
    return way.search ? LoadSystemLibrary(name, *way.search) : LoadSystemLibrary(name);
}

TEST(DllSearchTest, SystemLibraryComesFromTheSystemDirectory) {
    const std::wstring system = Lower(SystemDirectory()) + L'\\';
    ASSERT_NE(system, L"\\");
    for (const Way& way : kWays) {
        SCOPED_TRACE(way.name);
        const UniqueModule version = Load(L"version.dll", way);
        ASSERT_TRUE(version) << "error " << ::GetLastError();
        const std::wstring path = Lower(ModulePath(version.get()));
        EXPECT_EQ(path.substr(0, system.size()), system);
        EXPECT_NE(::GetProcAddress(version.get(), "GetFileVersionInfoSizeW"), nullptr);
    }
}

// The probe is found by a search of the program's folder, so a helper that searched there, or
// that took a loaded module by its name, would hand it back.
TEST(DllSearchTest, SystemLibraryIgnoresTheProgramsFolder) {
    const std::wstring besideUs = test::TestDirectory() + kProbe;
    for (const Way& way : kWays) {
        SCOPED_TRACE(way.name);
        {
            const UniqueModule found(
                ::LoadLibraryExW(kProbe, nullptr, LOAD_LIBRARY_SEARCH_APPLICATION_DIR));
            ASSERT_TRUE(found) << "the probe must lie beside the test program";
        }
        ASSERT_EQ(::GetModuleHandleW(kProbe), nullptr);
        const UniqueModule searched = Load(kProbe, way);
        const DWORD error = ::GetLastError();
        EXPECT_FALSE(searched);
        EXPECT_EQ(error, static_cast<DWORD>(ERROR_MOD_NOT_FOUND));

        const UniqueModule loaded(::LoadLibraryW(besideUs.c_str()));
        ASSERT_TRUE(loaded);
        EXPECT_FALSE(Load(kProbe, way))
            << "took the probe already loaded from the program's folder";
    }
}

// Each of these is refused before any load is tried: the error is ERROR_INVALID_NAME, not that of
// a failed search. Two of them would otherwise load version.dll from the system directory.
TEST(DllSearchTest, SystemLibraryRefusesAnythingButABareName) {
    const std::wstring fullPath = SystemDirectory() + L"\\version.dll";
    const std::wstring names[] = {
        fullPath,
        L".\\version.dll",
        L"./version.dll",
        L"C:version.dll",
        test::TestDirectory() + kProbe,
        L"",
        std::wstring(L"version.dll\0x", 13),
    };
    for (const Way& way : kWays) {
        SCOPED_TRACE(way.name);
        for (size_t row = 0; row < std::size(names); ++row) {
            SCOPED_TRACE(row);
            const UniqueModule module = Load(names[row], way);
            const DWORD error = ::GetLastError();
            EXPECT_FALSE(module);
            EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_NAME));
        }
    }
}

} // namespace
} // namespace veyra
