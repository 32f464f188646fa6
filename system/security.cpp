#include "system/security.h"

namespace {

struct SidRecipe {
    BYTE authority;
    BYTE count;
    DWORD sub0;
    DWORD sub1;
};

// Indexed by WellKnownSid.
constexpr SidRecipe kRecipes[] = {
    {0, 1, SECURITY_NULL_RID, 0},                                          // Nobody
    {1, 1, SECURITY_WORLD_RID, 0},                                         // Everyone
    {3, 1, SECURITY_CREATOR_OWNER_RID, 0},                                 // Creator Owner
    {3, 1, SECURITY_CREATOR_GROUP_RID, 0},                                 // Creator Group
    {5, 1, SECURITY_INTERACTIVE_RID, 0},                                   // Interactive
    {5, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS},           // Users
    {5, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS},          // Administrators
    {5, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_GUESTS},          // Guests
    {5, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_POWER_USERS},     // Power Users
};

}  // namespace

CSid::CSid(WellKnownSid which) {
    const int index = static_cast<int>(which);
    if (index < 0 || index >= static_cast<int>(sizeof kRecipes / sizeof kRecipes[0])) return;
    const SidRecipe& recipe = kRecipes[index];
    SID_IDENTIFIER_AUTHORITY authority = {{0, 0, 0, 0, 0, recipe.authority}};
    PSID sid = nullptr;
    if (AllocateAndInitializeSid(&authority, recipe.count, recipe.sub0, recipe.sub1, 0, 0, 0, 0, 0, 0, &sid))
        sid_.reset(sid);
}

DWORD CAcl::SetEntries(ULONG count, EXPLICIT_ACCESSW* entries) {
    PACL merged = nullptr;
    const DWORD result = SetEntriesInAclW(count, entries, GetAcl(), &merged);
    if (result == ERROR_SUCCESS) {
        acl_.reset(merged);
    } else if (merged) {
        LocalFree(merged);
    }
    return result;
}

CSecurityDescriptor::CSecurityDescriptor() {
    fw::UniqueLocalMemory buffer(LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH));
    if (buffer && InitializeSecurityDescriptor(buffer.get(), SECURITY_DESCRIPTOR_REVISION))
        descriptor_ = std::move(buffer);
}

BOOL CSecurityDescriptor::SetDacl(BOOL present, PACL acl, BOOL defaulted) {
    if (!descriptor_) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    return SetSecurityDescriptorDacl(descriptor_.get(), present, acl, defaulted);
}

EXPLICIT_ACCESSW SidAccessEntry(PSID sid, DWORD rights) {
    EXPLICIT_ACCESSW entry{};
    entry.grfAccessPermissions = rights;
    entry.grfAccessMode = SET_ACCESS;
    entry.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
    entry.Trustee.pMultipleTrustee = nullptr;
    entry.Trustee.MultipleTrusteeOperation = NO_MULTIPLE_TRUSTEE;
    entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    entry.Trustee.TrusteeType = TRUSTEE_IS_UNKNOWN;
    entry.Trustee.ptstrName = static_cast<LPWSTR>(sid);
    return entry;
}

EXPLICIT_ACCESSW NameAccessEntry(const wchar_t* account, DWORD rights) {
    EXPLICIT_ACCESSW entry = SidAccessEntry(nullptr, rights);
    entry.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
    entry.Trustee.ptstrName = const_cast<LPWSTR>(account);
    return entry;
}
