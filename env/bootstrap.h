#pragma once
// Brings the Windows Installer engine up to 2.0 from the medium when the installed one is older.
#include <windows.h>

#include <string>

class CBootstrap {
public:
    CBootstrap();
    // For a given Windows version code and setup folder (ending in a backslash).
    CBootstrap(int osVersion, std::wstring setupFolder);
    ~CBootstrap();

    // Engine version, major in the high half and minor in the low half.
    DWORD GetInstallerVersion();
    // Runs the engine setup of "bin\Msi\2.0" when the engine is older than 2.0, and waits for it;
    // quiet, it shows nothing and asks nothing.
    void UpdateInstallerEngine(bool quiet = false);

private:
    int osVersion_;
    std::wstring setupFolder_;
    DWORD installerVersion_;
};

// The engine version assumed when the installed engine's version cannot be read.
DWORD DefaultInstallerVersion(int osVersion);
// The installed engine program for an "InstallerLocation" value, appended as it is.
std::wstring InstallerEnginePath(const std::wstring& installerLocation);
// Engines before 2.0 are updated; the minor number plays no part.
bool NeedsEngineUpdate(DWORD installerVersion);
// The engine setup of the medium for the Windows version, quoted, with its switches; quiet adds
// the switches that show nothing and delay the restart without asking; empty when the folder is
// refused (see QuotedArgument).
std::wstring EngineSetupCommandLine(const std::wstring& setupFolder, int osVersion, bool quiet = false);
