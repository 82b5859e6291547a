// Throughput of CRC32Update next to zlib's crc32() over the same 64 MiB, and their ratio.
// CRC32Update takes at most 65535 bytes per call, so it is fed 32 KiB pieces as FileCRC32 does;
// zlib is measured over the same pieces and in one call over the whole buffer.
// Then what a signed update adds to the check: one pass of 32 KiB blocks feeding the CRC-32's sink
// alone, and the CRC-32's and OpenSSL's SHA-256 sinks together, over 10 MiB and 100 MiB.
#include "support/uCRC32.h"
#include "update/SignatureVerifier_openssl.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
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

constexpr std::size_t kLargestFile = 100u << 20;

const std::vector<unsigned char>& LargestFile() {
    static const std::vector<unsigned char> file = [] {
        std::vector<unsigned char> bytes(kLargestFile);
        std::mt19937 random(7);
        for (auto& b : bytes)
            b = static_cast<unsigned char>(random());
        return bytes;
    }();
    return file;
}

// Feeds the first `size` bytes of the file to every sink, block by block, as one read would.
void FeedBlocks(const std::vector<unsigned char>& file, std::size_t size,
                veyra::ByteSink* const* sinks, std::size_t count) {
    for (std::size_t at = 0; at < size; at += kPiece) {
        const std::size_t block = std::min(kPiece, size - at);
        for (std::size_t i = 0; i < count; ++i)
            sinks[i]->Take(file.data() + at, block);
    }
}

// The argument is the file's size in MiB.
void Crc32SinkAlone(benchmark::State& state) {
    const auto& file = LargestFile(); // made before the timing starts
    const std::size_t size = static_cast<std::size_t>(state.range(0)) << 20;
    for (auto _ : state) {
        veyra::Crc32Sink crc;
        veyra::ByteSink* const sinks[] = {&crc};
        FeedBlocks(file, size, sinks, 1);
        benchmark::DoNotOptimize(crc.Value());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void Crc32AndSha256Sinks(benchmark::State& state) {
    const auto& file = LargestFile(); // made before the timing starts
    const std::size_t size = static_cast<std::size_t>(state.range(0)) << 20;
    veyra::OpenSslVerifier verifier;
    for (auto _ : state) {
        veyra::Crc32Sink crc;
        const std::unique_ptr<veyra::Sha256Sink> sha = verifier.NewSha256();
        veyra::ByteSink* const sinks[] = {&crc, sha.get()};
        FeedBlocks(file, size, sinks, 2);
        const auto digest = sha->Finish();
        if (!digest) {
            state.SkipWithError("OpenSSL's SHA-256 failed");
            break;
        }
        benchmark::DoNotOptimize(crc.Value());
        benchmark::DoNotOptimize(*digest);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

BENCHMARK(CRC32UpdatePieces)->Unit(benchmark::kMillisecond);
BENCHMARK(ZlibPieces)->Unit(benchmark::kMillisecond);
BENCHMARK(ZlibWhole)->Unit(benchmark::kMillisecond);
BENCHMARK(SlicedWhole)->Unit(benchmark::kMillisecond);
BENCHMARK(Crc32SinkAlone)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(Crc32AndSha256Sinks)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

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
    for (const char* size : {"10", "100"}) {
        const auto alone = rates.find(std::string("Crc32SinkAlone/") + size);
        const auto both = rates.find(std::string("Crc32AndSha256Sinks/") + size);
        if (alone == rates.end() || both == rates.end() || alone->second <= 0)
            continue;
        std::printf("ratio CRC-32 + SHA-256 / CRC-32 alone, %s MiB in 32 KiB blocks: %.2f "
                    "(%.0f MB/s vs %.0f MB/s)\n",
                    size, both->second / alone->second, both->second / 1e6, alone->second / 1e6);
    }
    return 0;
}
