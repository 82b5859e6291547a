#include "image/Pixels.h"

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

void AlphaBlendOnto(DibImage& destination, int x, int y, const RgbaImage& source) {
    const Overlap o =
        Clip(destination.width, destination.height, x, y, source.width, source.height);
    if (o.Empty())
        return;
    for (int row = o.top; row < o.bottom; ++row) {
        for (int column = o.left; column < o.right; ++column) {
            const Rgba s = source.pixels[Index(column - x, row - y, source.width)];
            DibPixel& d = destination.pixels[Index(column, row, destination.width)];
            d = DibPixel::FromArgb(d.Alpha(), BlendChannel(d.Red(), s.red, s.alpha),
                                   BlendChannel(d.Green(), s.green, s.alpha),
                                   BlendChannel(d.Blue(), s.blue, s.alpha));
        }
    }
}

DibImage PremultipliedShape(const RgbaImage& picture) {
    DibImage shape;
    shape.width = picture.width;
    shape.height = picture.height;
    const std::size_t count = static_cast<std::size_t>(picture.width) * picture.height;
    shape.pixels.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const Rgba p = picture.pixels[i];
        const unsigned a = p.alpha;
        if (a == 0)
            continue;
        unsigned red = p.red, green = p.green, blue = p.blue, alpha = 255;
        if (a != 255) {
            red = (red * a + 127) / 255;
            green = (green * a + 127) / 255;
            blue = (blue * a + 127) / 255;
            alpha = 255 - ((255 - a) * 255 + 127) / 255;
        }
        shape.pixels[i] =
            DibPixel::FromArgb(static_cast<std::uint8_t>(alpha), static_cast<std::uint8_t>(red),
                               static_cast<std::uint8_t>(green), static_cast<std::uint8_t>(blue));
    }
    return shape;
}

void KeyedCopyOnto(DibImage& destination, int x, int y, const std::vector<Rgb>& source, int width,
                   int height, Rgb keyColor) {
    if (width <= 0 || height <= 0)
        return;
    if (source.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        throw std::invalid_argument("KeyedCopyOnto: fewer source colours than width * height");
    const Overlap o = Clip(destination.width, destination.height, x, y, width, height);
    if (o.Empty())
        return;
    for (int row = o.top; row < o.bottom; ++row) {
        for (int column = o.left; column < o.right; ++column) {
            const Rgb color = source[Index(column - x, row - y, width)];
            if (color != keyColor)
                destination.pixels[Index(column, row, destination.width)] = OpaqueDibPixel(color);
        }
    }
}

DibImage CopyRect(const DibImage& source, int x, int y, int width, int height) {
    DibImage copy;
    if (width <= 0 || height <= 0)
        return copy;
    copy.width = width;
    copy.height = height;
    copy.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                       DibPixel{});
    const Overlap o = Clip(source.width, source.height, x, y, width, height);
    if (o.Empty())
        return copy;
    for (int row = o.top; row < o.bottom; ++row)
        std::copy_n(&source.pixels[Index(o.left, row, source.width)], o.right - o.left,
                    &copy.pixels[Index(o.left - x, row - y, width)]);
    return copy;
}

DibImage ToDibImage(const RgbaImage& image) {
    DibImage converted;
    converted.width = image.width;
    converted.height = image.height;
    const std::size_t count = static_cast<std::size_t>(image.width) * image.height;
    converted.pixels.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        converted.pixels[i] = ToDibPixel(image.pixels[i]);
    return converted;
}

} // namespace veyra
