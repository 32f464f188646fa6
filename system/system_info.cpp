#include "system/system_info.h"

#include <cwctype>

#include "framework/path.h"
#include "framework/proc_address.h"
#include "framework/strings.h"

int ClassifyWindowsVersion(DWORD platformId, DWORD major, DWORD minor, WORD servicePackMajor) {
    if (platformId == VER_PLATFORM_WIN32_WINDOWS) {
        if (minor == 10) return Win98;
        if (minor == 90) return WinMe;
        return Win95;
    }
    if (platformId != VER_PLATFORM_WIN32_NT) return WinUnknown;
    if (major == 4) return WinNT4;
    if (major == 5 && minor == 0) return Win2000;
    if (major == 5 && minor == 1) {
        if (servicePackMajor == 1) return WinXPSP1;
        if (servicePackMajor == 2) return WinXPSP2;
        if (servicePackMajor == 3) return WinXPSP3;
        return WinXP;
    }
    if (major == 5 && minor == 2) return WinServer2003;
    if (major == 6 && minor == 0) {
        if (servicePackMajor == 1) return WinVistaSP1;
        if (servicePackMajor == 2) return WinVistaSP2;
        return WinVista;
    }
    if (major == 6 && minor == 1) return servicePackMajor == 1 ? Win7SP1 : Win7;
    return WinVista;
}

int GetWindowsVersion() {
    OSVERSIONINFOW basic{};
    basic.dwOSVersionInfoSize = sizeof(basic);  // 276
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExW(&basic);
    if (basic.dwPlatformId != VER_PLATFORM_WIN32_NT)
        return ClassifyWindowsVersion(basic.dwPlatformId, basic.dwMajorVersion, basic.dwMinorVersion, 0);
    OSVERSIONINFOEXW extended{};
    extended.dwOSVersionInfoSize = sizeof(extended);  // 284
    GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&extended));
#pragma GCC diagnostic pop
    // The first answer's platform decides; NT systems that refuse the extended structure
    // leave it zeroed, which classifies as an unlisted NT version.
    return ClassifyWindowsVersion(basic.dwPlatformId, extended.dwMajorVersion, extended.dwMinorVersion,
                                  extended.wServicePackMajor);
}

std::wstring SystemFolderFromDirectory(const std::wstring& directory) {
    return directory.size() > 3 ? directory : std::wstring(L"c:\\windows\\system32");
}

std::wstring GetSystemFolder() {
    wchar_t buffer[MAX_PATH] = {};
    UINT length = GetSystemDirectoryW(buffer, MAX_PATH);
    return SystemFolderFromDirectory(length < MAX_PATH ? std::wstring(buffer, length) : std::wstring());
}

namespace {

using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);

}  // namespace

bool IsWow64() {
    // Windows before XP SP2 lacks the function: no WOW64 there.
    auto isWow64Process = fw::SystemFunction<IsWow64ProcessFn>(L"kernel32.dll", "IsWow64Process");
    BOOL flag = FALSE;
    if (isWow64Process && !isWow64Process(GetCurrentProcess(), &flag)) flag = FALSE;
    return flag == TRUE;
}

std::wstring SetupFolderFromModulePath(const std::wstring& modulePath) {
    const std::wstring folder = fw::FolderOfPath(modulePath);
    const size_t start = folder.find_first_not_of(L'"');
    return start == std::wstring::npos ? std::wstring() : folder.substr(start);
}

std::wstring GetSetupFolder() { return SetupFolderFromModulePath(fw::ModulePath()); }

std::wstring SystemDriveFromDirectory(const std::wstring& directory) {
    if (directory.size() <= 2) return L"C:";
    std::wstring drive = directory.substr(0, 2);
    for (wchar_t& c : drive) c = static_cast<wchar_t>(std::towupper(c));
    return drive;
}

std::wstring GetSystemDrive() {
    std::wstring buffer(32767, L'\0');
    UINT length = GetSystemDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
    buffer.resize(length < buffer.size() ? length : 0);
    return SystemDriveFromDirectory(buffer);
}

void RestrictDllSearchToSystemFolder() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    auto setDefault = fw::SystemFunction<SetDefaultDllDirectoriesFn>(L"kernel32.dll", "SetDefaultDllDirectories");
    if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Where that is missing, at least the current folder leaves the search order (Windows XP
    // SP1 and later; Windows 2000 has neither).
    using SetDllDirectoryFn = BOOL(WINAPI*)(LPCWSTR);
    auto setDirectory = fw::SystemFunction<SetDllDirectoryFn>(L"kernel32.dll", "SetDllDirectoryW");
    if (setDirectory) setDirectory(L"");
}
