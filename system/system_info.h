#pragma once
// What the system is, for every room of the setup: the Windows version and its bitness, the
// setup's and the system's folders, and DLLs loaded from the system folder only.
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
// Drive of the system folder as two upper-case characters ("C:" when unknown).
std::wstring GetSystemDrive();
std::wstring SystemDriveFromDirectory(const std::wstring& directory);

// Windows system folder without a trailing backslash ("c:\windows\system32" when unknown).
std::wstring GetSystemFolder();
std::wstring SystemFolderFromDirectory(const std::wstring& directory);

// Makes the loader look for DLLs loaded later in the system folder only, where the system
// supports it, so a DLL planted on the medium beside setup.exe is never loaded.
void RestrictDllSearchToSystemFolder();

