#pragma once
// msi.dll is not one of the system's known DLLs: a copy planted beside setup.exe would be
// loaded by a static import, so it is loaded from the system folder when first needed.
#include <windows.h>

// Null when the system has none. The first call is made on the GUI thread, before any other
// thread could make it.
HMODULE MsiLibrary();
