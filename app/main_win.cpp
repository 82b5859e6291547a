// VeyraLauncher: installs a downloaded game launcher update and starts the game launcher.
#include "app/Application_win.h"
#include "app/CommandLine.h"
#include "app/DllSearch_win.h"
#include "app/StartModes_win.h"
#include "support/Bridge_win.h"
#include "support/uThread_win.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    // Before anything else can load a DLL: the program runs elevated from a folder others may
    // write to.
    veyra::RestrictDllSearchToSystem32();
    // Module start-up, in both modes: the worker-thread module's lock, COM on this thread (the
    // application object), then the taskbar decision.
    veyra::InitThreadModule();
    veyra::TApplication application(instance);
    veyra::TaskbarModules taskbar(application.Handle());
    if (veyra::DecideStartMode(::GetCommandLineW()) == veyra::StartMode::PassThrough)
        return veyra::RunPassThrough(application);
    veyra::RunUpdateMode(application, showCommand);
}
