#pragma once
// How the starting program's show request (the nCmdShow of the process) shows the window.

namespace veyra {

enum class WindowShowState { Normal, Maximized, Minimized };

// Only "show maximised" maximises and only "show minimised without activation" minimises;
// every other request, hidden included, shows the window normally.
WindowShowState InitialShowState(int showCommand);

} // namespace veyra
