#include "ui/WindowPosition.h"

#include <gtest/gtest.h>

namespace veyra {
namespace {

struct PositionCase {
    const char* name;
    ScreenRect workArea;
    int virtualLeft, virtualTop;
    ScreenPoint expected;
};

TEST(SingleThreadFirstShowPositionTest, UsesTheWorkAreasSizeOnly) {
    const PositionCase cases[] = {
        {"plain 1280x1024", {0, 0, 1280, 1024}, 0, 0, {490, 370}},
        // A 40-pixel taskbar on the left: 790, where the work area's centre would give 830.
        {"left taskbar", {40, 0, 1920, 1080}, 0, 0, {790, 398}},
        {"top taskbar", {0, 40, 1920, 1080}, 0, 0, {810, 378}},
        {"bottom taskbar", {0, 0, 1920, 1040}, 0, 0, {810, 378}},
        // Odd remainders truncate: (1281 - 300) / 2 = 490.5 -> 490.
        {"odd sizes", {0, 0, 1281, 1025}, 0, 0, {490, 370}},
        // A work area smaller than the window gives negative values, truncated toward zero and
        // then held at the virtual desktop's edge.
        {"tiny work area, clamped", {0, 0, 199, 183}, 0, 0, {0, 0}},
        {"tiny work area, monitors left of it", {0, 0, 199, 183}, -1920, -200, {-50, -50}},
        {"virtual desktop starts right of the result", {0, 0, 1280, 1024}, 600, 400, {600, 400}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FirstShowPosition(c.workArea, c.virtualLeft, c.virtualTop, 300, 284), c.expected)
            << c.name;
}

} // namespace
} // namespace veyra
