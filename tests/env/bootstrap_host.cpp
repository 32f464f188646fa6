// Stands in for setup.exe in the bootstrap tests: makes the bootstrap as start-up does (from
// this program's own folder and Windows version), runs the engine update and ends with the
// engine version it found as its exit code.
#include <windows.h>

#include "env/bootstrap.h"

int wmain() {
    CBootstrap* bootstrap = new CBootstrap();
    DWORD version = bootstrap->GetInstallerVersion();
    bootstrap->UpdateInstallerEngine();
    delete bootstrap;
    return static_cast<int>(version);
}
