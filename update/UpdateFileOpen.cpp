#include "update/UpdateFileOpen.h"

#include "support/IoError.h"

namespace veyra {

std::unique_ptr<OpenedFile> OpenUpdateForCheck(UpdateFileSystem& files, const std::wstring& name) {
    files.ClearReadOnly(name);
    std::unique_ptr<OpenedFile> opened;
    FileStep failure;
    WithRetries(files, [&] {
        for (const OpenFor purpose : {OpenFor::Install, OpenFor::Reading}) {
            OpenOutcome outcome = files.Open(name, purpose);
            if (outcome.file) {
                opened = std::move(outcome.file);
                return FileStep{true};
            }
            failure = outcome.failure;
        }
        return failure;
    });
    if (!opened)
        throw IoError("Cannot open the update file for its check (system error " +
                          std::to_string(failure.systemCode) + ")",
                      failure.systemCode);
    return opened;
}

} // namespace veyra
