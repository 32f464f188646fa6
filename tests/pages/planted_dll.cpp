// Planted beside setup.exe under the names of system DLLs: if the loader ever maps it, it
// leaves C:\planted-<its file name>.txt behind.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(instance, path, MAX_PATH);
        const wchar_t* name = wcsrchr(path, L'\\');
        wchar_t marker[MAX_PATH + 32];
        wsprintfW(marker, L"C:\\planted-%s.txt", name ? name + 1 : path);
        HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
    return TRUE;
}
