#include <windows.h>

#include "app/setup_app.h"
#include "app/unattended_setup.h"
#include "framework/strings.h"
#include "system/setup_log.h"

// The one application object, constructed before the entry point runs.
CSetupApp theApp;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    RestrictDllSearchToSystemFolder();
    const int exitCode = fw::RunApplication();
    LogEvent(fw::Format(L"Exit code %d", exitCode));
    if (RestartAtExit() && !RestartWindows()) LogEvent(fw::Format(L"Restart refused: error %lu", GetLastError()));
    return exitCode;
}
