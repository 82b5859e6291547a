#pragma once
// Where the splash window goes when it is first shown.

namespace veyra {

struct ScreenRect {
    int left, top, right, bottom;
};

struct ScreenPoint {
    int x, y;
    bool operator==(const ScreenPoint&) const = default;
};

// Centres by the work area's width and height only: the work area's own left and top edges are
// not added (so a taskbar on the left or top shifts the window off the work area's centre), each
// coordinate divided with truncation toward zero and then clamped to the virtual desktop's left
// and top edges.
ScreenPoint FirstShowPosition(const ScreenRect& workArea, int virtualLeft, int virtualTop,
                              int windowWidth, int windowHeight);

} // namespace veyra
