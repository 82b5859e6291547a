#pragma once
// How long the logo shows a frame before the next step.
#include "image/GifReader.h"

namespace veyra {

// The frame's interval clamped to 50..10000 ms; 0 (the timer stops) when currentIndex lies
// outside the frames or the picture has fewer than 2 frames.
unsigned FrameIntervalMs(const GifPicture& picture, int currentIndex);

} // namespace veyra
