#pragma once
// The refusal of Windows before Windows 2000 (95, 98, Me, NT 4). It runs from the program's entry
// point before the C runtime's start-up and the static constructors, with nothing but functions
// those systems export: GetVersion, the ANSI forms of KERNEL32 and LoadStringA, MessageBoxA and
// wsprintfA (the wide forms are stubs on Windows 9x).
#include <windows.h>

// Whether GetVersion's answer names a Windows before Windows 2000: the 9x platform (high bit
// set) or an NT major version below 5.
bool IsOlderThanWindows2000(DWORD getVersionResult);

// The framework's caption for a box: the program's file name without its extension, cut out of
// its path in place.
char* ProgramCaption(char* path);

// Shows message 138 and gives exit code 1; with /quiet, /passive or /uninstall shows nothing, writes the
// message and the exit code to the /log file when one is given, and gives 1150.
UINT RefuseOldWindows();
