#pragma once
// Facts about the machine the setup runs on. Each operation only answers; callers decide.
#include <windows.h>

#include <string>

#include "system/system_info.h"


// True when this 32-bit process runs on 64-bit Windows.
bool IsWow64();

// Folder of the running executable with a trailing backslash; empty without any backslash.
std::wstring GetSetupFolder();
std::wstring SetupFolderFromModulePath(const std::wstring& modulePath);
// Drive of the system folder as two upper-case characters ("C:" when unknown).
std::wstring GetSystemDrive();
std::wstring SystemDriveFromDirectory(const std::wstring& directory);


// Major and minor of the file's version resource (major in the high half); 0 when none.
// Read from the file itself; no library is loaded for it.
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
