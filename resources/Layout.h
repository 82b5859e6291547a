#pragma once
// The splash window's layout: positions and sizes are pixels of a 96-DPI layout; colours are
// ColorRef values (lowest byte red, as Win32's COLORREF).
#include "resources/ColorRef.h"

#include <cstdint>

namespace veyra::layout {

struct Rect {
    int left, top, width, height;
    constexpr int right() const { return left + width; }
    constexpr int bottom() const { return top + height; }
};

inline constexpr int kWindowWidth = 300;
inline constexpr int kWindowHeight = 284;

// Components in creation order, which is also their drawing order.
inline constexpr Rect kBackground{0, 0, 300, 284};
inline constexpr Rect kLogo{60, 56, 180, 100};
inline constexpr Rect kDescLogo{96, 162, 109, 18};
inline constexpr Rect kInfo{8, 208, 284, 13};

// Fonts: Tahoma, 11-pixel character height (8 points at 96 DPI), regular.
inline constexpr wchar_t kFontName[] = L"Tahoma";
inline constexpr int kFontHeight = -11;

inline constexpr ColorRef kInfoTextColor{13041663}; // RGB(255, 255, 198)
static_assert(kInfoTextColor == ColorRef::FromRgb(255, 255, 198));
inline constexpr wchar_t kInitialStatus[] = L"Checking Launcher for update...";

// The components a window can show; BACKGROUND is never drawn itself.
enum class Component { BACKGROUND, LOGO, DESC_LOGO, INFO };

// The components drawn on the window (BACKGROUND is hidden), in drawing order.
inline constexpr Rect kVisibleComponents[] = {kLogo, kDescLogo, kInfo};

// VEYRALAUNCHER_MANAGER: the translucency and dragging settings, fixed with the layout.
enum class TranslucencyMode { tfmLayeredWindow }; // per-pixel-alpha window + colour-keyed layer

struct TranslucencySettings {
    bool Active;                             // the translucency is installed
    TranslucencyMode Mode;                   //
    Component MaskFromImage;                 // the picture that gives the window's image
    bool MovableForm;                        // every point of the window is its caption
    std::uint8_t LayeredAlphaValue;          // constant alpha over the per-pixel alpha
    ColorRef LayeredTransparentControlColor; // the control layer's background and key
    bool AutoSize;                           // off: the window keeps its own size
};

inline constexpr TranslucencySettings kVeyraLauncherManager{
    .Active = true,
    .Mode = TranslucencyMode::tfmLayeredWindow,
    .MaskFromImage = Component::BACKGROUND,
    .MovableForm = true,
    .LayeredAlphaValue = 255,
    .LayeredTransparentControlColor = ColorRef{16711422}, // RGB(254, 254, 254)
    .AutoSize = false,
};

// The control layer's background and key colour.
inline constexpr ColorRef kLayeredTransparentControlColor =
    kVeyraLauncherManager.LayeredTransparentControlColor;
static_assert(kLayeredTransparentControlColor == ColorRef::FromRgb(254, 254, 254));
inline constexpr std::uint8_t kLayeredAlphaValue = kVeyraLauncherManager.LayeredAlphaValue;

inline constexpr unsigned kCloseTimerIntervalMs = 3000;

// The logo's frame index as stored with the layout; loading the picture resets it to 0.
inline constexpr int kStoredLogoFrameIndex = 31;

} // namespace veyra::layout
