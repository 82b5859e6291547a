#pragma once
// Putting the checked "temp.data" in place of the game launcher so that the folder always holds a
// complete game launcher: the old one stays under its name until the new one has replaced it in
// one step, and what takes the name is the bytes that were checked.
#include "update/FileDigests.h"
#include "update/UpdateFileSystem.h"

#include <cstdint>
#include <memory>
#include <string>

namespace veyra {

inline constexpr wchar_t kStagingName[] = L"dunmorelauncher.exe.new";

// `checked` is "temp.data" in the current directory, opened for the check that accepted the bytes
// `accepted` describes, and held open since.
// 1. Where that handle can install it: its data is flushed to disk, then it replaces
//    "dunmorelauncher.exe" there through the same handle.
// 2. Otherwise, or if that failed: the handle is closed, a stale staging file is removed, then the
//    program directory's "temp.data" is copied to a new staging file there, which is opened,
//    flushed and read once more; only when that read gives the same CRC-32, length and, where
//    the check took one, SHA-256 (through `verifier`) as `accepted` (that directory's file may be
//    another one than the file checked, or may have changed since) does it replace the
//    program directory's "dunmorelauncher.exe" through its handle; "temp.data" stays. A staging
//    file that does not take its place is removed.
// Read-only attributes are cleared on the launchers and the staging file first. A step that fails
// transiently is tried again a few times, after removing what it made. Nothing is raised: a
// failure leaves the old game launcher where it was. Every handle is closed on return.
void SwapInUpdate(UpdateFileSystem& files, std::unique_ptr<OpenedFile> checked,
                  const std::wstring& programDirectory, const FileDigests& accepted,
                  SignatureVerifier* verifier = nullptr);

} // namespace veyra
