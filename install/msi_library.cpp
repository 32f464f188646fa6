#include "install/msi_library.h"

#include "env/system_checks.h"

HMODULE MsiLibrary() {
    static HMODULE msi = LoadSystemLibrary(L"msi.dll");
    return msi;
}
