#include <windows.h>

#include "app/setup_app.h"
#include "app/unattended_setup.h"
#include "framework/strings.h"
#include "install/setup_result.h"
#include "system/setup_log.h"

// The one application object, constructed before the entry point runs.
CSetupApp theApp;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    RestrictDllSearchToSystemFolder();
    int exitCode = fw::RunApplication();
    // The exit code says what happened: written after the restart was tried.
    if (RestartAtExit()) {
        const bool restarted = RestartWindows();
        if (!restarted) LogEvent(fw::Format(L"Restart refused: error %lu; Windows must still be restarted", GetLastError()));
        exitCode = static_cast<int>(ExitCodeAfterRestart(static_cast<DWORD>(exitCode), restarted));
    }
    LogEvent(fw::Format(L"Exit code %d", exitCode));
    return exitCode;
}
