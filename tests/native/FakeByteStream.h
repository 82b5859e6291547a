#pragma once
// An in-memory ByteStream for the HTTP client's tests and fuzzer: it hands out a fixed response
// in pieces of a chosen size, then either reports a close or stays silent (every read expires),
// and records what the client writes and whether it closes.
#include "update/ByteStream.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace veyra::test {

class FakeByteStream final : public ByteStream {
public:
    enum class End { close, silence };

    explicit FakeByteStream(std::string response, End end = End::close,
                            std::size_t pieceSize = static_cast<std::size_t>(-1))
        : response_(std::move(response)), end_(end),
          pieceSize_(std::max<std::size_t>(1, pieceSize)) {}

    // The response in these pieces: no read returns bytes of two pieces.
    FakeByteStream(const std::vector<std::string>& pieces, End end)
        : end_(end), pieceSize_(static_cast<std::size_t>(-1)) {
        for (const auto& piece : pieces) {
            response_ += piece;
            pieceEnds_.push_back(response_.size());
        }
    }

    std::optional<std::size_t> Read(std::span<std::uint8_t> into, Clock::time_point) override {
        if (closedByClient_ || into.empty())
            return 0;
        if (position_ == response_.size()) {
            if (end_ == End::close)
                return 0;
            ++silentReads;
            return std::nullopt;
        }
        std::size_t available = response_.size() - position_;
        for (const std::size_t end : pieceEnds_) {
            if (end > position_) {
                available = end - position_;
                break;
            }
        }
        const std::size_t size = std::min({into.size(), pieceSize_, available});
        std::memcpy(into.data(), response_.data() + position_, size);
        position_ += size;
        return size;
    }

    void Write(std::span<const std::uint8_t> bytes, Clock::time_point) override {
        writes.emplace_back(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }

    void Close() override {
        closedByClient_ = true;
        ++closes;
    }

    // How many response bytes the client has taken.
    std::size_t Consumed() const { return position_; }

    std::vector<std::string> writes;
    int closes = 0;
    int silentReads = 0; // reads that waited in vain

private:
    std::string response_;
    End end_;
    std::size_t pieceSize_;
    std::vector<std::size_t> pieceEnds_;
    std::size_t position_ = 0;
    bool closedByClient_ = false;
};

} // namespace veyra::test
