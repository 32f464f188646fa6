#include "framework/common_controls.h"

#include <windows.h>

#include "framework/proc_address.h"

namespace fw {

bool InitCommonControlsFromSystem() {
    // With the manifest's dependency the loader gives version 6 from the side-by-side store.
    HMODULE library = LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!library && GetLastError() == ERROR_INVALID_PARAMETER) {
        // Systems without the search flags: the full system path.
        wchar_t path[MAX_PATH] = {};
        UINT length = GetSystemDirectoryW(path, MAX_PATH);
        if (length && length < MAX_PATH - 14) {
            lstrcatW(path, L"\\comctl32.dll");
            library = LoadLibraryW(path);
        }
    }
    using InitFn = void(WINAPI*)();
    auto init = ProcAddress<InitFn>(library, "InitCommonControls");
    if (!init) return false;
    init();
    return true;
}

}  // namespace fw
