#include "support/uCRC32.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

namespace veyra {
namespace {

using Method = std::uint32_t (*)(std::uint32_t, const unsigned char*, std::size_t);

// CRC32Update itself, fed in pieces that fit its 16-bit count.
std::uint32_t PublicInPieces(std::uint32_t crc, const unsigned char* data, std::size_t length) {
    // Uneven pieces, so that piece boundaries fall at every alignment.
    std::size_t piece = 65535;
    while (length > 0) {
        const std::size_t n = std::min(length, piece);
        crc = CRC32Update(crc, data, static_cast<std::uint16_t>(n));
        data += n;
        length -= n;
        piece = piece == 65535 ? 4093 : 65535;
    }
    return crc;
}

std::vector<unsigned char> RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<unsigned char> bytes(size);
    for (auto& b : bytes)
        b = static_cast<unsigned char>(random());
    return bytes;
}

// zlib takes and returns the complemented value; the running value here has no complement.
std::uint32_t Zlib(std::uint32_t runningCrc, const unsigned char* data, std::size_t length) {
    return ~static_cast<std::uint32_t>(crc32(~runningCrc, data, static_cast<uInt>(length)));
}

TEST(SingleThreadCRC32Test, CheckValueAndItsDecimalForm) {
    const char digits[] = "123456789";
    const std::uint32_t crc = CRC32Update(0xFFFFFFFF, digits, 9) ^ 0xFFFFFFFF;
    EXPECT_EQ(crc, 0xCBF43926u);
    EXPECT_EQ(CrcToDecimal(crc), L"3421780262");
}

TEST(SingleThreadCRC32Test, CountZeroReturnsCrcUnchanged) {
    const unsigned char byte = 0x5A;
    for (const std::uint32_t crc : {0u, 0xFFFFFFFFu, 0x12345678u}) {
        EXPECT_EQ(CRC32Update(crc, &byte, 0), crc);
        EXPECT_EQ(CRC32Update(crc, nullptr, 0), crc);
    }
}

TEST(SingleThreadCRC32Test, TableIsTheStandardOne) {
    EXPECT_EQ(CRC32Table[0], 0u);
    EXPECT_EQ(CRC32Table[1], 0x77073096u);
    EXPECT_EQ(CRC32Table[255], 0x2D02EF8Du);
    const auto* reference = get_crc_table();
    for (std::size_t i = 0; i < CRC32Table.size(); ++i)
        ASSERT_EQ(CRC32Table[i], reference[i]) << "entry " << i;
}

struct NamedMethod {
    const char* name;
    Method method;
};

class SingleThreadCRC32MethodTest : public testing::TestWithParam<NamedMethod> {
protected:
    void SetUp() override {
        if (GetParam().method == crc32_detail::UpdateCarryless &&
            !crc32_detail::HasCarrylessMultiply())
            GTEST_SKIP() << "this processor has no carry-less multiply";
    }
};

// Every length up to a few steps of every method (the carry-less one folds 64 bytes per step, the
// table one 3 x 256), at every alignment of the start, from a running value that is not the
// initial one.
TEST_P(SingleThreadCRC32MethodTest, AgreesWithZlibOnShortBuffersAtEveryAlignment) {
    const Method method = GetParam().method;
    const auto bytes = RandomBytes(800 + 16, 1);
    const std::uint32_t start = 0x9E3779B9;
    for (std::size_t offset = 0; offset < 16; ++offset)
        for (std::size_t length = 0; length <= 800; ++length) {
            const unsigned char* data = bytes.data() + offset;
            ASSERT_EQ(method(start, data, length), Zlib(start, data, length))
                << "offset " << offset << ", length " << length;
        }
}

TEST_P(SingleThreadCRC32MethodTest, AgreesWithZlibOnLargeBuffers) {
    const Method method = GetParam().method;
    const auto bytes = RandomBytes(1 << 20, 2);
    for (const std::size_t length :
         {1535u, 4095u, 32768u, 32769u, 65535u, 65536u + 77u, 1u << 20}) {
        for (const std::size_t offset : {0u, 3u}) {
            const std::size_t n = std::min(length, bytes.size() - offset);
            const unsigned char* data = bytes.data() + offset;
            ASSERT_EQ(method(0xFFFFFFFF, data, n), Zlib(0xFFFFFFFF, data, n))
                << "offset " << offset << ", length " << n;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Methods, SingleThreadCRC32MethodTest,
                         testing::Values(NamedMethod{"Bytewise", crc32_detail::UpdateBytewise},
                                         NamedMethod{"Sliced", crc32_detail::UpdateSliced},
                                         NamedMethod{"Carryless", crc32_detail::UpdateCarryless},
                                         NamedMethod{"CRC32Update", PublicInPieces}),
                         [](const testing::TestParamInfo<NamedMethod>& param) {
                             return param.param.name;
                         });

TEST(SingleThreadCrcToDecimalTest, UnsignedWithoutSignOrLeadingZeros) {
    const struct {
        std::uint32_t value;
        const wchar_t* text;
    } cases[] = {
        {0, L"0"},
        {7, L"7"},
        {10, L"10"},
        {100200300, L"100200300"},
        {2147483648u, L"2147483648"}, // would be negative as a signed value
        {4000000000u, L"4000000000"},
        {4294967295u, L"4294967295"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CrcToDecimal(c.value), c.text) << c.value;
}

} // namespace
} // namespace veyra
