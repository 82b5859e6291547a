#pragma once
// Taskbar progress through the shell's taskbar object (ITaskbarList3), one per process. It is
// made on the main thread once COM is initialised there and is used from the worker thread.
#include "support/uWin7Taskbar.h"

#include <windows.h>

#include <cstdint>

namespace veyra {

// Makes the shell's taskbar object in process and keeps it when its HrInit returns S_OK.
// True at once when it is already there. Only whether an object came back counts, not the
// creation's result code. Needs COM on the calling thread; every failure just returns false.
bool CreateTaskbarList();

// The object is there.
bool TaskbarListReady();

// The windows the progress belongs to: the application's own (hidden) window, and the main
// window when it owns the taskbar button (nullptr when none does). The application registers
// them; the windows themselves stay theirs.
void SetTaskbarApplicationWindow(HWND window);
void SetTaskbarMainWindow(HWND window);

// The main window while it is registered and exists, otherwise the application's window.
HWND TaskbarWindow();

// False when the object is not there; else true exactly when the object's call on
// TaskbarWindow() returns S_OK.
bool SetTaskbarProgressState(TTaskbarProgressState state);
bool SetTaskbarProgressValue(std::uint64_t completed, std::uint64_t total);

// Releases the object: the module's end. Must run before COM ends on the main thread.
void ReleaseTaskbarList();

// The module's reference itself, for the progress reports of module Bridge.
TaskbarList& ModuleTaskbarList();

} // namespace veyra
