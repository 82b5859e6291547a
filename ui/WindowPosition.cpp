#include "ui/WindowPosition.h"

#include <algorithm>

namespace veyra {

ScreenPoint FirstShowPosition(const ScreenRect& workArea, int virtualLeft, int virtualTop,
                              int windowWidth, int windowHeight) {
    // C++ division truncates toward zero, as the placement has always done.
    const int left = (workArea.right - workArea.left - windowWidth) / 2;
    const int top = (workArea.bottom - workArea.top - windowHeight) / 2;
    return {std::max(left, virtualLeft), std::max(top, virtualTop)};
}

} // namespace veyra
