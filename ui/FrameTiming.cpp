#include "ui/FrameTiming.h"

#include <algorithm>

namespace veyra {

unsigned FrameIntervalMs(const GifPicture& picture, int currentIndex) {
    const auto& frames = picture.frames;
    if (frames.size() < 2 || currentIndex < 0 ||
        static_cast<std::size_t>(currentIndex) >= frames.size())
        return 0;
    return std::clamp<unsigned>(frames[static_cast<std::size_t>(currentIndex)].intervalMs, 50,
                                10000);
}

} // namespace veyra
