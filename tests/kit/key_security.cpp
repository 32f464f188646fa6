#include "tests/kit/key_security.h"

#include <aclapi.h>
#include <sddl.h>

namespace kit {

namespace {

std::vector<AceEntry> EntriesOf(PACL acl) {
    std::vector<AceEntry> entries;
    if (!acl) return entries;
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        void* raw = nullptr;
        if (!GetAce(acl, i, &raw)) break;
        auto* header = static_cast<ACE_HEADER*>(raw);
        AceEntry entry{header->AceType, header->AceFlags, 0, L"?"};
        if (header->AceType == ACCESS_ALLOWED_ACE_TYPE || header->AceType == ACCESS_DENIED_ACE_TYPE) {
            auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(raw);
            entry.mask = ace->Mask;
            entry.sid = SidString(&ace->SidStart);
        }
        entries.push_back(entry);
    }
    return entries;
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const AceEntry& entry) {
    char text[160];
    snprintf(text, sizeof text, "{type %u flags 0x%X mask 0x%lX %ls}", entry.type, entry.flags,
             static_cast<unsigned long>(entry.mask), entry.sid.c_str());
    return out << text;
}

std::wstring SidString(PSID sid) {
    wchar_t* text = nullptr;
    if (!sid || !ConvertSidToStringSidW(sid, &text)) return L"";
    std::wstring result = text;
    LocalFree(text);
    return result;
}

std::wstring ProcessUserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return L"";
    BYTE buffer[512];
    DWORD bytes = 0;
    std::wstring sid;
    if (GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &bytes))
        sid = SidString(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
    CloseHandle(token);
    return sid;
}

bool ReadKeyDacl(HKEY root, const std::wstring& path, std::vector<AceEntry>* entries) {
    entries->clear();
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, READ_CONTROL, &key) != ERROR_SUCCESS) return false;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD result = GetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                   nullptr, &descriptor);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return false;
    *entries = EntriesOf(dacl);
    LocalFree(descriptor);
    return dacl != nullptr;
}

bool ReadNamedKeyDacl(const std::wstring& objectName, std::vector<AceEntry>* entries) {
    entries->clear();
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    std::wstring name = objectName;
    DWORD result = GetNamedSecurityInfoW(name.data(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr,
                                         nullptr, &dacl, nullptr, &descriptor);
    if (result != ERROR_SUCCESS) return false;
    *entries = EntriesOf(dacl);
    LocalFree(descriptor);
    return dacl != nullptr;
}

bool SetKeyDaclSddl(HKEY root, const std::wstring& path, const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    HKEY key = nullptr;
    bool ok = false;
    if (RegOpenKeyExW(root, path.c_str(), 0, WRITE_DAC, &key) == ERROR_SUCCESS) {
        ok = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
        RegCloseKey(key);
    }
    LocalFree(descriptor);
    return ok;
}

AceEntry AllowedInherited(const wchar_t* sid, ACCESS_MASK mask) {
    return AceEntry{ACCESS_ALLOWED_ACE_TYPE, CONTAINER_INHERIT_ACE | OBJECT_INHERIT_ACE, mask, sid};
}

}  // namespace kit
