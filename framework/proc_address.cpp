#include "framework/proc_address.h"

namespace fw {

HMODULE LoadSystemLibrary(const wchar_t* name) {
    // The search flag needs Windows 8 or the KB2533623 update; older systems refuse it with
    // ERROR_INVALID_PARAMETER, and then the full path does the same job.
    if (HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return module;
    wchar_t path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (!length || length + 1 + lstrlenW(name) >= MAX_PATH) return nullptr;
    path[length] = L'\\';
    lstrcpyW(path + length + 1, name);
    return LoadLibraryExW(path, nullptr, 0);
}

}  // namespace fw
