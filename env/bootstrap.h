#pragma once
// Brings the Windows Installer engine up to 2.0 from the medium when the installed one is older.
#include <windows.h>

#include <string>

class CBootstrap {
public:
    CBootstrap();
    virtual ~CBootstrap();

    // Engine version, major in the high half and minor in the low half.
    DWORD GetInstallerVersion();
    // Runs the engine setup of "bin\Msi\2.0" when the engine is older than 2.0, and waits for it.
    void UpdateInstallerEngine();

private:
    int osVersion_;
    DWORD installerVersion_;
};
