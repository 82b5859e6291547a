// Why three methods: the player waits on the CRC of the whole download before the launcher is
// swapped, and a launcher can be tens of megabytes. The byte-at-a-time loop is the definition and
// what the others are tested against; sixteen-byte slicing is the fast path any processor runs;
// carry-less multiply, where the processor has it, folds 64 bytes a step
// (bench/CrcBenchmark.cpp measures both against zlib's crc32()).
#include "support/uCRC32.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define VEYRA_CRC_CARRYLESS 1
#include <immintrin.h>
#endif

namespace veyra {
namespace {

constexpr std::uint32_t kPolynomial = 0xEDB88320; // reflected 0x04C11DB7

constexpr std::array<std::uint32_t, 256> MakeTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? (c >> 1) ^ kPolynomial : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> kTable = MakeTable();
static_assert(kTable[1] == 0x77073096 && kTable[255] == 0x2D02EF8D);

// kSliced[k][b]: the register after byte b followed by k zero bytes went through a zero register.
// One step then looks up each of 16 bytes by its distance from the end of the step.
using SlicedTables = std::array<std::array<std::uint32_t, 256>, 16>;
constexpr SlicedTables MakeSlicedTables() {
    SlicedTables tables{};
    tables[0] = kTable;
    for (std::size_t k = 1; k < tables.size(); ++k)
        for (std::size_t b = 0; b < 256; ++b) {
            const std::uint32_t previous = tables[k - 1][b];
            tables[k][b] = (previous >> 8) ^ kTable[previous & 0xFF];
        }
    return tables;
}
constexpr SlicedTables kSliced = MakeSlicedTables();

// Byte order is spelled out so the core stays right on any machine; compilers turn it into one
// load on little-endian ones.
inline std::uint32_t LoadLittleEndian32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

// Folds 16 bytes into the running value.
constexpr std::uint32_t Step16(std::uint32_t crc, std::uint32_t a, std::uint32_t b, std::uint32_t c,
                               std::uint32_t d) {
    const auto& t = kSliced;
    a ^= crc;
    return t[15][a & 0xFF] ^ t[14][(a >> 8) & 0xFF] ^ t[13][(a >> 16) & 0xFF] ^ t[12][a >> 24] ^
           t[11][b & 0xFF] ^ t[10][(b >> 8) & 0xFF] ^ t[9][(b >> 16) & 0xFF] ^ t[8][b >> 24] ^
           t[7][c & 0xFF] ^ t[6][(c >> 8) & 0xFF] ^ t[5][(c >> 16) & 0xFF] ^ t[4][c >> 24] ^
           t[3][d & 0xFF] ^ t[2][(d >> 8) & 0xFF] ^ t[1][(d >> 16) & 0xFF] ^ t[0][d >> 24];
}

inline std::uint32_t Step16(std::uint32_t crc, const unsigned char* p) {
    return Step16(crc, LoadLittleEndian32(p), LoadLittleEndian32(p + 4), LoadLittleEndian32(p + 8),
                  LoadLittleEndian32(p + 12));
}

// One lane alone waits for each step's look-ups before the next step can start, so the table
// method runs three lanes of kLane bytes side by side and joins them: the update is affine in the
// running value, so Update(crc, A B C) = Zeros(Update(crc, A), |B C|) ^ Zeros(Update(0, B), |C|) ^
// Update(0, C), where Zeros moves a running value over that many zero bytes.
constexpr std::size_t kLane = 256;

constexpr std::uint32_t OverZeros(std::uint32_t crc, std::size_t count) {
    for (; count >= 16; count -= 16)
        crc = Step16(crc, 0, 0, 0, 0);
    return crc;
}

// Zeros over a fixed distance, one table per byte of the running value (it is linear).
using ZerosTables = std::array<std::array<std::uint32_t, 256>, 4>;
constexpr ZerosTables MakeZerosTables(std::size_t count) {
    ZerosTables tables{};
    for (unsigned k = 0; k < 4; ++k)
        for (std::uint32_t b = 0; b < 256; ++b)
            tables[k][b] = OverZeros(b << (8 * k), count);
    return tables;
}
constexpr ZerosTables kZerosOneLane = MakeZerosTables(kLane);
constexpr ZerosTables kZerosTwoLanes = MakeZerosTables(2 * kLane);

inline std::uint32_t Zeros(const ZerosTables& t, std::uint32_t crc) {
    return t[0][crc & 0xFF] ^ t[1][(crc >> 8) & 0xFF] ^ t[2][(crc >> 16) & 0xFF] ^ t[3][crc >> 24];
}

#if VEYRA_CRC_CARRYLESS
// Folding constants for the reflected polynomial (Gopal et al., "Fast CRC Computation for Generic
// Polynomials Using PCLMULQDQ", Intel 2009): x^n mod P, bit-reflected and shifted left by one so
// that a carry-less product lands where the reflected data expects it.
constexpr std::uint64_t FoldConstant(unsigned n) {
    std::uint64_t r = 1; // x^0, in the normal (unreflected) bit order
    for (unsigned i = 0; i < n; ++i) {
        r <<= 1;
        if (r & 0x100000000u)
            r ^= 0x104C11DB7u;
    }
    std::uint64_t reflected = 0;
    for (int bit = 0; bit < 32; ++bit)
        if (r & (std::uint64_t(1) << bit))
            reflected |= std::uint64_t(1) << (31 - bit);
    return reflected << 1;
}
// Four 128-bit lanes move 512 bits forward per step; one lane moves 128 bits. The first factor
// multiplies the lane's earlier (low) half, the second its later (high) half.
constexpr std::uint64_t kFold512Low = FoldConstant(512 + 32);
constexpr std::uint64_t kFold512High = FoldConstant(512 - 32);
constexpr std::uint64_t kFold128Low = FoldConstant(128 + 32);
constexpr std::uint64_t kFold128High = FoldConstant(128 - 32);
static_assert(kFold512Low == 0x154442BD4 && kFold128High == 0x0CCAA009E);
#endif

} // namespace

const std::array<std::uint32_t, 256> CRC32Table = kTable;

namespace crc32_detail {

std::uint32_t UpdateBytewise(std::uint32_t crc, const unsigned char* data, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        crc = (crc >> 8) ^ kTable[(crc ^ data[i]) & 0xFF];
    return crc;
}

std::uint32_t UpdateSliced(std::uint32_t crc, const unsigned char* data, std::size_t length) {
    while (length >= 3 * kLane) {
        std::uint32_t first = crc;
        std::uint32_t second = 0;
        std::uint32_t third = 0;
        for (std::size_t at = 0; at < kLane; at += 16) {
            first = Step16(first, data + at);
            second = Step16(second, data + kLane + at);
            third = Step16(third, data + 2 * kLane + at);
        }
        crc = Zeros(kZerosTwoLanes, first) ^ Zeros(kZerosOneLane, second) ^ third;
        data += 3 * kLane;
        length -= 3 * kLane;
    }
    for (; length >= 16; length -= 16, data += 16)
        crc = Step16(crc, data);
    return UpdateBytewise(crc, data, length);
}

#if VEYRA_CRC_CARRYLESS

bool HasCarrylessMultiply() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse2");
}

namespace {
// Always inlined: as functions of their own, vector results would cross a call, which the 32-bit
// build's default (no SSE) calling convention cannot carry.
__attribute__((target("sse2"), always_inline)) inline __m128i Load(const unsigned char* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// One fold: the 128-bit remainder `x` moved forward by the distance the constants encode, plus
// the data that lies there.
__attribute__((target("pclmul,sse2"), always_inline)) inline __m128i
Fold(__m128i x, __m128i constants, __m128i next) {
    const __m128i low = _mm_clmulepi64_si128(x, constants, 0x00);
    const __m128i high = _mm_clmulepi64_si128(x, constants, 0x11);
    return _mm_xor_si128(_mm_xor_si128(low, high), next);
}
} // namespace

// 32-bit Windows only keeps the stack 4-byte aligned (thread entries, callbacks), while spilled
// vector registers need 16: realign on entry there.
#if defined(__i386__)
__attribute__((force_align_arg_pointer))
#endif
__attribute__((target("pclmul,sse2"))) std::uint32_t
UpdateCarryless(std::uint32_t crc, const unsigned char* data, std::size_t length) {
    if (length < 64)
        return UpdateSliced(crc, data, length);
    // The running value enters as a XOR over the first four bytes, as the byte loop lets it.
    __m128i x0 = _mm_xor_si128(Load(data), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x1 = Load(data + 16);
    __m128i x2 = Load(data + 32);
    __m128i x3 = Load(data + 48);
    data += 64;
    length -= 64;

    const __m128i fold512 =
        _mm_set_epi64x(static_cast<long long>(kFold512High), static_cast<long long>(kFold512Low));
    while (length >= 64) {
        x0 = Fold(x0, fold512, Load(data));
        x1 = Fold(x1, fold512, Load(data + 16));
        x2 = Fold(x2, fold512, Load(data + 32));
        x3 = Fold(x3, fold512, Load(data + 48));
        data += 64;
        length -= 64;
    }

    const __m128i fold128 =
        _mm_set_epi64x(static_cast<long long>(kFold128High), static_cast<long long>(kFold128Low));
    __m128i x = Fold(x0, fold128, x1);
    x = Fold(x, fold128, x2);
    x = Fold(x, fold128, x3);
    while (length >= 16) {
        x = Fold(x, fold128, Load(data));
        data += 16;
        length -= 16;
    }

    // The 128-bit remainder has the same CRC (from a zero register) as all the bytes folded into
    // it, so the tables finish it and the tail.
    unsigned char remainder[16];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(remainder), x);
    return UpdateSliced(UpdateSliced(0, remainder, sizeof(remainder)), data, length);
}

#else

bool HasCarrylessMultiply() {
    return false;
}

std::uint32_t UpdateCarryless(std::uint32_t crc, const unsigned char* data, std::size_t length) {
    return UpdateSliced(crc, data, length);
}

#endif

} // namespace crc32_detail

std::uint32_t CRC32Update(std::uint32_t Crc, const void* Buffer, std::uint16_t Count) {
    using Method = std::uint32_t (*)(std::uint32_t, const unsigned char*, std::size_t);
    static const Method method = crc32_detail::HasCarrylessMultiply()
                                     ? crc32_detail::UpdateCarryless
                                     : crc32_detail::UpdateSliced;
    if (Count == 0)
        return Crc;
    return method(Crc, static_cast<const unsigned char*>(Buffer), Count);
}

void Crc32Sink::Take(const unsigned char* data, std::size_t size) {
    // CRC32Update takes at most as many bytes a call as its 16-bit count holds.
    constexpr std::size_t kMostPerCall = 0xFFFF;
    while (size > 0) {
        const std::size_t piece = size < kMostPerCall ? size : kMostPerCall;
        running_ = CRC32Update(running_, data, static_cast<std::uint16_t>(piece));
        data += piece;
        size -= piece;
    }
}

std::wstring CrcToDecimal(std::uint32_t crc) {
    wchar_t digits[10];
    std::size_t start = sizeof(digits) / sizeof(digits[0]);
    do {
        digits[--start] = static_cast<wchar_t>(L'0' + crc % 10);
        crc /= 10;
    } while (crc != 0);
    return std::wstring(digits + start, digits + sizeof(digits) / sizeof(digits[0]));
}

} // namespace veyra
