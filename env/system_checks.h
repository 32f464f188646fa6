#pragma once
// The checks of the start: another installer setup, administrator rights, internal network
// users, and the test-mode switch. Each operation only answers; callers decide.
#include <windows.h>

#include <string>

#include "system/system_info.h"


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
