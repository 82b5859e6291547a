#pragma once
// What a player would see with a published version file: the program's own update check, run
// against the live fetch and the studio's launcher file, with every other effect recorded instead
// of done.
#include "update/HttpError.h"
#include "update/uM.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace veyra::studio {

struct PlayerOutcome {
    // The check accepted the file and the program would swap it in and start it.
    bool installs = false;
    // The status line's failure message; empty when the file is installed.
    std::wstring statusMessage;
    // The error log's lines, in order.
    std::vector<std::wstring> logLines;
    // The body of a successful fetch.
    std::optional<std::wstring> body;
    // The fetch's failure, when it failed.
    std::optional<HttpError> fetchError;
};

// Fetches the version file for `versionStamp`; throws HttpError as the program's fetch does.
using VersionFileFetch = std::function<std::wstring(const std::wstring& versionStamp)>;

// Runs the program's update check (CheckForUpdate) with `fetch` and a "temp.data" holding the
// bytes `launcher`, without its pauses; as a build pinned to keys runs it, given `pinning`.
PlayerOutcome WhatAPlayerWouldSee(const VersionFileFetch& fetch, const std::wstring& versionStamp,
                                  const std::string& launcher,
                                  const UpdatePinning* pinning = nullptr);

} // namespace veyra::studio
