#include "env/system_checks.h"

#include <cwctype>

#include "env/version_loader.h"
#include "framework/file.h"
#include "framework/proc_address.h"
#include "framework/strings.h"

namespace {

using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);

// Looked up once, before start-up runs; may be null on Windows without the function.
const IsWow64ProcessFn g_isWow64Process =
    fw::ProcAddress<IsWow64ProcessFn>(GetModuleHandleW(L"kernel32"), "IsWow64Process");

}  // namespace

bool IsWow64() {
    BOOL flag = FALSE;
    if (g_isWow64Process && !g_isWow64Process(GetCurrentProcess(), &flag)) flag = FALSE;
    return flag == TRUE;
}

std::wstring SetupFolderFromModulePath(const std::wstring& modulePath) {
    size_t slash = modulePath.find_last_of(L'\\');
    if (slash == std::wstring::npos) return {};
    std::wstring folder = modulePath.substr(0, slash + 1);
    size_t start = folder.find_first_not_of(L'"');
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

DWORD GetFileVersionMS(std::wstring path) {
    if (!fw::FileExists(path)) return 0;
    DWORD version = 0;
    return ReadFileVersionMS(path, &version) ? version : 0;
}
