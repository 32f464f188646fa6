#include "system/session_info.h"

#include <sddl.h>
#include <tlhelp32.h>

#include <vector>

#include "framework/handle.h"
#include "framework/proc_address.h"
#include "framework/strings.h"
#include "system/system_info.h"

namespace {

std::wstring AccountOfSid(PSID sid) {
    wchar_t name[256] = {};
    wchar_t domain[256] = {};
    DWORD nameLength = 256;
    DWORD domainLength = 256;
    SID_NAME_USE use;
    if (LookupAccountSidW(nullptr, sid, name, &nameLength, domain, &domainLength, &use))
        return domain[0] ? std::wstring(domain) + L"\\" + name : std::wstring(name);
    LPWSTR text = nullptr;
    if (!ConvertSidToStringSidW(sid, &text)) return {};
    std::wstring result = text;
    LocalFree(text);
    return result;
}

}  // namespace

std::wstring ProcessAccount(HANDLE process) {
    fw::UniqueHandle token;
    if (!OpenProcessToken(process, TOKEN_QUERY, token.put())) return {};
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size == 0) return {};
    std::vector<BYTE> buffer(size);
    if (!GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return {};
    return AccountOfSid(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
}

std::wstring ProcessImagePath(DWORD processId) {
    // Vista and later read it with a limited right, from any bitness; before, the module list
    // of the process gives it.
    using QueryImageNameFn = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);
    auto query = fw::SystemFunction<QueryImageNameFn>(L"kernel32.dll", "QueryFullProcessImageNameW");
    if (query) {
        constexpr DWORD kQueryLimitedInformation = 0x1000;
        fw::UniqueHandle process(OpenProcess(kQueryLimitedInformation, FALSE, processId));
        wchar_t path[MAX_PATH * 2] = {};
        DWORD length = MAX_PATH * 2;
        if (process && query(process.get(), 0, path, &length)) return std::wstring(path, length);
    }
    fw::UniqueFileHandle modules(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId));
    if (!modules) return {};
    MODULEENTRY32W module{};
    module.dwSize = sizeof(module);
    return Module32FirstW(modules.get(), &module) ? std::wstring(module.szExePath) : std::wstring();
}

DWORD ProcessSession(DWORD processId, DWORD ownSession) {
    DWORD session = ownSession;
    return ProcessIdToSessionId(processId, &session) ? session : ownSession;
}

std::wstring WindowStationName() {
    wchar_t name[128] = {};
    HWINSTA station = GetProcessWindowStation();
    if (!station || !GetUserObjectInformationW(station, UOI_NAME, name, sizeof(name) - sizeof(wchar_t), nullptr))
        return {};
    return name;
}

bool SeenBySomeone(bool visibleStation, DWORD session, bool vistaOrLater) {
    return visibleStation && !(vistaOrLater && session == 0);
}

std::wstring RunnerDescription() {
    const DWORD session = ProcessSession(GetCurrentProcessId(), 0);
    return fw::Format("Account: %s, session %lu, window station %s", ProcessAccount(GetCurrentProcess()).c_str(),
                      session, WindowStationName().c_str());
}

bool IsWindowStationVisible() {
    USEROBJECTFLAGS flags{};
    HWINSTA station = GetProcessWindowStation();
    const bool visible = !station || !GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof(flags), nullptr) ||
                         (flags.dwFlags & WSF_VISIBLE) != 0;
    return SeenBySomeone(visible, ProcessSession(GetCurrentProcessId(), 1), GetWindowsVersion() >= WinVista);
}
