#include <windows.h>

#include "app/setup_app.h"
#include "system/system_info.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    RestrictDllSearchToSystemFolder();
    // Both end here, before the process: the windows watching the run's installation, then the run.
    SetupRun run;
    CSetupApp app(run);
    fw::RunApplication();
    return run.Exit();
}
