#pragma once
// The common controls library, loaded at run time rather than imported: a static import is
// resolved before the program can restrict where DLLs come from, and the library's own
// dependencies would then be looked for beside the program too.
namespace fw {

// Loads the library (from the system, after the DLL search was restricted) and registers the
// common control classes. False when it could not be loaded.
bool InitCommonControlsFromSystem();

}  // namespace fw
