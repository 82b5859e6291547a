#pragma once
// A taker of a file's bytes, block by block and in order, so that one read of a file can feed
// several digests at once.
#include <cstddef>

namespace veyra {

class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void Take(const unsigned char* data, std::size_t size) = 0;
};

} // namespace veyra
