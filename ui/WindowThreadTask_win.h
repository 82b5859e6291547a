#pragma once
// The one way other threads hand work to a window's thread: a task travels in a sent message,
// runs there while the caller waits, and what it raises is raised again in the caller. Windows
// built on Window (ui/Window_win.h) run these tasks; they need no message of their own.
#include <windows.h>

#include <functional>

namespace veyra {

// Runs `task` on the thread of `window` and returns when it has run; an exception it raises is
// rethrown here. From the window's own thread it runs at once (a message sent within a thread is
// a plain call). Nothing runs when `window` is no window, or its object has already gone.
void RunOnWindowThread(HWND window, const std::function<void()>& task);

// For the window procedure: whether `message` carries a task, and running the task that
// `lParam` carries, keeping what it raises for the caller.
bool IsWindowThreadTask(UINT message);
void RunWindowThreadTask(LPARAM lParam);

} // namespace veyra
