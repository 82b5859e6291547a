#include "image/LogoComposer.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

namespace veyra {
namespace {

Rgb ChooseKeyColor(const GifPicture& picture, Rgb systemWindowColor) {
    if (!picture.frames.empty() && picture.frames.front().transparentColor)
        return *picture.frames.front().transparentColor;
    if (picture.HasTransparency() && picture.backgroundColor)
        return *picture.backgroundColor;
    return systemWindowColor;
}

} // namespace

LogoComposer::LogoComposer(const GifPicture& picture, Rgb systemWindowColor)
    : LogoComposer(GifPicture(picture), systemWindowColor) {}

LogoComposer::LogoComposer(GifPicture&& picture, Rgb systemWindowColor)
    : picture_(std::move(picture)), keyColor_(ChooseKeyColor(picture_, systemWindowColor)) {}

const std::vector<Rgb>& LogoComposer::Compose(int k) {
    if (k < 0 || static_cast<std::size_t>(k) >= picture_.frames.size())
        throw std::out_of_range("LogoComposer: no frame " + std::to_string(k));
    if (cachedFrame_ == k) {
        framesDrawn_ = 0;
        return composite_;
    }
    if (cachedFrame_ >= 0 && cachedFrame_ == k - 1) {
        Draw(picture_.frames[static_cast<std::size_t>(k)]);
        framesDrawn_ = 1;
    } else {
        composite_.assign(static_cast<std::size_t>(picture_.screenWidth) *
                              static_cast<std::size_t>(picture_.screenHeight),
                          keyColor_);
        for (int i = 0; i <= k; ++i)
            Draw(picture_.frames[static_cast<std::size_t>(i)]);
        framesDrawn_ = k + 1;
    }
    cachedFrame_ = k;
    return composite_;
}

void LogoComposer::Draw(const GifFrame& frame) {
    const int right = std::min(picture_.screenWidth, frame.left + frame.width);
    const int bottom = std::min(picture_.screenHeight, frame.top + frame.height);
    // A frame whose colours do not cover its rectangle (not one the reader makes) draws nothing.
    if (frame.colors.size() <
        static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height))
        return;
    for (int y = std::max(0, frame.top); y < bottom; ++y) {
        for (int x = std::max(0, frame.left); x < right; ++x) {
            const Rgb color = frame.colors[static_cast<std::size_t>(y - frame.top) * frame.width +
                                           static_cast<std::size_t>(x - frame.left)];
            if (frame.transparentColor && color == *frame.transparentColor)
                continue;
            composite_[static_cast<std::size_t>(y) * picture_.screenWidth +
                       static_cast<std::size_t>(x)] = color;
        }
    }
}

} // namespace veyra
