#include "install/msi_library.h"

#include "system/system_info.h"

HMODULE MsiLibrary() {
    static HMODULE msi = LoadSystemLibrary(L"msi.dll");
    return msi;
}
