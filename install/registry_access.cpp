#include "install/registry_access.h"

#include <memory>

#include "framework/handle.h"
#include "framework/strings.h"
#include "system/security.h"

namespace {

constexpr DWORD kAccountUnits = 260;
constexpr DWORD kSubKeyNameUnits = 512;

bool IsPredefinedRoot(HKEY root) {
    return root == HKEY_CLASSES_ROOT || root == HKEY_CURRENT_USER || root == HKEY_LOCAL_MACHINE ||
           root == HKEY_USERS || root == HKEY_CURRENT_CONFIG;
}


void SetKeyDacl(HKEY root, const std::wstring& path, PSECURITY_DESCRIPTOR descriptor) {
    HKEY key = nullptr;
    // A symbolic link an ordinary user put into the tree is secured itself, never its target.
    if (RegOpenKeyExW(root, path.c_str(), REG_OPTION_OPEN_LINK, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    fw::UniqueRegKey owned(key);
    RegSetKeySecurity(owned.get(), DACL_SECURITY_INFORMATION, descriptor);
}

struct HeapFreeTraits {
    using Type = void*;
    static Type Invalid() { return nullptr; }
    static void Close(Type memory) { HeapFree(GetProcessHeap(), 0, memory); }
};

}  // namespace

void PrepareRegistryAccess() {
    wchar_t name[kAccountUnits] = {};
    wchar_t domain[kAccountUnits] = {};
    std::wstring account;
    const bool known = GetCurrentAccountName(name, kAccountUnits, domain, kAccountUnits);
    if (known) account = std::wstring(domain) + L"\\" + name;
    SecureRegistryTree(HKEY_CURRENT_USER, L"Software\\Korvel", true, known ? account.c_str() : nullptr);
    SecureRegistryTree(HKEY_LOCAL_MACHINE, L"Software\\Korvel", true, nullptr);
}

bool GetCurrentAccountName(wchar_t* name, DWORD nameUnits, wchar_t* domain, DWORD domainUnits) {
    fw::UniqueHandle token;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, token.put())) {
        if (GetLastError() != ERROR_NO_TOKEN) return false;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
    }
    DWORD bytes = 0;
    if (GetTokenInformation(token.get(), TokenUser, nullptr, 0, &bytes) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return false;
    fw::Unique<HeapFreeTraits> buffer(HeapAlloc(GetProcessHeap(), 0, bytes));
    if (!buffer) return false;
    if (!GetTokenInformation(token.get(), TokenUser, buffer.get(), bytes, &bytes)) return false;
    const auto* user = static_cast<const TOKEN_USER*>(buffer.get());
    SID_NAME_USE use;
    return LookupAccountSidW(nullptr, user->User.Sid, name, &nameUnits, domain, &domainUnits, &use) != FALSE;
}

bool SecureRegistryTree(HKEY root, const std::wstring& path, bool recursive, const wchar_t* account) {
    CSid administrators(SidAdministrators);
    CSid everyone(SidEveryone);
    EXPLICIT_ACCESSW entries[] = {
        SidAccessEntry(administrators.GetSid(), KEY_ALL_ACCESS),
        account ? NameAccessEntry(account, KEY_ALL_ACCESS) : SidAccessEntry(everyone.GetSid(), KEY_ALL_ACCESS),
    };
    CAcl acl;
    if (acl.SetEntries(2, entries) != ERROR_SUCCESS) return false;
    CSecurityDescriptor descriptor;
    if (!descriptor.SetDacl(TRUE, acl.GetAcl(), FALSE)) return false;

    SetKeyDacl(root, path, descriptor.GetDescriptor());
    if (recursive) {
        std::vector<std::wstring> subKeys;
        if (ListSubKeys(root, path, true, &subKeys)) {
            for (const std::wstring& subKey : subKeys) {
                OutputDebugStringA(fw::ToAnsi(subKey).c_str());
                OutputDebugStringW(L"\n");
                SetKeyDacl(root, subKey, descriptor.GetDescriptor());
            }
        }
    }
    return true;
}

bool ListSubKeys(HKEY root, const std::wstring& path, bool recursive, std::vector<std::wstring>* list) {
    if (!IsPredefinedRoot(root)) return false;
    HKEY opened = nullptr;
    // A link's own key has no sub-keys: nothing below it is reached through it.
    if (RegOpenKeyExW(root, path.c_str(), REG_OPTION_OPEN_LINK, KEY_READ, &opened) != ERROR_SUCCESS) return true;
    fw::UniqueRegKey key(opened);
    wchar_t name[kSubKeyNameUnits];
    for (DWORD index = 0; RegEnumKeyW(key.get(), index, name, kSubKeyNameUnits) == ERROR_SUCCESS; ++index) {
        std::wstring full = path + L"\\" + name;
        // A truncated path would name another key, or none.
        if (full.size() > kMaxSubKeyPathUnits) continue;
        list->push_back(full);
        if (recursive) ListSubKeys(root, full, true, list);
    }
    return true;
}
