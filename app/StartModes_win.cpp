#include "app/StartModes_win.h"

#include "support/Files_win.h"
#include "support/uRun_win.h"
#include "support/uWin7Taskbar_win.h"
#include "ui/ShowState.h"
#include "ui/SplashWindow_win.h"
#include "update/FileNames.h"
#include "update/uM_win.h"

namespace veyra {

int RunPassThrough(const TApplication& application) {
    const std::wstring launcher = ProgramDirectory() + kGameLauncher;
    if (FileExists(launcher)) {
        try {
            RunProgram(application.Handle(), launcher, L"", rfElevate);
        } catch (const std::exception&) {
            // An unreadable UAC policy is one more failure to start, and those stay silent.
        }
    }
    return 0;
}

void RunUpdateMode(TApplication& application, int showCommand) {
    application.SetTitle(kApplicationTitle);
    T_VeyraLauncher splash(application.Instance(), [&](SplashOperations& window) {
        StartUpdate(window, application.Handle());
    });
    // Without a window the update was not started, nothing was touched, and nothing could show a
    // failure or end the program later: it ends now.
    if (!splash.Handle())
        ::ExitProcess(0);
    // The splash window owns the taskbar button, so progress shows on it.
    SetTaskbarMainWindow(splash.Handle());
    splash.Show(InitialShowState(showCommand));
    const int exitCode = application.Run();
    // The worker may still be running and using the window: end the process here, before
    // anything it uses is torn down, without waiting for it.
    ::ExitProcess(static_cast<UINT>(exitCode));
}

} // namespace veyra
