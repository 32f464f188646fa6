#pragma once
// Owning wrappers of a security identifier, an access-control list and a security descriptor.
// Each releases what it holds exactly once; copying does not compile.
#include <windows.h>
#include <aclapi.h>

#include "framework/handle.h"

// Selector of a well-known SID; any other value leaves a CSid empty.
enum WellKnownSid : int {
    SidNobody = 0,          // S-1-0-0
    SidEveryone = 1,        // S-1-1-0
    SidCreatorOwner = 2,    // S-1-3-0
    SidCreatorGroup = 3,    // S-1-3-1
    SidInteractive = 4,     // S-1-5-4
    SidUsers = 5,           // S-1-5-32-545
    SidAdministrators = 6,  // S-1-5-32-544
    SidGuests = 7,          // S-1-5-32-546
    SidPowerUsers = 8,      // S-1-5-32-547
};

class CSid {
public:
    explicit CSid(WellKnownSid which);
    virtual ~CSid() = default;
    CSid(const CSid&) = delete;
    CSid& operator=(const CSid&) = delete;

    PSID GetSid() const { return sid_.get(); }  // null when empty

private:
    fw::UniqueSid sid_;
};

class CAcl {
public:
    CAcl() = default;
    virtual ~CAcl() = default;
    CAcl(const CAcl&) = delete;
    CAcl& operator=(const CAcl&) = delete;

    // Merges the entries into the list held now. On success the new list replaces the old
    // one; on failure the old one stays. Gives the Windows error code.
    DWORD SetEntries(ULONG count, EXPLICIT_ACCESSW* entries);
    PACL GetAcl() const { return static_cast<PACL>(acl_.get()); }  // null when empty

private:
    fw::UniqueLocalMemory acl_;
};

// An absolute security descriptor of revision 1 with no owner, group or lists.
class CSecurityDescriptor {
public:
    CSecurityDescriptor();
    virtual ~CSecurityDescriptor() = default;
    CSecurityDescriptor(const CSecurityDescriptor&) = delete;
    CSecurityDescriptor& operator=(const CSecurityDescriptor&) = delete;

    // The list stays owned by the caller and must outlive every use of the descriptor.
    BOOL SetDacl(BOOL present, PACL acl, BOOL defaulted);
    PSECURITY_DESCRIPTOR GetDescriptor() const { return descriptor_.get(); }  // null if allocation failed

private:
    fw::UniqueLocalMemory descriptor_;
};

// An explicit-access entry for a trustee given by SID.
EXPLICIT_ACCESSW SidAccessEntry(PSID sid, DWORD rights);
// An explicit-access entry for a trustee given by account name ("DOMAIN\name").
EXPLICIT_ACCESSW NameAccessEntry(const wchar_t* account, DWORD rights);
