#pragma once
// msi.dll is not one of the system's known DLLs: a copy planted beside setup.exe would be
// loaded by a static import, so it is loaded from the system folder when first needed.
#include <windows.h>

// Null when the system has none. Loaded at the first installer call, which the thread of the
// package operations makes; no other thread calls the installer meanwhile.
HMODULE MsiLibrary();
