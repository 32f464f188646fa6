#pragma once
// Facts about the machine the setup runs on. Each operation only answers; callers decide.
#include <windows.h>

#include <string>

// Callers compare these codes numerically (below 5, below 11): the numbering must not change.
enum WindowsVersion {
    WinUnknown = 0,
    Win95 = 1,
    Win98 = 2,
    WinMe = 3,
    WinNT4 = 4,
    Win2000 = 5,
    WinXP = 6,
    WinXPSP1 = 7,
    WinXPSP2 = 8,
    WinXPSP3 = 9,
    WinServer2003 = 10,
    WinVista = 11,
    WinVistaSP1 = 12,
    WinVistaSP2 = 13,
    Win7 = 14,
    Win7SP1 = 15,
};

// The version code for what GetVersionEx reports. On the 9x platform only the minor counts.
int ClassifyWindowsVersion(DWORD platformId, DWORD major, DWORD minor, WORD servicePackMajor);
int GetWindowsVersion();

// True when this 32-bit process runs on 64-bit Windows.
bool IsWow64();

// Folder of the running executable with a trailing backslash; empty without any backslash.
std::wstring GetSetupFolder();
std::wstring SetupFolderFromModulePath(const std::wstring& modulePath);
// Windows system folder without a trailing backslash ("c:\windows\system32" when unknown).
std::wstring GetSystemFolder();
std::wstring SystemFolderFromDirectory(const std::wstring& directory);
// Drive of the system folder as two upper-case characters ("C:" when unknown).
std::wstring GetSystemDrive();
std::wstring SystemDriveFromDirectory(const std::wstring& directory);

// Loads a DLL from the system folder only, never from the program's folder (a planted copy
// beside setup.exe must not run with administrator rights). The module stays loaded.
HMODULE LoadSystemLibrary(const wchar_t* name);

// Major and minor of the file's version resource (major in the high half); 0 when none.
// version.dll is loaded from the system folder at first use.
DWORD GetFileVersionMS(std::wstring path);

// Name of the mutex that Windows Installer setups hold, for a version code.
std::wstring InstallerSetupMutex(int windowsVersion);
// True when another Windows Installer setup holds its mutex, or Windows Installer is busy. The
// handle stays open, so later setups see this one.
bool IsAnotherInstallationRunning();
// Windows Installer is installing something (its execution mutex is held): Windows Update or
// another tool.
bool IsWindowsInstallerBusy();
// True when the user (the thread's token if it impersonates, else the process's) passes an
// access check granted only to the Administrators group. Always true below WinNT4.
bool IsLocalAdministrator();
bool IsLocalAdministrator(int windowsVersion);
bool IsInternalNetworkUser();
// True when an "InstallDir" value names a folder on one of the maker's internal file servers.
bool IsInternalInstallDir(const std::wstring& installDir);
bool IsTestMode();
