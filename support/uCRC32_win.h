#pragma once
// CRC-32 of a whole file, read through the Win32 file API.
#include "support/ByteSink.h"
#include "support/uCRC32.h"

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>

namespace veyra {

// The CRC-32 (initial value and final complement applied) of the whole content of the existing
// file `FileName`; a relative name is resolved against the current directory. The file is opened
// for reading while others may go on reading and writing it, and read in 32 KiB blocks through
// one buffer of the module: calls must not overlap. Throws IoError (with the system's error
// code) when the file cannot be opened or read.
std::uint32_t FileCRC32(const std::wstring& FileName);

// Reads the open file `file` once from its start to its end, in 32 KiB blocks through the same
// buffer of the module (calls must not overlap), handing each block to every sink in order.
// Throws IoError naming `fileName` when it cannot be read.
void ReadWholeFile(HANDLE file, std::initializer_list<ByteSink*> sinks,
                   const std::wstring& fileName);

} // namespace veyra
