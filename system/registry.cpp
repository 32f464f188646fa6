#include "system/registry.h"

#include "system/security.h"

namespace {
constexpr REGSAM kReadWrite = KEY_READ | KEY_WRITE;  // 0x2001F
constexpr DWORD kValueBufferBytes = 300;
}  // namespace

LONG RegistryKey::Open(HKEY root, const std::wstring& path, REGSAM access) {
    HKEY key = nullptr;
    LONG result = RegOpenKeyExW(root, path.c_str(), 0, access, &key);
    if (result == ERROR_SUCCESS) key_.reset(key);
    return result;
}

LONG RegistryKey::Create(HKEY root, const std::wstring& path, REGSAM access, SECURITY_ATTRIBUTES* security,
                         DWORD* disposition) {
    HKEY key = nullptr;
    LONG result = RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, security, &key,
                                  disposition);
    if (result == ERROR_SUCCESS) key_.reset(key);
    return result;
}

LONG RegistryKey::Close() {
    if (!key_) return ERROR_SUCCESS;
    LONG result = RegCloseKey(key_.release());
    return result;
}

LONG RegistryKey::Flush() { return RegFlushKey(key_.get()); }

LONG RegistryKey::QueryValue(const std::wstring& name, DWORD* type, BYTE* data, DWORD* bytes) const {
    return RegQueryValueExW(key_.get(), name.c_str(), nullptr, type, data, bytes);
}

LONG RegistryKey::SetStringValue(const std::wstring& name, const wchar_t* text, DWORD type) {
    if (text == nullptr) return ERROR_INVALID_DATA;
    const DWORD bytes = static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t));
    return RegSetValueExW(key_.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(text), bytes);
}

bool ReadRegistryString(HKEY root, const std::wstring& path, const std::wstring& name, std::wstring* value) {
    value->clear();
    RegistryKey key;
    if (key.Open(root, path, kReadWrite) != ERROR_SUCCESS) return false;
    key.Flush();
    wchar_t buffer[kValueBufferBytes / sizeof(wchar_t)] = {};
    DWORD bytes = kValueBufferBytes;
    if (key.QueryValue(name, nullptr, reinterpret_cast<BYTE*>(buffer), &bytes) != ERROR_SUCCESS) return false;
    buffer[kValueBufferBytes / sizeof(wchar_t) - 1] = L'\0';
    *value = buffer;
    return true;
}

bool WriteRegistryString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& value) {
    RegistryKey key;
    if (key.Open(root, path, kReadWrite) != ERROR_SUCCESS) return false;
    if (key.Flush() != ERROR_SUCCESS) return false;
    return key.SetStringValue(name, value.c_str()) == ERROR_SUCCESS;
}

bool CreateSecuredRegistryKey(HKEY root, const std::wstring& path) {
    CSid everyone(SidEveryone);
    CSid administrators(SidAdministrators);
    EXPLICIT_ACCESSW entries[] = {
        SidAccessEntry(everyone.GetSid(), KEY_READ),
        SidAccessEntry(administrators.GetSid(), KEY_ALL_ACCESS),
    };
    CAcl acl;
    if (acl.SetEntries(2, entries) != ERROR_SUCCESS) return false;
    CSecurityDescriptor descriptor;
    if (!descriptor.SetDacl(TRUE, acl.GetAcl(), FALSE)) return false;

    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.GetDescriptor(), FALSE};
    RegistryKey key;
    DWORD disposition = 0;
    if (key.Create(root, path, kReadWrite, &attributes, &disposition) != ERROR_SUCCESS) return false;
    key.Flush();
    if (disposition == REG_CREATED_NEW_KEY) {
        // Some registry implementations ignore the attributes given at creation. Setting the same
        // list again changes nothing where they were applied. The create handle lacks WRITE_DAC.
        RegistryKey dacl;
        if (dacl.Open(root, path, WRITE_DAC) == ERROR_SUCCESS)
            RegSetKeySecurity(dacl.get(), DACL_SECURITY_INFORMATION, descriptor.GetDescriptor());
    }
    return true;
}
