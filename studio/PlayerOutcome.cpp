#include "studio/PlayerOutcome.h"

#include "update/uM.h"

namespace veyra::studio {
namespace {

// The studio's launcher as the opened "temp.data": read, never renamed.
class LauncherBytes final : public OpenedFile {
public:
    explicit LauncherBytes(const std::string& bytes) : bytes_(bytes) {}
    bool Installable() const override { return false; }
    void ReadAll(std::initializer_list<ByteSink*> sinks) override {
        for (ByteSink* sink : sinks)
            sink->Take(reinterpret_cast<const unsigned char*>(bytes_.data()), bytes_.size());
    }
    FileStep Flush() override { return {true}; }
    FileStep RenameTo(const std::wstring&) override { return {}; }

private:
    const std::string& bytes_;
};

// The update procedure's operations and the splash window's for a dry run: the fetch is real, the
// update file is the studio's launcher, and what would change the player's machine or screen is
// only noted.
class DryRunOperations final : public UpdateOperations, public SplashOperations {
public:
    DryRunOperations(const VersionFileFetch& fetch, const std::string& launcher,
                     const UpdatePinning* pinning)
        : fetch_(fetch), launcher_(launcher), pinning_(pinning) {}

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
    std::unique_ptr<OpenedFile> OpenUpdateFile(const std::wstring&) override {
        return std::make_unique<LauncherBytes>(launcher_);
    }
    // Reached only when the check accepted the file it read.
    void SwapInUpdate(std::unique_ptr<OpenedFile>, const FileDigests&) override {
        outcome.installs = true;
    }
    const UpdatePinning* Pinning() override { return pinning_; }
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
    const std::string& launcher_;
    const UpdatePinning* pinning_;
};

} // namespace

PlayerOutcome WhatAPlayerWouldSee(const VersionFileFetch& fetch, const std::wstring& versionStamp,
                                  const std::string& launcher, const UpdatePinning* pinning) {
    DryRunOperations operations(fetch, launcher, pinning);
    CheckForUpdate(operations, operations, versionStamp);
    return operations.outcome;
}

} // namespace veyra::studio
