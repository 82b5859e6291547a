#pragma once
// The splash window's three pictures, stored in the program as RCDATA resources.
#include "image/GifReader.h"
#include "image/Image.h"

#include <windows.h>

#include <cstdint>
#include <span>

namespace veyra {

inline constexpr wchar_t kBackgroundResource[] = L"BACKGROUND_PNG";
inline constexpr wchar_t kCaptionResource[] = L"DESC_LOGO_PNG";
inline constexpr wchar_t kLogoResource[] = L"LOGO_GIF";

struct SplashArtwork {
    RgbaImage background; // BACKGROUND
    RgbaImage caption;    // DESC_LOGO
    GifPicture logo;      // LOGO
};

// The bytes of an RCDATA resource of `module`; empty when it is missing.
std::span<const std::uint8_t> ResourceBytes(HMODULE module, const wchar_t* name);

// Decodes the three pictures. A picture that is missing or does not decode stays empty, and the
// window shows without it.
SplashArtwork LoadSplashArtwork(HMODULE module);

} // namespace veyra
