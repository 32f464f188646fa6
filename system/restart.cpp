#include "system/restart.h"

#include "framework/handle.h"
#include "framework/proc_address.h"

bool RestartWindows() {
    // Without the shutdown privilege Windows refuses the restart: a token that lacks it (an
    // account or a policy without the right) is told as such, before any call is made.
    fw::UniqueHandle token;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put()) ||
        !LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid) ||
        !AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr) ||
        GetLastError() == ERROR_NOT_ALL_ASSIGNED) {
        SetLastError(ERROR_PRIVILEGE_NOT_HELD);
        return false;
    }
    constexpr DWORD kReason = SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_MINOR_INSTALLATION | SHTDN_REASON_FLAG_PLANNED;
    // From a service's session, where a deployment tool runs the setup, only this call restarts
    // Windows (XP and later); Windows 2000 has the call without a reason.
    using InitiateShutdownExFn = BOOL(WINAPI*)(LPWSTR, LPWSTR, DWORD, BOOL, BOOL, DWORD);
    auto initiate = fw::SystemFunction<InitiateShutdownExFn>(L"advapi32.dll", "InitiateSystemShutdownExW");
    if (initiate && initiate(nullptr, nullptr, 0, FALSE, TRUE, kReason)) return true;
    return ExitWindowsEx(EWX_REBOOT, kReason) != FALSE;
}
