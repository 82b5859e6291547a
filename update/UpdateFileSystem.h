#pragma once
// The file operations of the update's check and swap, so that their decisions are the same with
// the real file system and with a fake one.
#include "update/OpenedFile.h"

#include <memory>
#include <string>

namespace veyra {

enum class OpenFor {
    Install, // reading, writing (for the flush) and renaming
    Reading, // reading only: what is left when another program holds the file sharing reading
};

struct OpenOutcome {
    std::unique_ptr<OpenedFile> file; // empty when the open failed
    FileStep failure;
};

class UpdateFileSystem {
public:
    virtual ~UpdateFileSystem() = default;
    // Opens an existing file sharing reading only, never following a reparse point (one is
    // refused).
    virtual OpenOutcome Open(const std::wstring& path, OpenFor purpose) = 0;
    // Copies `source` to a new file `target`, failing when the name exists (never writing through
    // it); the copy takes the source's attributes.
    virtual FileStep Copy(const std::wstring& source, const std::wstring& target) = 0;
    // Clears the read-only attribute, which would refuse the flush, the removal and the replace;
    // a missing file or a reparse point is left as it is.
    virtual void ClearReadOnly(const std::wstring& path) = 0;
    virtual void Remove(const std::wstring& path) = 0;
    virtual void Pause(unsigned milliseconds) = 0;
};

inline constexpr int kSwapAttempts = 5; // per step, within about one second
inline constexpr unsigned kSwapRetryPauseMs = 200;

// Runs `step` (returning a FileStep) until it succeeds, fails for good, or has failed
// transiently kSwapAttempts times, pausing between tries; true when it succeeded.
template <typename Step> bool WithRetries(UpdateFileSystem& files, Step step) {
    for (int attempt = 1;; ++attempt) {
        const FileStep result = step();
        if (result.ok)
            return true;
        if (!result.transient || attempt == kSwapAttempts)
            return false;
        files.Pause(kSwapRetryPauseMs);
    }
}

} // namespace veyra
