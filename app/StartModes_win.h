#pragma once
// The two ways the program runs, chosen from its first argument.
#include "app/Application_win.h"

namespace veyra {

// Starts the game launcher beside the program, if it is there, and returns the exit code 0
// without ever showing a window. Every failure is silent.
int RunPassThrough(const TApplication& application);

// Shows the splash window and runs the message loop until it ends, then ends the process with
// exit code 0 at once, without waiting for other threads. When the splash window cannot be
// created, the process ends at once with exit code 0.
[[noreturn]] void RunUpdateMode(TApplication& application, int showCommand);

} // namespace veyra
