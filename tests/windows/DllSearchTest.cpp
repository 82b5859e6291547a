#include "app/DllSearch_win.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace veyra {
namespace {

// The probe DLL lies only beside the test program. It loads by bare name before the restriction
// and must not load after it.
TEST(DllSearchTest, TheProgramsOwnFolderLeavesTheSearch) {
    const HMODULE before = ::LoadLibraryW(L"veyra_dll_probe.dll");
    ASSERT_NE(before, nullptr) << "the probe must be loadable before the restriction";
    ::FreeLibrary(before);
    ASSERT_EQ(::GetModuleHandleW(L"veyra_dll_probe.dll"), nullptr);

    EXPECT_TRUE(RestrictDllSearchToSystem32());
    const HMODULE after = ::LoadLibraryW(L"veyra_dll_probe.dll");
    EXPECT_EQ(after, nullptr);
    if (after)
        ::FreeLibrary(after);
    // System DLLs still load.
    const HMODULE system = ::LoadLibraryW(L"version.dll");
    EXPECT_NE(system, nullptr);
    if (system)
        ::FreeLibrary(system);
}

} // namespace
} // namespace veyra
