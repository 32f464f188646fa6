// The program's entry point, and where delay-loaded DLLs come from.
#include <windows.h>

#include <delayimp.h>

#include <cstdlib>

#include "app/old_windows.h"
#include "system/system_info.h"

extern "C" void __main();  // the compiler's runtime: runs the static constructors
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int show);

namespace {

// What follows the program's name (quoted or not) and the blanks after it.
wchar_t* ArgumentsOf(wchar_t* commandLine) {
    bool quoted = false;
    for (; *commandLine && (quoted || *commandLine > L' '); ++commandLine)
        if (*commandLine == L'"') quoted = !quoted;
    while (*commandLine && *commandLine <= L' ') ++commandLine;
    return commandLine;
}

}  // namespace

// The whole start-up of the program. The runtime DLL (msvcrt.dll) initialised itself when it was
// loaded; the program needs nothing of the start-up code the toolchain would add (command-line
// arguments, wildcards, floating-point and relocation fix-ups), which is some 9 KB.
// Before any static constructor runs: on a Windows older than Windows 2000 only the refusal
// runs, with functions that Windows exports.
extern "C" void SetupEntry() {
    if (IsOlderThanWindows2000(GetVersion())) ExitProcess(RefuseOldWindows());
    __main();  // registers the static destructors with atexit, so exit runs them
    std::exit(wWinMain(GetModuleHandleW(nullptr), nullptr, ArgumentsOf(GetCommandLineW()), SW_SHOWDEFAULT));
}

// The runtime DLL's list of functions exit runs (the toolchain's start-up code defines this
// otherwise; the library's own would be an import patched at run time, which nothing here does).
extern "C" int atexit(void (*function)()) {
    return _onexit(reinterpret_cast<_onexit_t>(reinterpret_cast<void*>(function))) ? 0 : -1;
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
