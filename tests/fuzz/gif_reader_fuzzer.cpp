// Any bytes must be read without crashing or reading outside the input; a picture that is read
// must be consistent and composable frame by frame, forwards and after the wrap to frame 0.
#include "image/GifReader.h"
#include "image/LogoComposer.h"
#include "ui/FrameTiming.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto result = veyra::DecodeGif({data, size});
    // A refusal always has a kind, and only a refusal has one.
    if (result.ok() != (result.kind == veyra::ImageErrorKind::none))
        __builtin_trap();
    if (!result.ok()) {
        if (!result.value.frames.empty())
            __builtin_trap();
        return 0;
    }
    const auto& picture = result.value;
    if (picture.frames.empty())
        __builtin_trap();
    for (const auto& frame : picture.frames)
        if (frame.colors.size() != static_cast<std::size_t>(frame.width) * frame.height)
            __builtin_trap();

    // Composition allocates the whole screen; keep the fuzzer to modest ones.
    const std::size_t screen = static_cast<std::size_t>(picture.screenWidth) *
                               static_cast<std::size_t>(picture.screenHeight);
    if (screen > (1u << 20))
        return 0;
    veyra::LogoComposer composer(picture, veyra::Rgb{0xC0, 0xC0, 0xC0});
    const int count = static_cast<int>(picture.frames.size());
    for (int k = 0; k <= count; ++k) {
        const int frame = k % count;
        if (composer.Compose(frame).size() != screen)
            __builtin_trap();
        const unsigned interval = veyra::FrameIntervalMs(picture, frame);
        if (interval != 0 && (interval < 50 || interval > 10000))
            __builtin_trap();
    }
    return 0;
}
