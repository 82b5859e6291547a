#include "update/LauncherSwap.h"

#include "support/IoError.h"
#include "update/FileNames.h"

namespace veyra {
namespace {

bool InstallThroughHandle(UpdateFileSystem& files, OpenedFile& checked) {
    return checked.Installable() && WithRetries(files, [&] {
               const FileStep flushed = checked.Flush();
               return flushed.ok ? checked.RenameTo(kGameLauncher) : flushed;
           });
}

void RemoveStaging(UpdateFileSystem& files, const std::wstring& staging) {
    files.ClearReadOnly(staging);
    files.Remove(staging);
}

// The staging copy, opened and flushed; empty when it could not be made. A try that fails removes
// its copy, so the next one can make a new file under the name.
std::unique_ptr<OpenedFile> MakeStagingCopy(UpdateFileSystem& files, const std::wstring& source,
                                            const std::wstring& staging) {
    std::unique_ptr<OpenedFile> copy;
    WithRetries(files, [&] {
        FileStep step = files.Copy(source, staging);
        if (step.ok) {
            // The copy takes a read-only source's attribute, which would refuse the flush.
            files.ClearReadOnly(staging);
            OpenOutcome opened = files.Open(staging, OpenFor::Install);
            step = opened.file ? opened.file->Flush() : opened.failure;
            if (step.ok) {
                copy = std::move(opened.file);
                return step;
            }
        }
        RemoveStaging(files, staging);
        return step;
    });
    return copy;
}

bool HoldsAcceptedBytes(OpenedFile& file, const FileDigests& accepted,
                        SignatureVerifier* verifier) {
    try {
        return SameBytes(accepted, ReadDigests(file, accepted.sha256 ? verifier : nullptr));
    } catch (const IoError&) {
        return false;
    }
}

void InstallByCopy(UpdateFileSystem& files, const std::wstring& programDirectory,
                   const FileDigests& accepted, SignatureVerifier* verifier) {
    const std::wstring staging = programDirectory + kStagingName;
    const std::wstring launcher = programDirectory + kGameLauncher;
    // The copy makes a new file and fails on an existing name, so that nothing planted under the
    // staging name (a link to a file elsewhere) is written through: a stale one goes first.
    RemoveStaging(files, staging);
    std::unique_ptr<OpenedFile> copy =
        MakeStagingCopy(files, programDirectory + kUpdateFile, staging);
    if (!copy)
        return;
    files.ClearReadOnly(launcher);
    const bool placed = copy->Installable() && HoldsAcceptedBytes(*copy, accepted, verifier) &&
                        WithRetries(files, [&] { return copy->RenameTo(launcher); });
    copy.reset();
    if (!placed)
        RemoveStaging(files, staging);
}

} // namespace

void SwapInUpdate(UpdateFileSystem& files, std::unique_ptr<OpenedFile> checked,
                  const std::wstring& programDirectory, const FileDigests& accepted,
                  SignatureVerifier* verifier) {
    files.ClearReadOnly(kGameLauncher);
    if (checked && InstallThroughHandle(files, *checked))
        return;
    // The fallback copies by name, which this handle's sharing would refuse.
    checked.reset();
    InstallByCopy(files, programDirectory, accepted, verifier);
}

} // namespace veyra
