#include <windows.h>

#include "app/setup_app.h"
#include "system/system_info.h"

// The one application object, constructed before wWinMain runs.
CSetupApp theApp;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    RestrictDllSearchToSystemFolder();
    return theApp.run().Exit(fw::RunApplication());
}
