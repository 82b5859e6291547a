#include "image/LogoComposer.h"

#include "tests/native/Fixtures.h"
#include "tests/native/PixelTestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace veyra {
namespace {

using Colors = std::vector<Rgb>;

// K is frame 0's transparent colour and so the key colour.
constexpr Rgb K{0, 0, 0}, A{255, 0, 0}, B{0, 255, 0}, C{0, 0, 255};
constexpr Rgb kSystemWindow{255, 255, 255}, kBackground{0x56, 0x34, 0x12};

GifFrame Frame(int left, int top, int width, int height, Colors colors,
               std::optional<Rgb> transparent) {
    GifFrame frame;
    frame.left = left;
    frame.top = top;
    frame.width = width;
    frame.height = height;
    frame.colors = std::move(colors);
    frame.transparentColor = transparent;
    return frame;
}

// A 4 x 3 screen and four frames: keyed, keyed and clipped at the right and bottom, unkeyed
// (its K pixels are drawn too), and keyed by another colour.
GifPicture Picture() {
    GifPicture picture;
    picture.screenWidth = 4;
    picture.screenHeight = 3;
    picture.backgroundColor = kBackground;
    picture.frames = {
        Frame(0, 0, 4, 3,
              {A, K, A, K, //
               K, K, K, K, //
               B, B, K, K},
              K),
        Frame(1, 1, 4, 3,
              {C, K, C, C, //
               K, C, C, C, //
               C, C, C, C},
              K),
        Frame(0, 0, 2, 2,
              {K, A, //
               A, K},
              std::nullopt),
        Frame(2, 0, 2, 1, {A, B}, A),
    };
    return picture;
}

// What each frame's composite must show.
const Colors kExpected[] = {
    {A, K, A, K, //
     K, K, K, K, //
     B, B, K, K},
    {A, K, A, K, //
     K, C, K, C, //
     B, B, C, C},
    {K, A, A, K, //
     A, K, K, C, //
     B, B, C, C},
    {K, A, A, B, //
     A, K, K, C, //
     B, B, C, C},
};

TEST(SingleThreadLogoComposerTest, KeyColorComesFromFrameZeroThenTheBackgroundThenTheSystem) {
    auto keyed = Picture();
    auto backgroundOnly = Picture();
    backgroundOnly.frames[0].transparentColor.reset(); // frame 3 still has transparency
    auto noBackground = backgroundOnly;
    noBackground.backgroundColor.reset();
    auto opaque = backgroundOnly;
    opaque.frames[1].transparentColor.reset();
    opaque.frames[3].transparentColor.reset();
    const struct {
        const char* name;
        GifPicture picture;
        Rgb key;
    } cases[] = {
        {"frame 0 transparent", keyed, K},
        {"transparency elsewhere, background colour", backgroundOnly, kBackground},
        {"transparency elsewhere, no background colour", noBackground, kSystemWindow},
        {"no transparency at all", opaque, kSystemWindow},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LogoComposer(c.picture, kSystemWindow).KeyColor(), c.key) << c.name;
}

TEST(SingleThreadLogoComposerTest, EachStepDrawsOnlyTheNewFrame) {
    LogoComposer composer(Picture(), kSystemWindow);
    EXPECT_EQ(composer.CachedFrame(), -1);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(composer.Compose(k), kExpected[k]) << "frame " << k;
        EXPECT_EQ(composer.FramesDrawnByLastCompose(), 1) << "frame " << k;
        EXPECT_EQ(composer.CachedFrame(), k);
    }
    // The wrap to frame 0 rebuilds from frame 0 alone: drawn over frame 3's composite, its K
    // pixels would have kept frame 3's colours.
    EXPECT_EQ(composer.Compose(0), kExpected[0]);
    EXPECT_EQ(composer.FramesDrawnByLastCompose(), 1);
}

TEST(SingleThreadLogoComposerTest, OtherJumpsRebuildFromTheKeyColourAndEveryFrameUpToK) {
    for (int k = 0; k < 4; ++k) {
        LogoComposer fresh(Picture(), kSystemWindow);
        EXPECT_EQ(fresh.Compose(k), kExpected[k]) << "frame " << k;
        EXPECT_EQ(fresh.FramesDrawnByLastCompose(), k + 1) << "frame " << k;
    }
    LogoComposer composer(Picture(), kSystemWindow);
    composer.Compose(3);
    EXPECT_EQ(composer.Compose(1), kExpected[1]); // backwards
    EXPECT_EQ(composer.FramesDrawnByLastCompose(), 2);
    EXPECT_EQ(composer.Compose(3), kExpected[3]); // skipping frame 2
    EXPECT_EQ(composer.FramesDrawnByLastCompose(), 4);
    EXPECT_EQ(composer.Compose(3), kExpected[3]); // a repaint of the same frame
    EXPECT_EQ(composer.FramesDrawnByLastCompose(), 0);
}

TEST(SingleThreadLogoComposerTest, UncoveredPixelsKeepTheKeyColour) {
    GifPicture picture;
    picture.screenWidth = 3;
    picture.screenHeight = 2;
    picture.frames = {Frame(1, 1, 1, 1, {C}, std::nullopt), Frame(0, 0, 1, 1, {A}, std::nullopt)};
    LogoComposer composer(picture, kSystemWindow);
    EXPECT_EQ(composer.Compose(1), (Colors{A, kSystemWindow, kSystemWindow, //
                                           kSystemWindow, C, kSystemWindow}));
}

// Stepping through the animation, each composite drawn over the cached one equals the one built
// afresh from the key colour and every frame up to it, for the product's logo and for the reader's
// animation fixture (frames beyond the screen, another transparent colour, one without any);
// the wrap after the last frame rebuilds from frame 0 alone.
TEST(SingleThreadLogoComposerTest, StepsOverTheCacheMatchFreshBuildsForEveryFrame) {
    for (const char* name : {"logo.gif", "frames.gif"}) {
        const auto decoded = DecodeGif(test::Fixture(name));
        ASSERT_TRUE(decoded.ok()) << name << ": " << decoded.error;
        const GifPicture& picture = decoded.value;
        const int frames = static_cast<int>(picture.frames.size());
        ASSERT_GE(frames, 4) << name;
        LogoComposer stepping(picture, kSystemWindow);
        for (int step = 0; step <= frames; ++step) {
            const int k = step % frames;
            const Colors composite = stepping.Compose(k);
            EXPECT_EQ(stepping.FramesDrawnByLastCompose(), 1) << name << " frame " << k;
            LogoComposer fresh(picture, kSystemWindow);
            ASSERT_EQ(composite, fresh.Compose(k)) << name << " frame " << k;
            ASSERT_EQ(fresh.FramesDrawnByLastCompose(), k + 1) << name << " frame " << k;
        }
    }
}

// The product's logo: frame 0 covers the screen and is keyed by black, the key colour, so every
// composite keeps black wherever no frame drew, and each step changes only the animated square.
TEST(SingleThreadLogoComposerTest, TheLogosStepsChangeOnlyItsAnimatedSquare) {
    const auto decoded = DecodeGif(test::Fixture("logo.gif"));
    ASSERT_TRUE(decoded.ok()) << decoded.error;
    LogoComposer composer(decoded.value, kSystemWindow);
    EXPECT_EQ(composer.KeyColor(), (Rgb{0, 0, 0}));
    Colors previous = composer.Compose(0);
    int changedSteps = 0;
    for (int k = 1; k < 38; ++k) {
        const Colors& current = composer.Compose(k);
        bool changed = false;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 180; ++x) {
                const std::size_t i = static_cast<std::size_t>(y) * 180 + x;
                if (current[i] == previous[i])
                    continue;
                changed = true;
                ASSERT_TRUE(x >= 68 && x < 68 + 29 && y >= 38 && y < 38 + 28)
                    << "frame " << k << " changed (" << x << "," << y << ")";
            }
        changedSteps += changed;
        previous = current;
    }
    EXPECT_GT(changedSteps, 30); // it really moves
}

TEST(SingleThreadLogoComposerTest, RejectsAFrameOutsideThePicture) {
    LogoComposer composer(Picture(), kSystemWindow);
    EXPECT_THROW(composer.Compose(4), std::out_of_range);
    EXPECT_THROW(composer.Compose(-1), std::out_of_range);
    EXPECT_EQ(composer.CachedFrame(), -1);
}

} // namespace
} // namespace veyra
