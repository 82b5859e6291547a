#pragma once
// Where the program's colours meet GDI's COLORREF: the same 0x00BBGGRR value, typed on our side.
#include "image/PixelTypes.h"

#include <windows.h>

namespace veyra {

inline COLORREF ToWinColor(ColorRef color) {
    return static_cast<COLORREF>(color.value);
}
inline ColorRef FromWinColor(COLORREF color) {
    return ColorRef(static_cast<std::uint32_t>(color));
}

// GetSysColor's colour for `index` (COLOR_WINDOW, COLOR_BTNFACE, ...).
inline ColorRef SystemColor(int index) {
    return FromWinColor(::GetSysColor(index));
}

} // namespace veyra
