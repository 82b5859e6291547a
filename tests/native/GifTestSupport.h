#pragma once
// Builds small GIF files byte by byte for the reader's tests.
#include "image/PixelTypes.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

namespace veyra::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline Bytes Little16(int value) {
    return {static_cast<std::uint8_t>(value & 0xFF),
            static_cast<std::uint8_t>((value >> 8) & 0xFF)};
}

// Header and logical screen descriptor, with a global table of `entries` colours (a power of 2
// from 2 to 256, or 0 for none): entry i is (i, 2i, 3i) modulo 256.
inline Bytes GifHeader(int width, int height, int entries, int background = 0,
                       const char* version = "GIF89a") {
    Bytes out(version, version + 6);
    out = out + Little16(width) + Little16(height);
    int sizeBits = 0;
    while ((2 << sizeBits) < entries)
        ++sizeBits;
    out.push_back(static_cast<std::uint8_t>(entries ? 0x80 | sizeBits : 0));
    out.push_back(static_cast<std::uint8_t>(background));
    out.push_back(0);
    for (int i = 0; i < entries; ++i)
        out.insert(out.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(2 * i),
                               static_cast<std::uint8_t>(3 * i)});
    return out;
}

// The colour of global table entry i in GifHeader.
inline Rgb HeaderColor(int i) {
    return {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(2 * i),
            static_cast<std::uint8_t>(3 * i)};
}

inline Bytes SubBlocks(const Bytes& data) {
    Bytes out;
    for (std::size_t i = 0; i < data.size(); i += 255) {
        const std::size_t n = std::min<std::size_t>(255, data.size() - i);
        out.push_back(static_cast<std::uint8_t>(n));
        out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(i),
                   data.begin() + static_cast<std::ptrdiff_t>(i + n));
    }
    out.push_back(0);
    return out;
}

// Packs LZW codes least significant bit first, growing the code size exactly when a decoder
// does: after the entry that makes the next free code 2^size, up to 12 bits.
inline Bytes PackCodes(int minCodeSize, std::initializer_list<int> codes) {
    const int clear = 1 << minCodeSize;
    int size = minCodeSize + 1, next = clear + 2;
    bool first = true;
    std::uint32_t bits = 0;
    int count = 0;
    Bytes out;
    for (int code : codes) {
        bits |= static_cast<std::uint32_t>(code) << count;
        count += size;
        while (count >= 8) {
            out.push_back(static_cast<std::uint8_t>(bits));
            bits >>= 8;
            count -= 8;
        }
        if (code == clear) {
            size = minCodeSize + 1;
            next = clear + 2;
            first = true;
            continue;
        }
        if (!first && next < 4096 && ++next == (1 << size) && size < 12)
            ++size;
        first = false;
    }
    if (count > 0)
        out.push_back(static_cast<std::uint8_t>(bits));
    return out;
}

// Graphic control extension.
inline Bytes Gce(int disposal, int delay, int transparentIndex = -1) {
    Bytes out = {0x21, 0xF9, 4,
                 static_cast<std::uint8_t>((disposal << 2) | (transparentIndex >= 0 ? 1 : 0))};
    out = out + Little16(delay);
    out.push_back(static_cast<std::uint8_t>(transparentIndex >= 0 ? transparentIndex : 0));
    out.push_back(0);
    return out;
}

// An image: descriptor (no local table unless `local` colours are given, each i -> (i, 2i, 3i)),
// minimum code size and the code data in sub-blocks.
inline Bytes GifImage(int left, int top, int width, int height, int minCodeSize,
                      const Bytes& codeData, int localEntries = 0, bool interlaced = false) {
    Bytes out = {0x2C};
    out = out + Little16(left) + Little16(top) + Little16(width) + Little16(height);
    int sizeBits = 0;
    while ((2 << sizeBits) < localEntries)
        ++sizeBits;
    out.push_back(
        static_cast<std::uint8_t>((localEntries ? 0x80 | sizeBits : 0) | (interlaced ? 0x40 : 0)));
    for (int i = 0; i < localEntries; ++i)
        out.insert(out.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(2 * i),
                               static_cast<std::uint8_t>(3 * i)});
    out.push_back(static_cast<std::uint8_t>(minCodeSize));
    return out + SubBlocks(codeData);
}

inline Bytes Trailer() {
    return {0x3B};
}

} // namespace veyra::test
