#pragma once
// Whether the application's message loop has been asked to end. Waits elsewhere in the program
// (a started program, the logo timer) poll it so that they give up once the user closed the window.

namespace veyra {

void MarkApplicationTerminated();
bool ApplicationTerminated();
// Clears the mark again; only a test that marked it needs this.
void ClearApplicationTerminated();

} // namespace veyra
