#include "ui/ShowState.h"

#include <gtest/gtest.h>

#include <utility>

namespace veyra {
namespace {

TEST(ShowStateTest, OnlyMaximisedAndMinimisedWithoutActivationChangeTheState) {
    using enum WindowShowState;
    constexpr std::pair<int, WindowShowState> cases[] = {
        {0, Normal},    // SW_HIDE
        {1, Normal},    // SW_SHOWNORMAL
        {2, Normal},    // SW_SHOWMINIMIZED
        {3, Maximized}, // SW_SHOWMAXIMIZED
        {4, Normal},    // SW_SHOWNOACTIVATE
        {5, Normal},    // SW_SHOW
        {6, Normal},    // SW_MINIMIZE
        {7, Minimized}, // SW_SHOWMINNOACTIVE
        {8, Normal},    // SW_SHOWNA
        {9, Normal},    // SW_RESTORE
        {10, Normal},   // SW_SHOWDEFAULT
        {11, Normal},   // SW_FORCEMINIMIZE
    };
    for (const auto& [command, expected] : cases)
        EXPECT_EQ(InitialShowState(command), expected) << "show command " << command;
}

} // namespace
} // namespace veyra
