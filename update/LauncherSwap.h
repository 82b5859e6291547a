#pragma once
// Putting "temp.data" in place of the game launcher so that the folder always holds a complete
// game launcher: the old one stays under its name until the new one has replaced it in one step.
#include <cstdint>
#include <optional>
#include <string>

namespace veyra {

struct FileStep {
    bool ok = false;
    bool transient = false; // a sharing violation or denied access, which a scanner may cause
};

class SwapFileSystem {
public:
    virtual ~SwapFileSystem() = default;
    // Renames `source` to `target`, replacing an existing target in one step, written through.
    virtual FileStep Replace(const std::wstring& source, const std::wstring& target) = 0;
    // Copies `source` to a new file `target`, failing when the name exists (never writing through
    // it), and flushes it to disk.
    virtual FileStep Copy(const std::wstring& source, const std::wstring& target) = 0;
    // Writes the existing file's data through to the disk: a rename on one volume does not, and
    // a power cut after a journaled rename could leave the name without the data.
    virtual FileStep Flush(const std::wstring& path) = 0;
    // The CRC-32 of the file's whole content; none when it cannot be read.
    virtual std::optional<std::uint32_t> Crc32(const std::wstring& path) = 0;
    virtual void Remove(const std::wstring& path) = 0;
    virtual void Pause(unsigned milliseconds) = 0;
};

inline constexpr int kSwapAttempts = 5; // per step, within about one second
inline constexpr unsigned kSwapRetryPauseMs = 200;
inline constexpr wchar_t kStagingName[] = L"dunmorelauncher.exe.new";

// 1. "temp.data" in the current directory, the file the check accepted, is flushed to disk, then
//    replaces "dunmorelauncher.exe" there.
// 2. Only if that failed: a stale staging file is removed, then the program directory's
//    "temp.data" is copied to a new staging file there;
//    only when the staging copy's CRC-32 is `acceptedCrc` (that directory's file may be another
//    one than the file checked, or may have changed since) does it replace the program
//    directory's "dunmorelauncher.exe"; "temp.data" stays. A staging file that does not take its
//    place is removed.
// A step that fails transiently is tried again a few times. Nothing is raised: a failure leaves
// the old game launcher where it was.
void SwapInUpdate(SwapFileSystem& files, const std::wstring& programDirectory,
                  std::uint32_t acceptedCrc);

} // namespace veyra
