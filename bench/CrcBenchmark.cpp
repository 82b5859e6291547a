// Throughput of CRC32Update next to zlib's crc32() over the same 64 MiB, and their ratio.
// CRC32Update takes at most 65535 bytes per call, so it is fed 32 KiB pieces as FileCRC32 does;
// zlib is measured over the same pieces and in one call over the whole buffer.
#include "support/uCRC32.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

constexpr std::size_t kBufferSize = 64u << 20;
constexpr std::size_t kPiece = 32768;

const std::vector<unsigned char>& Buffer() {
    static const std::vector<unsigned char> buffer = [] {
        std::vector<unsigned char> bytes(kBufferSize);
        std::mt19937 random(42);
        for (auto& b : bytes)
            b = static_cast<unsigned char>(random());
        return bytes;
    }();
    return buffer;
}

void CRC32UpdatePieces(benchmark::State& state) {
    const auto& buffer = Buffer();
    for (auto _ : state) {
        std::uint32_t crc = 0xFFFFFFFF;
        for (std::size_t at = 0; at < buffer.size(); at += kPiece)
            crc = veyra::CRC32Update(crc, buffer.data() + at, kPiece);
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buffer.size()));
}

void ZlibPieces(benchmark::State& state) {
    const auto& buffer = Buffer();
    for (auto _ : state) {
        uLong crc = crc32(0, nullptr, 0);
        for (std::size_t at = 0; at < buffer.size(); at += kPiece)
            crc = crc32(crc, buffer.data() + at, kPiece);
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buffer.size()));
}

void ZlibWhole(benchmark::State& state) {
    const auto& buffer = Buffer();
    for (auto _ : state) {
        uLong crc = crc32(0, buffer.data(), static_cast<uInt>(buffer.size()));
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buffer.size()));
}

// The table method alone: what a processor without carry-less multiply gets.
void SlicedWhole(benchmark::State& state) {
    const auto& buffer = Buffer();
    for (auto _ : state) {
        std::uint32_t crc =
            veyra::crc32_detail::UpdateSliced(0xFFFFFFFF, buffer.data(), buffer.size());
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buffer.size()));
}

BENCHMARK(CRC32UpdatePieces)->Unit(benchmark::kMillisecond);
BENCHMARK(ZlibPieces)->Unit(benchmark::kMillisecond);
BENCHMARK(ZlibWhole)->Unit(benchmark::kMillisecond);
BENCHMARK(SlicedWhole)->Unit(benchmark::kMillisecond);

// Prints as usual and keeps each benchmark's bytes per second for the ratios.
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal, so that logs stay plain.
    RecordingReporter() : ConsoleReporter(isatty(fileno(stdout)) ? OO_Defaults : OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs) {
            const auto rate = run.counters.find("bytes_per_second");
            if (!run.error_occurred && rate != run.counters.end())
                bytesPerSecond[run.benchmark_name()] = rate->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> bytesPerSecond;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto& rates = reporter.bytesPerSecond;
    const auto ours = rates.find("CRC32UpdatePieces");
    std::printf("carry-less multiply: %s\n",
                veyra::crc32_detail::HasCarrylessMultiply() ? "used" : "not available");
    for (const char* zlib : {"ZlibPieces", "ZlibWhole", "SlicedWhole"}) {
        const auto other = rates.find(zlib);
        if (ours == rates.end() || other == rates.end() || other->second <= 0)
            continue;
        std::printf("ratio CRC32Update / %s: %.2f (%.0f MB/s vs %.0f MB/s)\n", zlib,
                    ours->second / other->second, ours->second / 1e6, other->second / 1e6);
    }
    return 0;
}
