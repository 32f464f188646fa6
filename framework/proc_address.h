#pragma once
// Late binding of what the loader does not give. Functions that every supported Windows exports
// are delay-loaded (setup.exe's delay-load hook takes their DLL from the system folder at the
// first call, or ends the run). The rest comes through here: a function some supported Windows
// lacks, where the caller goes on without it (a delay-loaded one would end the run), and DLLs
// outside Windows' KnownDLLs list (the installer, the accessibility library), which are never
// delay-loaded (cmake/delay_imports.cmake).
#include <windows.h>

namespace fw {

// Loads a DLL from the system folder only, never from the program's folder (a planted copy
// beside setup.exe must not run with administrator rights). The module stays loaded, so a
// second call gives the same module.
HMODULE LoadSystemLibrary(const wchar_t* name);

template <typename Fn>
Fn ProcAddress(HMODULE module, const char* name) {
    if (!module) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// The function of the system folder's DLL, or null where that DLL or function is missing.
template <typename Fn>
Fn SystemFunction(const wchar_t* dll, const char* name) {
    return ProcAddress<Fn>(LoadSystemLibrary(dll), name);
}

}  // namespace fw
