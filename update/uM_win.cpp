#include "update/uM_win.h"

#include "support/Bridge_win.h"
#include "support/Files_win.h"
#include "support/LocalClock_win.h"
#include "support/WinHandle_win.h"
#include "support/uLogSystem_win.h"
#include "support/uRun_win.h"
#include "support/uThread_win.h"
#include "support/uWin7Taskbar_win.h"
#include "update/FileNames.h"
#include "update/LauncherSwap.h"
#include "update/Pinning_win.h"
#include "update/UpdateFileOpen.h"
#include "update/UpdateFiles_win.h"
#include "update/VersionFile.h"
#include "update/VersionStamp.h"

#include <memory>

namespace veyra {

void Win32UpdateOperations::Pause(unsigned milliseconds) {
    ::Sleep(milliseconds);
}

std::wstring Win32UpdateOperations::FetchVersionFile(const std::wstring& versionStamp) {
    return veyra::FetchVersionFile(versionStamp);
}

bool Win32UpdateOperations::FileExists(const std::wstring& relativeName) {
    return veyra::FileExists(relativeName);
}

std::unique_ptr<OpenedFile>
Win32UpdateOperations::OpenUpdateFile(const std::wstring& relativeName) {
    Win32UpdateFileSystem files;
    return OpenUpdateForCheck(files, relativeName);
}

void Win32UpdateOperations::SwapInUpdate(std::unique_ptr<OpenedFile> checked,
                                         const FileDigests& accepted) {
    Win32UpdateFileSystem files;
    const UpdatePinning* const pinning = Pinning();
    veyra::SwapInUpdate(files, std::move(checked), ProgramDirectory(), accepted,
                        pinning ? &pinning->verifier : nullptr);
}

const UpdatePinning* Win32UpdateOperations::Pinning() {
    return PinnedBuild();
}

void Win32UpdateOperations::StartGameLauncher() {
    RunProgram(owner_, ProgramDirectory() + kGameLauncher, L"", rfElevate);
}

void Win32UpdateOperations::EndProcess() {
    ::ExitProcess(0);
}

void Win32UpdateOperations::WriteLog(const std::wstring& message) {
    veyra::WriteLog(message);
}

void Win32UpdateOperations::ReportProgress(std::int32_t max, std::int32_t position) {
    veyra::ReportProgress(max, position);
}

void Win32UpdateOperations::ShowTaskbarError() {
    SetTaskbarProgressState(tpsError);
}

std::wstring CurrentVersionStamp() {
    const ClockReading dateReading = ReadLocalClock();
    const ClockReading timeReading = ReadLocalClock();
    return FormatVersionStamp(dateReading, timeReading);
}

namespace {
struct UpdateRun {
    std::wstring versionStamp;
    Win32UpdateOperations operations;
};
} // namespace

bool StartWorkerThread(std::function<void()> work) {
    auto thread = std::make_unique<TThread>(
        [work = std::move(work)](TThread&) {
            const ComApartment com;
            work();
        },
        0);
    if (!thread->ThreadHandle())
        return false;
    thread.release();
    return true;
}

void StartUpdate(SplashOperations& window, HWND owner, const WorkerStart& startWorker) {
    // The stamp is complete before the worker exists, so it never reads it half-written. The run
    // is never freed: the process ends while the worker may still run.
    auto* run = new UpdateRun{CurrentVersionStamp(), Win32UpdateOperations(owner)};
    veyra::StartUpdate(run->operations, window, run->versionStamp, startWorker);
}

} // namespace veyra
