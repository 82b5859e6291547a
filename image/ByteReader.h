#pragma once
// Bounds-checked reading of a file's bytes, shared by the image readers: every take is checked
// against what is left, and a take that does not fit moves nothing and returns nothing.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace veyra {

// Numbers from fields of a fixed size; the extent is checked when compiling.
inline std::uint32_t BigEndian32(std::span<const std::uint8_t, 4> bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

inline std::uint16_t Little16(std::span<const std::uint8_t, 2> bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

    std::size_t Offset() const { return pos_; }
    std::size_t Left() const { return data_.size() - pos_; }
    bool AtEnd() const { return pos_ == data_.size(); }

    // The next `count` bytes, moving past them; nothing when fewer are left.
    std::optional<std::span<const std::uint8_t>> Take(std::size_t count) {
        if (count > Left())
            return std::nullopt;
        const auto bytes = data_.subspan(pos_, count);
        pos_ += count;
        return bytes;
    }

    // The next N bytes as a span of fixed extent, so that fields within it are checked when
    // compiling.
    template <std::size_t N> std::optional<std::span<const std::uint8_t, N>> TakeArray() {
        const auto bytes = Take(N);
        if (!bytes)
            return std::nullopt;
        return bytes->template first<N>();
    }

    std::optional<std::uint8_t> TakeByte() {
        const auto bytes = TakeArray<1>();
        if (!bytes)
            return std::nullopt;
        return (*bytes)[0];
    }

    // Moves past `count` bytes; false, without moving, when fewer are left.
    bool Skip(std::size_t count) { return Take(count).has_value(); }

private:
    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
};

} // namespace veyra
