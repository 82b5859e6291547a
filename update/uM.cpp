#include "update/uM.h"

#include "support/uCRC32.h"
#include "update/AsciiText.h"
#include "update/FileNames.h"

#include <exception>

namespace veyra {
namespace {

// A pinned build's signature check, failing closed: a file whose SHA-256 could not be taken is
// refused.
bool SignedByAPinnedKey(const UpdatePinning& pinning, std::wstring_view body,
                        const FileDigests& digests) {
    return digests.sha256 && VerifySignedBody(pinning.verifier, pinning.keys, body, digests.length,
                                              *digests.sha256) == SignatureVerdict::valid;
}

} // namespace

std::wstring ExpectedCrcFromBody(std::wstring_view body) {
    const auto bar = body.find(L'|');
    return std::wstring(ascii::Trim(bar == std::wstring_view::npos ? body : body.substr(bar + 1)));
}

void ShowFailure(UpdateOperations& ops, SplashOperations& window, const std::wstring& message,
                 TaskbarErrorPlace taskbar) {
    if (taskbar == TaskbarErrorPlace::First)
        ops.ShowTaskbarError();
    window.SetStatusText(message);
    window.StopLogoAnimation();
    window.StartCloseTimer();
    if (taskbar == TaskbarErrorPlace::Last)
        ops.ShowTaskbarError();
}

void CheckForUpdate(UpdateOperations& ops, SplashOperations& window,
                    const std::wstring& versionStamp) {
    ops.Pause(kStartPauseMs);
    try {
        ops.ReportProgress(kProgressMax, 40);
        const std::wstring body = ops.FetchVersionFile(versionStamp);
        ops.ReportProgress(kProgressMax, 90);
        const std::wstring expected = ExpectedCrcFromBody(body);
        if (!ops.FileExists(kUpdateFile)) {
            ShowFailure(ops, window, messages::kUpdateNotFound);
            return;
        }
        ops.ReportProgress(kProgressMax, 180);
        std::unique_ptr<OpenedFile> update = ops.OpenUpdateFile(kUpdateFile);
        const UpdatePinning* const pinning = ops.Pinning();
        const FileDigests digests = ReadDigests(*update, pinning ? &pinning->verifier : nullptr);
        if (CrcToDecimal(digests.crc32) != expected ||
            (pinning && !SignedByAPinnedKey(*pinning, body, digests))) {
            update.reset();
            ShowFailure(ops, window, messages::kCrcDiffers);
            return;
        }
        ops.ReportProgress(kProgressMax, 200);
        ApplyUpdate(ops, window, std::move(update), digests);
    } catch (const std::exception&) {
        ShowCheckFailure(ops, window);
    }
}

void ShowCheckFailure(UpdateOperations& ops, SplashOperations& window) {
    try {
        ops.WriteLog(messages::kCheckFailedLog);
    } catch (const std::exception&) {
        // Even without its log line the failure is shown, so the program still ends.
    }
    ShowFailure(ops, window, messages::kValidationFailed, TaskbarErrorPlace::Last);
}

void StartUpdate(UpdateOperations& ops, SplashOperations& window, const std::wstring& versionStamp,
                 const WorkerStart& startWorker) {
    if (startWorker([&ops, &window, versionStamp] { CheckForUpdate(ops, window, versionStamp); }))
        return;
    try {
        ShowCheckFailure(ops, window);
    } catch (const std::exception&) {
        ops.EndProcess();
    }
}

void ApplyUpdate(UpdateOperations& ops, SplashOperations& window,
                 std::unique_ptr<OpenedFile> checked, const FileDigests& accepted) {
    ops.ReportProgress(kProgressMax, 220);
    try {
        if (!ops.FileExists(kUpdateFile)) {
            checked.reset();
            ShowFailure(ops, window, messages::kUpdateMissingAtApply);
            return;
        }
        ops.ReportProgress(kProgressMax, 240);
        ops.SwapInUpdate(std::move(checked), accepted);
        ops.ReportProgress(kProgressMax, 254);
        ops.Pause(kAfterSwapPauseMs);
        if (!ops.FileExists(kGameLauncher)) {
            ShowFailure(ops, window, messages::kLauncherMissing);
            ops.WriteLog(messages::kLauncherMissingLog);
            return;
        }
        ops.StartGameLauncher();
        ops.EndProcess();
    } catch (const std::exception&) {
        checked.reset();
        // A failing log line here passes on to the check's guard.
        ops.WriteLog(messages::kApplyFailedLog);
        ShowFailure(ops, window, messages::kApplyFailed);
    }
}

} // namespace veyra
