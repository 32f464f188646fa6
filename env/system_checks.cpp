#include "env/system_checks.h"

#include <cwctype>

#include "framework/handle.h"
#include "system/registry.h"

namespace {

constexpr wchar_t kSetupMutexName[] = L"_MSISETUP_{2956EBA1-9B5A-4679-8618-357136DA66CA}";

// The maker's own file servers; the network edition runs from shares on them.
constexpr const wchar_t* kInternalServerPrefixes[] = {L"\\\\kvfs01", L"\\\\kvmaps"};

constexpr wchar_t kNetworkEditionKey[] = L"SOFTWARE\\Korvel\\Cartoline (Network)";
constexpr wchar_t kProductsKey[] = L"Software\\Korvel\\Cartoline\\Products";
constexpr wchar_t kTestModeKey[] = L"SOFTWARE\\Korvel\\TestModeKey";

bool KeyExists(const wchar_t* path) {
    RegistryKey key;
    bool opened = key.Open(HKEY_LOCAL_MACHINE, path, KEY_READ) == ERROR_SUCCESS;
    key.Close();
    return opened;
}

}  // namespace

std::wstring InstallerSetupMutex(int windowsVersion) {
    // Terminal services and the Global namespace exist from Windows 2000 on.
    if (windowsVersion < Win2000) return kSetupMutexName;
    return std::wstring(L"Global\\") + kSetupMutexName;
}

bool IsAnotherInstallationRunning() {
    // Never closed: a setup started later must see this one until the process ends.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, InstallerSetupMutex(GetWindowsVersion()).c_str());
    return mutex == nullptr || GetLastError() == ERROR_ALREADY_EXISTS || IsWindowsInstallerBusy();
}

bool IsWindowsInstallerBusy() {
    // The installer holds its execution mutex while it installs anything. Taking it for a moment
    // tells whether it is held; it is given back at once, so nothing waits for this setup.
    const wchar_t* name = GetWindowsVersion() >= Win2000 ? L"Global\\_MSIExecute" : L"_MSIExecute";
    fw::UniqueHandle mutex(OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name));
    if (!mutex) return GetLastError() == ERROR_ACCESS_DENIED;
    const DWORD taken = WaitForSingleObject(mutex.get(), 0);
    if (taken == WAIT_OBJECT_0 || taken == WAIT_ABANDONED) {
        ReleaseMutex(mutex.get());
        return false;
    }
    return true;
}


bool IsLocalAdministrator() { return IsLocalAdministrator(GetWindowsVersion()); }

bool IsLocalAdministrator(int windowsVersion) {
    // Windows 9x has no tokens: everyone may install.
    if (windowsVersion < WinNT4) return true;

    constexpr DWORD kTokenAccess = TOKEN_DUPLICATE | TOKEN_QUERY;
    fw::UniqueHandle token;
    if (!OpenThreadToken(GetCurrentThread(), kTokenAccess, TRUE, token.put())) {
        if (GetLastError() != ERROR_NO_TOKEN) return false;
        if (!OpenProcessToken(GetCurrentProcess(), kTokenAccess, token.put())) return false;
    }
    fw::UniqueHandle impersonation;
    if (!DuplicateToken(token.get(), SecurityImpersonation, impersonation.put())) return false;

    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    fw::UniqueSid administrators;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                  0, 0, administrators.put()))
        return false;

    // A descriptor that grants read and write to Administrators only; the token passes an
    // access check against it exactly when the group is enabled in it (not deny-only).
    fw::UniqueLocalMemory descriptorMemory(LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH));
    auto descriptor = static_cast<PSECURITY_DESCRIPTOR>(descriptorMemory.get());
    if (!descriptor || !InitializeSecurityDescriptor(descriptor, SECURITY_DESCRIPTOR_REVISION)) return false;

    // ACL header + ACE header and mask + the SID in place of the ACE's SidStart.
    const DWORD aclLength = GetLengthSid(administrators.get()) + 16;
    fw::UniqueLocalMemory aclMemory(LocalAlloc(LPTR, aclLength));
    auto acl = static_cast<PACL>(aclMemory.get());
    if (!acl || !InitializeAcl(acl, aclLength, ACL_REVISION2)) return false;
    constexpr DWORD kRead = 1;
    constexpr DWORD kWrite = 2;
    if (!AddAccessAllowedAce(acl, ACL_REVISION2, kRead | kWrite, administrators.get())) return false;
    if (!SetSecurityDescriptorDacl(descriptor, TRUE, acl, FALSE)) return false;
    SetSecurityDescriptorGroup(descriptor, administrators.get(), FALSE);
    SetSecurityDescriptorOwner(descriptor, administrators.get(), FALSE);
    if (!IsValidSecurityDescriptor(descriptor)) return false;

    GENERIC_MAPPING mapping = {kRead, kWrite, 0, kRead | kWrite};
    BYTE privilegeBuffer[sizeof(PRIVILEGE_SET)] = {};  // 20 bytes
    DWORD privilegeLength = sizeof(privilegeBuffer);
    DWORD granted = 0;
    BOOL status = FALSE;
    if (!AccessCheck(descriptor, impersonation.get(), kRead, &mapping,
                     reinterpret_cast<PPRIVILEGE_SET>(privilegeBuffer), &privilegeLength, &granted, &status))
        status = FALSE;
    return status == TRUE;
}

bool IsInternalInstallDir(const std::wstring& installDir) {
    std::wstring lowered = installDir;
    for (wchar_t& c : lowered) c = static_cast<wchar_t>(std::towlower(c));
    for (const wchar_t* prefix : kInternalServerPrefixes) {
        if (lowered.starts_with(prefix)) return true;
    }
    return false;
}

bool IsInternalNetworkUser() {
    if (KeyExists(kNetworkEditionKey)) return true;
    std::wstring installDir;
    ReadRegistryString(HKEY_LOCAL_MACHINE, kProductsKey, L"InstallDir", &installDir);
    return IsInternalInstallDir(installDir);
}

bool IsTestMode() { return KeyExists(kTestModeKey); }
