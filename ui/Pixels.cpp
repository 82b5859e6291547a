#include "ui/Pixels.h"

#include <algorithm>
#include <stdexcept>

namespace veyra {
namespace {

// The part of a w x h picture placed at (x, y) that falls inside a destination of the given
// size, in destination coordinates; empty when nothing does.
struct Overlap {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool Empty() const { return left >= right || top >= bottom; }
};

Overlap Clip(int destinationWidth, int destinationHeight, int x, int y, int width, int height) {
    // 64-bit sums: positions near INT_MAX must not overflow.
    const long long right = std::min<long long>(destinationWidth, 1LL * x + width);
    const long long bottom = std::min<long long>(destinationHeight, 1LL * y + height);
    Overlap overlap;
    overlap.left = std::max(0, x);
    overlap.top = std::max(0, y);
    overlap.right = static_cast<int>(std::max<long long>(right, overlap.left));
    overlap.bottom = static_cast<int>(std::max<long long>(bottom, overlap.top));
    return overlap;
}

std::size_t Index(int x, int y, int width) {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
           static_cast<std::size_t>(x);
}

} // namespace

std::uint8_t BlendChannel(std::uint8_t destination, std::uint8_t source, std::uint8_t alpha) {
    if (alpha == 0)
        return destination;
    if (alpha == 255)
        return source;
    return static_cast<std::uint8_t>((destination * (255 - alpha) + source * alpha + 127) / 255);
}

void AlphaBlendOnto(BgraImage& destination, int x, int y, const RgbaImage& source) {
    const Overlap o =
        Clip(destination.width, destination.height, x, y, source.width, source.height);
    if (o.Empty())
        return;
    for (int row = o.top; row < o.bottom; ++row) {
        for (int column = o.left; column < o.right; ++column) {
            const std::uint8_t* s = &source.rgba[Index(column - x, row - y, source.width) * 4];
            std::uint32_t& d = destination.pixels[Index(column, row, destination.width)];
            const auto blue = BlendChannel(static_cast<std::uint8_t>(d), s[2], s[3]);
            const auto green = BlendChannel(static_cast<std::uint8_t>(d >> 8), s[1], s[3]);
            const auto red = BlendChannel(static_cast<std::uint8_t>(d >> 16), s[0], s[3]);
            d = (d & 0xFF000000u) | (std::uint32_t{red} << 16) | (std::uint32_t{green} << 8) | blue;
        }
    }
}

BgraImage PremultipliedShape(const RgbaImage& picture) {
    BgraImage shape;
    shape.width = picture.width;
    shape.height = picture.height;
    const std::size_t count = static_cast<std::size_t>(picture.width) * picture.height;
    shape.pixels.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = &picture.rgba[i * 4];
        const unsigned a = p[3];
        if (a == 0)
            continue;
        unsigned red = p[0], green = p[1], blue = p[2], alpha = 255;
        if (a != 255) {
            red = (red * a + 127) / 255;
            green = (green * a + 127) / 255;
            blue = (blue * a + 127) / 255;
            alpha = 255 - ((255 - a) * 255 + 127) / 255;
        }
        shape.pixels[i] = (alpha << 24) | (red << 16) | (green << 8) | blue;
    }
    return shape;
}

void KeyedCopyOnto(BgraImage& destination, int x, int y, const std::vector<std::uint32_t>& source,
                   int width, int height, std::uint32_t keyColor) {
    if (width <= 0 || height <= 0)
        return;
    if (source.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        throw std::invalid_argument("KeyedCopyOnto: fewer source colours than width * height");
    const Overlap o = Clip(destination.width, destination.height, x, y, width, height);
    if (o.Empty())
        return;
    const std::uint32_t key = keyColor & 0xFFFFFFu;
    for (int row = o.top; row < o.bottom; ++row) {
        for (int column = o.left; column < o.right; ++column) {
            const std::uint32_t color = source[Index(column - x, row - y, width)] & 0xFFFFFFu;
            if (color != key)
                destination.pixels[Index(column, row, destination.width)] =
                    OpaquePixelFromColor(color);
        }
    }
}

BgraImage CopyRect(const BgraImage& source, int x, int y, int width, int height) {
    BgraImage copy;
    if (width <= 0 || height <= 0)
        return copy;
    copy.width = width;
    copy.height = height;
    copy.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    const Overlap o = Clip(source.width, source.height, x, y, width, height);
    if (o.Empty())
        return copy;
    for (int row = o.top; row < o.bottom; ++row)
        std::copy_n(&source.pixels[Index(o.left, row, source.width)], o.right - o.left,
                    &copy.pixels[Index(o.left - x, row - y, width)]);
    return copy;
}

BgraImage ToBgra(const RgbaImage& image) {
    BgraImage converted;
    converted.width = image.width;
    converted.height = image.height;
    const std::size_t count = static_cast<std::size_t>(image.width) * image.height;
    converted.pixels.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = &image.rgba[i * 4];
        converted.pixels[i] = (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[0]} << 16) |
                              (std::uint32_t{p[1]} << 8) | p[2];
    }
    return converted;
}

} // namespace veyra
