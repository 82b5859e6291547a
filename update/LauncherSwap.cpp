#include "update/LauncherSwap.h"

#include "update/FileNames.h"

namespace veyra {
namespace {

template <typename Step> bool WithRetries(SwapFileSystem& files, Step step) {
    for (int attempt = 1;; ++attempt) {
        const FileStep result = step();
        if (result.ok)
            return true;
        if (!result.transient || attempt == kSwapAttempts)
            return false;
        files.Pause(kSwapRetryPauseMs);
    }
}

} // namespace

void SwapInUpdate(SwapFileSystem& files, const std::wstring& programDirectory,
                  std::uint32_t acceptedCrc) {
    const auto flushThenReplace = [&] {
        const FileStep flushed = files.Flush(kUpdateFile);
        return flushed.ok ? files.Replace(kUpdateFile, kGameLauncher) : flushed;
    };
    if (WithRetries(files, flushThenReplace))
        return;
    const std::wstring staging = programDirectory + kStagingName;
    // The copy makes a new file and fails on an existing name, so that nothing planted under the
    // staging name (a link to a file elsewhere) is written through: a stale one goes first.
    files.Remove(staging);
    const bool placed =
        WithRetries(files, [&] { return files.Copy(programDirectory + kUpdateFile, staging); }) &&
        files.Crc32(staging) == acceptedCrc && WithRetries(files, [&] {
            return files.Replace(staging, programDirectory + kGameLauncher);
        });
    if (!placed)
        files.Remove(staging);
}

} // namespace veyra
