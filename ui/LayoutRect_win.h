#pragma once
// The layout's rectangles as GDI takes them.
#include "resources/Layout.h"

#include <windows.h>

namespace veyra {

inline RECT ToRect(const layout::Rect& r) {
    return {r.left, r.top, r.right(), r.bottom()};
}

} // namespace veyra
