#pragma once
// The update procedure: the check (fetch the expected CRC, verify "temp.data"), the apply (swap it
// in for the game launcher, start it, end) and the failure display. It runs on the worker thread
// against two small sets of operations, the platform's and the splash window's, so its control
// flow is the same with the real ones and with recording fakes.
#include "update/FileDigests.h"
#include "update/OpenedFile.h"
#include "update/SplashOperations.h"
#include "update/UpdateSignature.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace veyra {

namespace messages {
inline constexpr wchar_t kValidationFailed[] = L"Validation failed, please try again!";
inline constexpr wchar_t kUpdateNotFound[] = L"Update not found!";
inline constexpr wchar_t kCrcDiffers[] = L"Failed to check files, contact support!";
inline constexpr wchar_t kUpdateMissingAtApply[] = L"Update can not be found!";
inline constexpr wchar_t kLauncherMissing[] = L"Could not start the Game Launcher.";
inline constexpr wchar_t kApplyFailed[] = L"Update failed, please try again!";
// Error-log lines.
inline constexpr wchar_t kCheckFailedLog[] = L"VeyraLauncher falha na verificação da aplicação!";
inline constexpr wchar_t kLauncherMissingLog[] =
    L"Falha no processamento de checagem VeyraLauncher [cod: 12]";
inline constexpr wchar_t kApplyFailedLog[] = L"VeyraLauncher falha na aplicação de atualização!";
} // namespace messages

inline constexpr std::int32_t kProgressMax = 254;
// The worker's pause before the fetch, and the pause between the swap and the launcher's start.
inline constexpr unsigned kStartPauseMs = 500;
inline constexpr unsigned kAfterSwapPauseMs = 1000;

// A build pinned to the studio's keys: the platform's verifier and the keys.
struct UpdatePinning {
    SignatureVerifier& verifier;
    std::span<const PinnedKey> keys;
    // The keys' ids as one text ("VeyraUpdateKeys=ID,ID;"), which the exe carries for its static
    // checks.
    const char* keyIds = "";
};

// What the procedure does to the world besides the splash window, whose operations it is given
// beside these (there the close timer may raise TimerUnavailableError). Failures are C++
// exceptions derived from std::exception, except where a function says it raises nothing.
class UpdateOperations {
public:
    virtual ~UpdateOperations() = default;
    virtual void Pause(unsigned milliseconds) = 0;
    // The version file's body as text; raises on any failure of the fetch.
    virtual std::wstring FetchVersionFile(const std::wstring& versionStamp) = 0;
    // Whether `relativeName` is an existing file in the current directory (a directory of that
    // name does not count).
    virtual bool FileExists(const std::wstring& relativeName) = 0;
    // Opens the file for its check: the one handle through which it is read and installed, so
    // that nobody can change it in between. Raises an I/O error.
    virtual std::unique_ptr<OpenedFile> OpenUpdateFile(const std::wstring& relativeName) = 0;
    // Puts the checked "temp.data" in place of the game launcher, provided what takes the
    // launcher's name holds the bytes `accepted` describes, and closes it; raises nothing: a
    // failure shows up as the old launcher (or, in no case, none) being there afterwards.
    virtual void SwapInUpdate(std::unique_ptr<OpenedFile> checked, const FileDigests& accepted) = 0;
    // In a build pinned to the studio's keys, what checks the signature; none in a build without
    // keys, which never reads the text before the "|".
    virtual const UpdatePinning* Pinning() { return nullptr; }
    // Starts the game launcher in the program directory, elevated when UAC is on; its result is
    // ignored, but reading the UAC policy may raise.
    virtual void StartGameLauncher() = 0;
    // Ends the process with exit code 0 at once (the real one does not return).
    virtual void EndProcess() = 0;
    // Appends a line to the error log; raises an I/O error.
    virtual void WriteLog(const std::wstring& message) = 0;
    // Taskbar progress; never fails.
    virtual void ReportProgress(std::int32_t max, std::int32_t position) = 0;
    // The taskbar button's error state; never fails.
    virtual void ShowTaskbarError() = 0;
};

// The expected CRC in a version file's body: everything after the first "|" (the whole body
// without one), less leading and trailing characters of code 32 or less.
std::wstring ExpectedCrcFromBody(std::wstring_view body);

// Where the taskbar's error state goes among the failure display's effects.
enum class TaskbarErrorPlace { First, Last };

// The failure display: the taskbar's error state, the status line, the frozen logo and the close
// timer, which ends the process (layout::kCloseTimerIntervalMs later). An error of
// StartCloseTimer passes to the caller.
void ShowFailure(UpdateOperations& ops, SplashOperations& window, const std::wstring& message,
                 TaskbarErrorPlace taskbar = TaskbarErrorPlace::First);

// The check's own failure display, for an error its guard caught: the log line, then "Validation
// failed, please try again!". A failing log line is left out; an error of StartCloseTimer passes
// to the caller.
void ShowCheckFailure(UpdateOperations& ops, SplashOperations& window);

// Runs `work` on a new thread; false when no thread could be made.
using WorkerStart = std::function<bool(std::function<void()> work)>;

// Starts CheckForUpdate on a worker thread through `startWorker`. When no thread can be made the
// check's failure display runs here at once, and should its close timer be refused, the process
// ends: the program never stays without something that ends it. `ops` and `window` must outlive
// the worker.
void StartUpdate(UpdateOperations& ops, SplashOperations& window, const std::wstring& versionStamp,
                 const WorkerStart& startWorker);

// The worker's procedure: pauses kStartPauseMs, then checks and applies the update. Every failure
// ends in a failure display; success ends the process. "temp.data" is opened once for the check
// and closed before any failure is shown. In a pinned build the file must also carry a signature
// by one of the pinned keys over its bytes and label; without one the check fails as when the
// CRC-32 differs.
void CheckForUpdate(UpdateOperations& ops, SplashOperations& window,
                    const std::wstring& versionStamp);

// The second half, after the check accepted "temp.data", held open as `checked`, with the bytes
// `accepted` describes: swap, pause kAfterSwapPauseMs, start the launcher, end. The file is
// closed before anything is shown and before the pause.
void ApplyUpdate(UpdateOperations& ops, SplashOperations& window,
                 std::unique_ptr<OpenedFile> checked, const FileDigests& accepted);

} // namespace veyra
