#pragma once
// The update procedure on Windows: its operations on the real platform, and its start at the
// splash window's creation.
#include "update/uM.h"

#include <windows.h>

namespace veyra {

class Win32UpdateOperations final : public UpdateOperations {
public:
    // `owner` owns the started game launcher (the application's window).
    explicit Win32UpdateOperations(HWND owner) : owner_(owner) {}

    void Pause(unsigned milliseconds) override;
    std::wstring FetchVersionFile(const std::wstring& versionStamp) override;
    bool FileExists(const std::wstring& relativeName) override;
    std::unique_ptr<OpenedFile> OpenUpdateFile(const std::wstring& relativeName) override;
    void SwapInUpdate(std::unique_ptr<OpenedFile> checked, const FileDigests& accepted) override;
    const UpdatePinning* Pinning() override;
    void StartGameLauncher() override;
    void EndProcess() override;
    void WriteLog(const std::wstring& message) override;
    void ReportProgress(std::int32_t max, std::int32_t position) override;
    void ShowTaskbarError() override;

private:
    HWND owner_;
};

// The version stamp from the local date and time (the date and the time read separately).
std::wstring CurrentVersionStamp();

// Runs `work` on a TThread that is never freed (the process ends while it may still run), with
// COM on it as on the main thread: the shell may hand the launcher's start to extensions. False
// when the system cannot make the thread.
bool StartWorkerThread(std::function<void()> work);

// Starts the update on a worker thread that runs for the rest of the program: builds the version
// stamp, then starts the worker, which pauses kStartPauseMs before it fetches anything. When no
// thread can be made, the failure is shown at once and the close timer ends the program.
void StartUpdate(SplashOperations& window, HWND owner,
                 const WorkerStart& startWorker = StartWorkerThread);

} // namespace veyra
