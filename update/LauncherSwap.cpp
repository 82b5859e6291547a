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

void SwapInUpdate(SwapFileSystem& files, const std::wstring& programDirectory) {
    if (WithRetries(files, [&] { return files.Replace(kUpdateFile, kGameLauncher); }))
        return;
    const std::wstring staging = programDirectory + kStagingName;
    const bool placed =
        WithRetries(files, [&] { return files.Copy(programDirectory + kUpdateFile, staging); }) &&
        WithRetries(files,
                    [&] { return files.Replace(staging, programDirectory + kGameLauncher); });
    if (!placed)
        files.Remove(staging);
}

} // namespace veyra
