#pragma once
// Error log: appends one time-stamped line to "VeyraLauncher.err" beside the program, in the
// system's ANSI code page.
#include "support/uLogSystem.h"

#include <string>
#include <string_view>

namespace veyra {

// The user's locale settings for the time stamp (GetLocaleInfoW, LOCALE_USER_DEFAULT), read anew
// on every call. A value that cannot be read counts as empty text or "0".
LogLocale ReadLogLocale();

// Appends one entry to the log file at `path`:
//   1. creates the file empty when no file of that name exists (IoError when that fails);
//   2. opens it for reading and writing, letting others only read it, and cuts it at the first
//      0x1A among its last 128 bytes; a failure here is remembered, not raised;
//   3. reads the clock for the date, then again for the time, and forms the line;
//   4. writes the line with its CR LF in one piece and closes the file. IoError when the file did
//      not open in step 2 ("file not open for output"), or the write or the close fails. A failed
//      write is undone, so the lines already there stay as they were.
void AppendLogLine(const std::wstring& path, std::wstring_view message);

// AppendLogLine on the program directory's "VeyraLauncher.err".
void WriteLog(std::wstring_view message);

} // namespace veyra
