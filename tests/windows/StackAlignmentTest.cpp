// 32-bit Windows keeps the stack only 4-byte aligned where it calls into a program (thread entries,
// window procedures), while the compiler assumes 16 and may keep vector values in stack slots it
// takes for aligned. The CRC's vector method is called here from a stack misaligned on purpose, at
// every offset the system may leave, from the program's own worker thread as the update does. A
// slot taken for aligned ends the test program with a processor fault; 64-bit Windows keeps 16.
#if defined(__i386__)

#include "support/uCRC32.h"
#include "support/uThread_win.h"

#include <windows.h>

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace veyra {
namespace {

using Method = std::uint32_t (*)(std::uint32_t, const unsigned char*, std::size_t);

// Calls method(crc, data, length) (cdecl) with the stack pointer at `misalignment` (0, 4, 8 or 12)
// modulo 16 at the call instruction, where the compiler's convention has 0.
__attribute__((naked)) std::uint32_t CallWithStackAt(std::uint32_t /*misalignment*/,
                                                     Method /*method*/, std::uint32_t /*crc*/,
                                                     const unsigned char* /*data*/,
                                                     std::size_t /*length*/) {
    asm("push %ebp\n\t"
        "mov %esp, %ebp\n\t"
        "and $-16, %esp\n\t"
        "sub $32, %esp\n\t"
        "add 8(%ebp), %esp\n\t" // the arguments below stay under the frame: 12 + 12 < 32
        "mov 16(%ebp), %eax\n\t"
        "mov %eax, (%esp)\n\t"
        "mov 20(%ebp), %eax\n\t"
        "mov %eax, 4(%esp)\n\t"
        "mov 24(%ebp), %eax\n\t"
        "mov %eax, 8(%esp)\n\t"
        "call *12(%ebp)\n\t"
        "mov %ebp, %esp\n\t"
        "pop %ebp\n\t"
        "ret");
}

// Returns the stack pointer at the call that reached it, to check what CallWithStackAt really
// leaves: a thunk that stayed aligned would prove nothing.
__attribute__((naked)) std::uint32_t StackAtCall(std::uint32_t, const unsigned char*, std::size_t) {
    asm("lea 4(%esp), %eax\n\t"
        "ret");
}

// The public entry, which picks the vector method on such processors.
std::uint32_t Public(std::uint32_t crc, const unsigned char* data, std::size_t length) {
    return CRC32Update(crc, data, static_cast<std::uint16_t>(length));
}

// zlib takes and returns the complemented value; the running value here has no complement.
std::uint32_t Zlib(std::uint32_t runningCrc, const unsigned char* data, std::size_t length) {
    return ~static_cast<std::uint32_t>(crc32(~runningCrc, data, static_cast<uInt>(length)));
}

struct NamedMethod {
    const char* name;
    Method method;
};
const NamedMethod kMethods[] = {{"UpdateCarryless", crc32_detail::UpdateCarryless},
                                {"CRC32Update", Public}};

// From the shortest the vector method folds through its four-lane loop and one-lane tail, even
// and odd, up to CRC32Update's limit.
const std::size_t kLengths[] = {64, 1000, 4095, 4096, 8191, 65535};

class SingleThreadStackAlignmentTest : public testing::TestWithParam<std::uint32_t> {};

TEST_P(SingleThreadStackAlignmentTest, CarrylessCrcAgreesWithZlibFromAMisalignedStack) {
    if (!crc32_detail::HasCarrylessMultiply())
        GTEST_SKIP()
            << "this processor has no carry-less multiply, so the vector method never runs";
    const std::uint32_t misalignment = GetParam();
    std::vector<unsigned char> bytes(65535 + 1);
    std::mt19937 random(misalignment + 1);
    for (auto& b : bytes)
        b = static_cast<unsigned char>(random());
    // One byte in, so that the data is not 16-byte aligned either.
    const unsigned char* const data = bytes.data() + 1;
    const std::uint32_t start = 0x9E3779B9;

    std::uint32_t stackAtCall = 0;
    std::vector<std::uint32_t> results;
    TThread worker(
        [&](TThread&) {
            stackAtCall = CallWithStackAt(misalignment, StackAtCall, 0, nullptr, 0);
            for (const NamedMethod& method : kMethods)
                for (const std::size_t length : kLengths)
                    results.push_back(
                        CallWithStackAt(misalignment, method.method, start, data, length));
        },
        0);
    ASSERT_TRUE(worker.ThreadHandle());
    ASSERT_EQ(::WaitForSingleObject(worker.ThreadHandle(), 60000), WAIT_OBJECT_0);
    ASSERT_EQ(worker.ExitCode(), kThreadReturned);

    ASSERT_EQ(stackAtCall % 16, misalignment);
    ASSERT_EQ(results.size(), std::size(kMethods) * std::size(kLengths));
    std::size_t at = 0;
    for (const NamedMethod& method : kMethods)
        for (const std::size_t length : kLengths)
            EXPECT_EQ(results[at++], Zlib(start, data, length))
                << method.name << ", length " << length;
}

// 0 is the control: the alignment the compiler assumes.
INSTANTIATE_TEST_SUITE_P(Offsets, SingleThreadStackAlignmentTest, testing::Values(0u, 4u, 8u, 12u),
                         [](const testing::TestParamInfo<std::uint32_t>& param) {
                             return "StackAt" + std::to_string(param.param);
                         });

} // namespace
} // namespace veyra

#endif
