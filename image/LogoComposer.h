#pragma once
// Composition of the logo's frames, with a one-entry cache so that each animation step draws only
// the new frame.
#include "image/GifReader.h"

#include <vector>

namespace veyra {

class LogoComposer {
public:
    // Keeps its own copy of the picture (the logo is small), so the caller's may go.
    LogoComposer(const GifPicture& picture, Rgb systemWindowColor);
    LogoComposer(GifPicture&& picture, Rgb systemWindowColor);

    // The composite of frame k: screenWidth x screenHeight colours, row-major, top-down. When the
    // cache holds frame k - 1, frame k is drawn over it; when it holds k, it is returned as it is;
    // otherwise the composite is rebuilt: filled with the key colour, then frames 0 to k drawn in
    // order. Drawing is keyed: a frame's pixels of its transparent colour leave the composite
    // unchanged, all others replace it; a frame without a transparent colour replaces its whole
    // rectangle; frames are clipped to the screen. Disposal methods are not applied: every frame
    // stays in place, as the logo's frames ask. The reference stays valid until the next call.
    // Throws std::out_of_range for a k outside the frames.
    const std::vector<Rgb>& Compose(int k);

    // Frame 0's transparent colour; else the background colour when the picture has
    // transparency and a background colour; else the system window colour.
    Rgb KeyColor() const { return keyColor_; }
    // The frame the cached composite shows, -1 when there is none yet.
    int CachedFrame() const { return cachedFrame_; }
    // How many frames the last Compose drew (0 when it returned the cache as it was).
    int FramesDrawnByLastCompose() const { return framesDrawn_; }

    const GifPicture& Picture() const { return picture_; }

private:
    void Draw(const GifFrame& frame);

    GifPicture picture_;
    Rgb keyColor_;
    std::vector<Rgb> composite_;
    int cachedFrame_ = -1;
    int framesDrawn_ = 0;
};

} // namespace veyra
