#include "ui/FrameTiming.h"

#include "tests/native/Fixtures.h"

#include <gtest/gtest.h>

namespace veyra {
namespace {

GifPicture WithIntervals(std::initializer_list<std::uint16_t> intervals) {
    GifPicture picture;
    for (auto interval : intervals) {
        GifFrame frame;
        frame.intervalMs = interval;
        picture.frames.push_back(frame);
    }
    return picture;
}

TEST(SingleThreadFrameTimingTest, ClampsTheIntervalTo50Through10000) {
    const GifPicture picture = WithIntervals({0, 20, 49, 50, 51, 9999, 10000, 10001, 65535});
    const unsigned expected[] = {50, 50, 50, 50, 51, 9999, 10000, 10000, 10000};
    for (int i = 0; i < static_cast<int>(std::size(expected)); ++i)
        EXPECT_EQ(FrameIntervalMs(picture, i), expected[i]) << "frame " << i;
}

TEST(SingleThreadFrameTimingTest, StopsOutsideTheFramesOrWithFewerThanTwo) {
    const GifPicture two = WithIntervals({100, 100});
    EXPECT_EQ(FrameIntervalMs(two, -1), 0u);
    EXPECT_EQ(FrameIntervalMs(two, 2), 0u);
    EXPECT_EQ(FrameIntervalMs(WithIntervals({100}), 0), 0u);
    EXPECT_EQ(FrameIntervalMs(GifPicture{}, 0), 0u);
}

TEST(SingleThreadFrameTimingTest, DelaysOfTheAnimationFixture) {
    // Delays 0, 2 and 1500 hundredths of a second, then an image without a control extension.
    const auto result = DecodeGif(test::Fixture("frames.gif"));
    ASSERT_TRUE(result.ok()) << result.error;
    const unsigned expected[] = {50, 50, 10000, 50};
    ASSERT_EQ(result.value.frames.size(), std::size(expected));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(FrameIntervalMs(result.value, i), expected[i]) << "frame " << i;
}

} // namespace
} // namespace veyra
