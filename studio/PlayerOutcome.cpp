#include "studio/PlayerOutcome.h"

#include "update/uM.h"

namespace veyra::studio {
namespace {

// The update procedure's operations for a dry run: the fetch is real, the update file is the
// studio's launcher, and what would change the player's machine is only noted.
class DryRunOperations final : public UpdateOperations {
public:
    DryRunOperations(const VersionFileFetch& fetch, std::uint32_t launcherCrc)
        : fetch_(fetch), launcherCrc_(launcherCrc) {}

    PlayerOutcome outcome;

    void Pause(unsigned) override {}
    std::wstring FetchVersionFile(const std::wstring& versionStamp) override {
        try {
            outcome.body = fetch_(versionStamp);
            return *outcome.body;
        } catch (const HttpError& error) {
            outcome.fetchError = error;
            throw;
        }
    }
    // The update file and, after the swap, the launcher are both the studio's file.
    bool FileExists(const std::wstring&) override { return true; }
    std::uint32_t FileCrc32(const std::wstring&) override { return launcherCrc_; }
    void SwapInUpdate(std::uint32_t acceptedCrc) override {
        outcome.installs = acceptedCrc == launcherCrc_;
    }
    void StartGameLauncher() override {}
    void EndProcess() override {}
    void WriteLog(const std::wstring& message) override { outcome.logLines.push_back(message); }
    void ReportProgress(std::int32_t, std::int32_t) override {}
    void ShowTaskbarError() override {}
    void SetStatusText(const std::wstring& text) override {
        outcome.statusMessage = text;
        outcome.installs = false;
    }
    void StopLogoAnimation() override {}
    void StartCloseTimer() override {}

private:
    const VersionFileFetch& fetch_;
    const std::uint32_t launcherCrc_;
};

} // namespace

PlayerOutcome WhatAPlayerWouldSee(const VersionFileFetch& fetch, const std::wstring& versionStamp,
                                  std::uint32_t launcherCrc) {
    DryRunOperations operations(fetch, launcherCrc);
    CheckForUpdate(operations, versionStamp);
    return operations.outcome;
}

} // namespace veyra::studio
