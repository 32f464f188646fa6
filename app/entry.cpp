// The program's entry point, and where delay-loaded DLLs come from.
#include <windows.h>

#include <delayimp.h>

#include "app/old_windows.h"
#include "system/system_info.h"

extern "C" int WinMainCRTStartup();

// Before the C runtime starts and before any static constructor runs: on a Windows older than
// Windows 2000 only the refusal runs, with functions that Windows exports; everywhere else the
// C runtime's own entry point takes over.
extern "C" void SetupEntry() {
    if (IsOlderThanWindows2000(GetVersion())) ExitProcess(RefuseOldWindows());
    ExitProcess(WinMainCRTStartup());
}

namespace {

// A delay-loaded DLL is loaded from the system folder, never from the program's folder where a
// DLL of the same name could have been planted.
FARPROC WINAPI LoadDelayedLibrary(unsigned notification, PDelayLoadInfo info) {
    if (notification != dliNotePreLoadLibrary) return nullptr;
    wchar_t name[MAX_PATH] = {};
    if (!MultiByteToWideChar(CP_ACP, 0, info->szDll, -1, name, MAX_PATH)) return nullptr;
    return reinterpret_cast<FARPROC>(LoadSystemLibrary(name));
}

}  // namespace

extern "C" {
PfnDliHook __pfnDliNotifyHook2 = LoadDelayedLibrary;
}
