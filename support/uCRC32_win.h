#pragma once
// CRC-32 of a whole file, read through the Win32 file API.
#include "support/uCRC32.h"

#include <cstdint>
#include <string>

namespace veyra {

// The CRC-32 (initial value and final complement applied) of the whole content of the existing
// file `FileName`; a relative name is resolved against the current directory. The file is opened
// for reading while others may go on reading and writing it, and read in 32 KiB blocks through
// one buffer of the module: calls must not overlap. Throws IoError (with the system's error
// code) when the file cannot be opened or read.
std::uint32_t FileCRC32(const std::wstring& FileName);

} // namespace veyra
