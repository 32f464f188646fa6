#pragma once
// The refusal of Windows before Windows 2000 (95, 98, Me, NT 4). It runs from the program's entry
// point before the C runtime's start-up and the static constructors, with nothing but functions
// those systems export: GetVersion, the ANSI forms of KERNEL32 and LoadStringA, MessageBoxA and
// wsprintfA (the wide forms are stubs on Windows 9x).
#include <windows.h>

// Whether GetVersion's answer names a Windows before Windows 2000: the 9x platform (high bit
// set) or an NT major version below 5.
bool IsOlderThanWindows2000(DWORD getVersionResult);

// One line of the setup log ("YYYY-MM-DD hh:mm:ss.mmm +hh:mm [process id] text" and CR LF) for
// ANSI text, in buffer (at least 64 bytes longer than text). Its length in bytes.
int OldWindowsLogLine(const SYSTEMTIME& time, int utcOffsetMinutes, DWORD processId, const char* text, char* buffer);

// Shows message 138 and gives exit code 1; with /quiet, /passive or /uninstall shows nothing, writes the
// message and the exit code to the /log file when one is given, and gives 1150.
UINT RefuseOldWindows();
