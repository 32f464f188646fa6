// The program's entry point, and where delay-loaded DLLs come from.
#include <windows.h>

#include <delayimp.h>

#include <cstdlib>

#include "app/fatal_exit.h"
#include "app/old_windows.h"
#include "framework/proc_address.h"

extern "C" void __main();  // the compiler's runtime: runs the static constructors
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int show);

// The whole start-up of the program. The runtime DLL (msvcrt.dll) initialised itself when it was
// loaded; the program needs nothing of the start-up code the toolchain would add (command-line
// arguments, wildcards, floating-point and relocation fix-ups), which is some 9 KB.
// Before any static constructor runs: on a Windows older than Windows 2000 only the refusal
// runs, with functions that Windows exports.
extern "C" void SetupEntry() {
    if (IsOlderThanWindows2000(GetVersion())) ExitProcess(RefuseOldWindows());
    __main();  // registers the static destructors with atexit, so exit runs them
    // The program reads its command line where it needs it (GetCommandLineW).
    std::exit(wWinMain(GetModuleHandleW(nullptr), nullptr, nullptr, SW_SHOWDEFAULT));
}

// The runtime DLL's list of functions exit runs (the toolchain's start-up code defines this
// otherwise; the library's own would be an import patched at run time, which nothing here does).
extern "C" int atexit(void (*function)()) {
    return _onexit(reinterpret_cast<_onexit_t>(reinterpret_cast<void*>(function))) ? 0 : -1;
}

namespace {

// "name" or "#ordinal" of the function asked for.
const char* FunctionName(const DelayLoadProc& procedure, char* buffer) {
    if (procedure.fImportByName) return procedure.szProcName;
    wsprintfA(buffer, "#%lu", static_cast<unsigned long>(procedure.dwOrdinal));
    return buffer;
}

// A delay-loaded DLL comes from the system folder only, and each of its functions from that
// module; what cannot be had ends the run, saying which. Returning nothing would let the
// toolchain's helper search the ordinary way (the program's folder first, where a DLL of the
// same name could have been planted) and then raise an exception that nothing catches. The
// same function is the failure hook, which the helper then never reaches.
FARPROC WINAPI LoadDelayed(unsigned notification, PDelayLoadInfo info) {
    char ordinal[16];
    switch (notification) {
    case dliNotePreLoadLibrary: {
        wchar_t name[MAX_PATH] = {};
        HMODULE module = MultiByteToWideChar(CP_ACP, 0, info->szDll, -1, name, MAX_PATH) ? fw::LoadSystemLibrary(name) : nullptr;
        if (!module) EndFatally(FatalCause::MissingDll, info->szDll);
        return reinterpret_cast<FARPROC>(module);
    }
    case dliNotePreGetProcAddress: {
        const DelayLoadProc& procedure = info->dlp;
        FARPROC function = GetProcAddress(
            info->hmodCur, procedure.fImportByName ? procedure.szProcName : MAKEINTRESOURCEA(procedure.dwOrdinal));
        if (!function) EndFatally(FatalCause::MissingFunction, info->szDll, FunctionName(procedure, ordinal));
        return function;
    }
    case dliFailLoadLib: EndFatally(FatalCause::MissingDll, info->szDll);
    case dliFailGetProc: EndFatally(FatalCause::MissingFunction, info->szDll, FunctionName(info->dlp, ordinal));
    default: return nullptr;
    }
}

}  // namespace

extern "C" {
PfnDliHook __pfnDliNotifyHook2 = LoadDelayed;
PfnDliHook __pfnDliFailureHook2 = LoadDelayed;
}
