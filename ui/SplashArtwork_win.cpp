#include "ui/SplashArtwork_win.h"

#include "image/PngReader.h"

namespace veyra {

std::span<const std::uint8_t> ResourceBytes(HMODULE module, const wchar_t* name) {
    const HRSRC found = ::FindResourceW(module, name, MAKEINTRESOURCEW(10)); // RT_RCDATA
    if (!found)
        return {};
    const HGLOBAL loaded = ::LoadResource(module, found); // lives as long as the module
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes)
        return {};
    return {static_cast<const std::uint8_t*>(bytes), ::SizeofResource(module, found)};
}

SplashArtwork LoadSplashArtwork(HMODULE module) {
    SplashArtwork artwork;
    if (auto background = DecodePng(ResourceBytes(module, kBackgroundResource)); background.ok())
        artwork.background = std::move(background.value);
    if (auto caption = DecodePng(ResourceBytes(module, kCaptionResource)); caption.ok())
        artwork.caption = std::move(caption.value);
    if (auto logo = DecodeGif(ResourceBytes(module, kLogoResource)); logo.ok())
        artwork.logo = std::move(logo.value);
    return artwork;
}

} // namespace veyra
