#include "system/security.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <type_traits>

#include "tests/kit/key_security.h"

namespace {

static_assert(!std::is_copy_constructible_v<CSid> && !std::is_copy_assignable_v<CSid>);
static_assert(!std::is_copy_constructible_v<CAcl> && !std::is_copy_assignable_v<CAcl>);
static_assert(!std::is_copy_constructible_v<CSecurityDescriptor> &&
              !std::is_copy_assignable_v<CSecurityDescriptor>);

std::vector<kit::AceEntry> Entries(PACL acl) {
    // Read back through a descriptor, as the system's own callers see the list.
    std::vector<kit::AceEntry> entries;
    for (DWORD i = 0; acl && i < acl->AceCount; ++i) {
        void* raw = nullptr;
        if (!GetAce(acl, i, &raw)) break;
        auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(raw);
        entries.push_back({ace->Header.AceType, ace->Header.AceFlags, ace->Mask, kit::SidString(&ace->SidStart)});
    }
    return entries;
}

TEST(CSid, WellKnownSelectors) {
    const struct {
        int selector;
        const wchar_t* sid;  // empty: no SID
    } rows[] = {
        {0, L"S-1-0-0"},      {1, L"S-1-1-0"},      {2, L"S-1-3-0"},
        {3, L"S-1-3-1"},      {4, L"S-1-5-4"},      {5, L"S-1-5-32-545"},
        {6, L"S-1-5-32-544"}, {7, L"S-1-5-32-546"}, {8, L"S-1-5-32-547"},
        {9, L""},             {-1, L""},            {1000, L""},
    };
    for (const auto& row : rows) {
        CSid sid(static_cast<WellKnownSid>(row.selector));
        EXPECT_EQ(kit::SidString(sid.GetSid()), row.sid) << "selector " << row.selector;
        if (row.sid[0]) {
            EXPECT_TRUE(IsValidSid(sid.GetSid())) << "selector " << row.selector;
        } else {
            EXPECT_EQ(sid.GetSid(), nullptr) << "selector " << row.selector;
        }
    }
}

TEST(CSid, NamedSelectorsMatchTheSystemsWellKnownSids) {
    const struct {
        WellKnownSid selector;
        WELL_KNOWN_SID_TYPE system;
    } rows[] = {
        {SidNobody, WinNullSid},           {SidEveryone, WinWorldSid},
        {SidCreatorOwner, WinCreatorOwnerSid}, {SidCreatorGroup, WinCreatorGroupSid},
        {SidInteractive, WinInteractiveSid},   {SidUsers, WinBuiltinUsersSid},
        {SidAdministrators, WinBuiltinAdministratorsSid}, {SidGuests, WinBuiltinGuestsSid},
        {SidPowerUsers, WinBuiltinPowerUsersSid},
    };
    for (const auto& row : rows) {
        CSid sid(row.selector);
        BYTE buffer[SECURITY_MAX_SID_SIZE];
        DWORD size = sizeof buffer;
        ASSERT_TRUE(CreateWellKnownSid(row.system, nullptr, buffer, &size));
        EXPECT_TRUE(sid.GetSid() && EqualSid(sid.GetSid(), buffer)) << "selector " << row.selector;
    }
}

TEST(CAcl, StartsEmptyAndTakesEntries) {
    CSid everyone(SidEveryone);
    CSid administrators(SidAdministrators);
    CAcl acl;
    EXPECT_EQ(acl.GetAcl(), nullptr);

    EXPLICIT_ACCESSW entries[] = {
        SidAccessEntry(everyone.GetSid(), KEY_READ),
        SidAccessEntry(administrators.GetSid(), KEY_ALL_ACCESS),
    };
    ASSERT_EQ(acl.SetEntries(2, entries), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_NE(acl.GetAcl(), nullptr);
    EXPECT_TRUE(IsValidAcl(acl.GetAcl()));
    const std::vector<kit::AceEntry> expected = {
        kit::AllowedInherited(L"S-1-1-0", KEY_READ),
        kit::AllowedInherited(L"S-1-5-32-544", KEY_ALL_ACCESS),
    };
    EXPECT_EQ(Entries(acl.GetAcl()), expected);
}

TEST(CAcl, MergesIntoTheListHeldNow) {
    CSid everyone(SidEveryone);
    CSid users(SidUsers);
    CAcl acl;
    EXPLICIT_ACCESSW first[] = {SidAccessEntry(everyone.GetSid(), KEY_READ)};
    ASSERT_EQ(acl.SetEntries(1, first), static_cast<DWORD>(ERROR_SUCCESS));
    EXPLICIT_ACCESSW second[] = {SidAccessEntry(users.GetSid(), KEY_ALL_ACCESS)};
    ASSERT_EQ(acl.SetEntries(1, second), static_cast<DWORD>(ERROR_SUCCESS));

    std::vector<kit::AceEntry> entries = Entries(acl.GetAcl());
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_NE(std::find(entries.begin(), entries.end(), kit::AllowedInherited(L"S-1-1-0", KEY_READ)),
              entries.end());
    EXPECT_NE(std::find(entries.begin(), entries.end(), kit::AllowedInherited(L"S-1-5-32-545", KEY_ALL_ACCESS)),
              entries.end());

    // SET_ACCESS for a trustee already listed replaces its entry.
    EXPLICIT_ACCESSW again[] = {SidAccessEntry(everyone.GetSid(), KEY_ALL_ACCESS)};
    ASSERT_EQ(acl.SetEntries(1, again), static_cast<DWORD>(ERROR_SUCCESS));
    entries = Entries(acl.GetAcl());
    EXPECT_EQ(entries.size(), 2u);
    EXPECT_EQ(std::find(entries.begin(), entries.end(), kit::AllowedInherited(L"S-1-1-0", KEY_READ)),
              entries.end());
}

TEST(CAcl, FailingSetEntriesKeepsTheListHeld) {
    CSid everyone(SidEveryone);
    CAcl acl;
    EXPLICIT_ACCESSW first[] = {SidAccessEntry(everyone.GetSid(), KEY_READ)};
    ASSERT_EQ(acl.SetEntries(1, first), static_cast<DWORD>(ERROR_SUCCESS));
    const PACL before = acl.GetAcl();
    const std::vector<kit::AceEntry> entriesBefore = Entries(before);

    const struct {
        const char* what;
        EXPLICIT_ACCESSW entry;
    } rows[] = {
        {"unknown account name", NameAccessEntry(L"NoSuchDomain\\NoSuchAccount", KEY_ALL_ACCESS)},
        {"null SID", SidAccessEntry(nullptr, KEY_ALL_ACCESS)},
    };
    for (const auto& row : rows) {
        EXPLICIT_ACCESSW entry = row.entry;
        EXPECT_NE(acl.SetEntries(1, &entry), static_cast<DWORD>(ERROR_SUCCESS)) << row.what;
        EXPECT_EQ(acl.GetAcl(), before) << row.what;
        EXPECT_EQ(Entries(acl.GetAcl()), entriesBefore) << row.what;
    }

    CAcl empty;
    EXPLICIT_ACCESSW unknown = NameAccessEntry(L"NoSuchDomain\\NoSuchAccount", KEY_ALL_ACCESS);
    EXPECT_NE(empty.SetEntries(1, &unknown), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(empty.GetAcl(), nullptr);
}

TEST(CSecurityDescriptor, AbsoluteRevisionOneWithoutList) {
    CSecurityDescriptor descriptor;
    PSECURITY_DESCRIPTOR sd = descriptor.GetDescriptor();
    ASSERT_NE(sd, nullptr);
    EXPECT_TRUE(IsValidSecurityDescriptor(sd));
    EXPECT_EQ(LocalSize(sd), static_cast<SIZE_T>(SECURITY_DESCRIPTOR_MIN_LENGTH));
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(sd, &control, &revision));
    EXPECT_EQ(revision, 1u);
    EXPECT_EQ(control & SE_SELF_RELATIVE, 0);
    BOOL present = TRUE, defaulted = TRUE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted));
    EXPECT_FALSE(present);
}

TEST(CSecurityDescriptor, SetDaclStoresTheGivenList) {
    CSid administrators(SidAdministrators);
    CAcl acl;
    EXPLICIT_ACCESSW entry = SidAccessEntry(administrators.GetSid(), KEY_ALL_ACCESS);
    ASSERT_EQ(acl.SetEntries(1, &entry), static_cast<DWORD>(ERROR_SUCCESS));

    const struct {
        BOOL present;
        bool withList;
        BOOL defaulted;
    } rows[] = {{TRUE, true, FALSE}, {TRUE, true, TRUE}, {TRUE, false, FALSE}, {FALSE, false, FALSE}};
    for (const auto& row : rows) {
        CSecurityDescriptor descriptor;
        PACL given = row.withList ? acl.GetAcl() : nullptr;
        ASSERT_TRUE(descriptor.SetDacl(row.present, given, row.defaulted));
        BOOL present = !row.present, defaulted = !row.defaulted;
        PACL dacl = reinterpret_cast<PACL>(1);
        ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor.GetDescriptor(), &present, &dacl, &defaulted));
        EXPECT_EQ(present, row.present);
        if (row.present) {
            EXPECT_EQ(dacl, given);
            EXPECT_EQ(defaulted, row.defaulted);
        }
    }
}

}  // namespace
