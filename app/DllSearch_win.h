#pragma once
// The program runs elevated from a folder that ordinary users may be able to write to, so no DLL
// may ever be loaded from its own folder or the current directory.

namespace veyra {

// Limits the DLL search of this process to System32. Uses SetDefaultDllDirectories where the
// system has it (looked up at run time: Windows 7 without its update lacks it) and otherwise takes
// the current directory out of the search. Returns whether the System32 limit is in force.
bool RestrictDllSearchToSystem32();

} // namespace veyra
