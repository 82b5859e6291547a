#pragma once
// CRC-32 of IEEE 802.3 (ZIP, PNG): reflected polynomial 0xEDB88320. The running value is kept
// without the initial value or final complement; callers start from 0xFFFFFFFF and complement
// the end result.
#include "support/ByteSink.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace veyra {

// The byte-at-a-time table of the polynomial: CRC32Table[b] is the register after shifting the
// byte b through a zero register. Entry 1 is 0x77073096, entry 255 is 0x2D02EF8D.
extern const std::array<std::uint32_t, 256> CRC32Table;

// Folds `Count` bytes of `Buffer` into the running value `Crc`: for each byte b in order,
// Crc = (Crc >> 8) ^ CRC32Table[(Crc ^ b) & 0xFF]. Count 0 returns Crc unchanged (Buffer may
// then be null). Uses the fastest method the processor supports; all give the same result.
std::uint32_t CRC32Update(std::uint32_t Crc, const void* Buffer, std::uint16_t Count);

// The CRC-32 of everything it is given (initial value and final complement applied), in blocks of
// any length.
class Crc32Sink final : public ByteSink {
public:
    void Take(const unsigned char* data, std::size_t size) override;
    std::uint32_t Value() const { return ~running_; }

private:
    std::uint32_t running_ = 0xFFFFFFFF;
};

// The unsigned decimal form of the version file: no sign, no leading zeros, no separators.
std::wstring CrcToDecimal(std::uint32_t crc);

// The methods behind CRC32Update, open to the tests so that each is checked on its own whatever
// processor runs them. Lengths are not limited to 16 bits here.
namespace crc32_detail {

// The defining loop, one table look-up per byte.
std::uint32_t UpdateBytewise(std::uint32_t crc, const unsigned char* data, std::size_t length);

// Sixteen bytes per step over sixteen tables derived from CRC32Table, in three lanes at once.
std::uint32_t UpdateSliced(std::uint32_t crc, const unsigned char* data, std::size_t length);

// True when this build has the carry-less-multiply method and the processor can run it.
bool HasCarrylessMultiply();

// Folds 64 bytes per step with PCLMULQDQ. Call only when HasCarrylessMultiply() is true.
std::uint32_t UpdateCarryless(std::uint32_t crc, const unsigned char* data, std::size_t length);

} // namespace crc32_detail

} // namespace veyra
