// Long-lived process of a test prefix: it brings up the desktop and the service manager,
// tells the rig it is ready by creating the file named on its command line, and then waits
// until the prefix's server is stopped. Wine's background processes start from it, with no
// pipe of the test run open.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    GetDesktopWindow();
    HWND probe = CreateWindowExW(0, L"STATIC", L"rig keep-alive", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    if (probe) DestroyWindow(probe);
    if (SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT)) CloseServiceHandle(manager);
    if (argc > 1) {
        HANDLE ready = CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (ready != INVALID_HANDLE_VALUE) CloseHandle(ready);
    }
    Sleep(INFINITE);
    return 0;
}
