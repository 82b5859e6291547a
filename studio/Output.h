#pragma once
// The tool's output, where a failed write must never pass for a done one: in a pipeline, a full
// disk or a closed pipe would otherwise publish an empty version file under exit status 0.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace veyra::studio {

// Writes all of `text` to `out` and flushes it at once, so that a reader of a pipe sees each line
// when it is known. False when any part of it failed (errno tells why).
bool WriteAndFlush(std::FILE* out, std::string_view text);

// Replaces `file` with `bytes` as one step: a temporary file in the same folder, written, flushed
// to the disk, then renamed over `file`. On failure `file` is as it was, no temporary file stays,
// and the text says why.
std::optional<std::string> ReplaceFileAtomically(const std::filesystem::path& file,
                                                 std::string_view bytes);

} // namespace veyra::studio
