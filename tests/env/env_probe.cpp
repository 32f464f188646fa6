// Helper of the system checks tests: runs one check in a process of its own and reports the
// answer as its exit code.
//   env_probe hold <mutex> <ready event>   holds a mutex until killed
//   env_probe check                        1 when another installation runs, else 0
//   env_probe check-stay <ready event>     exits 1 when another installation runs; else signals
//                                          and stays, keeping its installer mutex open
//   env_probe admin                        1 for a local administrator, else 0
//   env_probe fileversion <path>           the file's GetFileVersionMS
//   env_probe plain-library <dll> <export>   1 when LoadLibraryW's module has the export
//   env_probe system-library <dll> <export>  1 when LoadSystemLibrary's module has the export
#include <windows.h>

#include <string>

#include "env/system_checks.h"
#include "env/version_loader.h"
#include "framework/proc_address.h"

namespace {

int SignalAndStay(const wchar_t* eventName) {
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, eventName);
    if (!ready) return 3;
    SetEvent(ready);
    CloseHandle(ready);
    Sleep(INFINITE);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    std::wstring mode = argv[1];
    if (mode == L"hold" && argc == 4) {
        if (!CreateMutexW(nullptr, FALSE, argv[2])) return 4;
        return SignalAndStay(argv[3]);
    }
    if (mode == L"check") return IsAnotherInstallationRunning() ? 1 : 0;
    if (mode == L"check-stay" && argc == 3) {
        if (IsAnotherInstallationRunning()) return 1;
        return SignalAndStay(argv[2]);
    }
    if (mode == L"admin") return IsLocalAdministrator() ? 1 : 0;
    if (mode == L"fileversion" && argc == 3) return static_cast<int>(GetFileVersionMS(argv[2]));
    if ((mode == L"plain-library" || mode == L"system-library") && argc == 4) {
        HMODULE module = mode == L"plain-library" ? LoadLibraryW(argv[2]) : fw::LoadSystemLibrary(argv[2]);
        std::wstring wide = argv[3];
        return module && GetProcAddress(module, std::string(wide.begin(), wide.end()).c_str()) ? 1 : 0;
    }
    return 2;
}
