#pragma once
// Reading and setting the discretionary access list of registry keys with the system's own
// security calls, for tests that check what a key's list holds.
#include <windows.h>

#include <ostream>
#include <string>
#include <vector>

namespace kit {

struct AceEntry {
    BYTE type;          // ACCESS_ALLOWED_ACE_TYPE, ...
    BYTE flags;         // CONTAINER_INHERIT_ACE | OBJECT_INHERIT_ACE, ...
    ACCESS_MASK mask;
    std::wstring sid;   // "S-1-1-0"
    bool operator==(const AceEntry&) const = default;
};
std::ostream& operator<<(std::ostream& out, const AceEntry& entry);

std::wstring SidString(PSID sid);
// The SID of the account the process runs as.
std::wstring ProcessUserSid();

// The key's list read with GetSecurityInfo on a handle opened for READ_CONTROL. False when
// the key cannot be opened or has no list.
bool ReadKeyDacl(HKEY root, const std::wstring& path, std::vector<AceEntry>* entries);
// The same through GetNamedSecurityInfoW ("CURRENT_USER\Software\...").
bool ReadNamedKeyDacl(const std::wstring& objectName, std::vector<AceEntry>* entries);
// Replaces the key's list with one given in SDDL ("D:(A;;KA;;;WD)").
bool SetKeyDaclSddl(HKEY root, const std::wstring& path, const wchar_t* sddl);

// Entries as the tests expect them: allowed, inherited by sub-keys and values.
AceEntry AllowedInherited(const wchar_t* sid, ACCESS_MASK mask);

}  // namespace kit
