#include "install/registry_access.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/kit/debug_monitor.h"
#include "tests/kit/key_security.h"
#include "tests/kit/kit.h"

namespace {

constexpr wchar_t kTree[] = L"Software\\Korvel";
constexpr wchar_t kAdministrators[] = L"S-1-5-32-544";
constexpr wchar_t kEveryone[] = L"S-1-1-0";
// A list none of the operations sets, to see which keys were left alone.
constexpr wchar_t kMarker[] = L"D:(A;;KR;;;WD)(A;;KA;;;BU)";

std::wstring In(const std::wstring& relative) { return relative.empty() ? kTree : std::wstring(kTree) + L"\\" + relative; }

std::vector<kit::AceEntry> FullControl(const std::wstring& second) {
    return {kit::AllowedInherited(kAdministrators, KEY_ALL_ACCESS),
            kit::AllowedInherited(second.c_str(), KEY_ALL_ACCESS)};
}

std::vector<kit::AceEntry> Dacl(HKEY root, const std::wstring& path) {
    std::vector<kit::AceEntry> entries;
    if (!kit::ReadKeyDacl(root, path, &entries)) entries.push_back({0xFF, 0, 0, L"<unreadable>"});
    return entries;
}

std::string Narrow(const std::wstring& text) {
    std::string narrow;
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    narrow.resize(bytes > 0 ? bytes : 1);
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, narrow.data(), bytes, nullptr, nullptr);
    narrow.resize(strlen(narrow.c_str()));
    return narrow;
}

class RegistryAccess : public ::testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean() {
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) kit::DeleteKeyTree(root, kTree);
    }
    // Creates the tree's keys (relative to it) and marks every one of them.
    static void MakeTree(HKEY root, const std::vector<std::wstring>& relatives) {
        kit::CreateKey(root, kTree);
        ASSERT_TRUE(kit::SetKeyDaclSddl(root, kTree, kMarker));
        for (const std::wstring& relative : relatives) {
            kit::CreateKey(root, In(relative));
            ASSERT_TRUE(kit::KeyExists(root, In(relative)));
            ASSERT_TRUE(kit::SetKeyDaclSddl(root, In(relative), kMarker));
        }
    }
    static std::vector<kit::AceEntry> Marker() {
        kit::CreateKey(HKEY_CURRENT_USER, L"Software\\KorvelMarker");
        kit::SetKeyDaclSddl(HKEY_CURRENT_USER, L"Software\\KorvelMarker", kMarker);
        std::vector<kit::AceEntry> entries = Dacl(HKEY_CURRENT_USER, L"Software\\KorvelMarker");
        kit::DeleteKeyTree(HKEY_CURRENT_USER, L"Software\\KorvelMarker");
        return entries;
    }
};

TEST_F(RegistryAccess, ListSubKeysDepthFirstInEnumerationOrder) {
    MakeTree(HKEY_CURRENT_USER, {L"A", L"A\\A1", L"A\\A1\\Deep", L"A\\A2", L"B"});
    const struct {
        const char* what;
        bool recursive;
        std::vector<std::wstring> before;
        std::vector<std::wstring> after;
    } rows[] = {
        {"recursive", true, {}, {In(L"A"), In(L"A\\A1"), In(L"A\\A1\\Deep"), In(L"A\\A2"), In(L"B")}},
        {"direct sub-keys only", false, {}, {In(L"A"), In(L"B")}},
        {"appends to the list", false, {L"kept"}, {L"kept", In(L"A"), In(L"B")}},
    };
    for (const auto& row : rows) {
        std::vector<std::wstring> list = row.before;
        EXPECT_TRUE(ListSubKeys(HKEY_CURRENT_USER, kTree, row.recursive, &list)) << row.what;
        EXPECT_EQ(list, row.after) << row.what;
    }
}

TEST_F(RegistryAccess, ListSubKeysAcceptsOnlyThePredefinedRoots) {
    MakeTree(HKEY_CURRENT_USER, {L"A"});
    HKEY software = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &software), ERROR_SUCCESS);
    const struct {
        const char* what;
        HKEY root;
        const wchar_t* path;
        bool accepted;
        size_t listed;
    } rows[] = {
        {"HKEY_CURRENT_USER", HKEY_CURRENT_USER, kTree, true, 1},
        {"HKEY_LOCAL_MACHINE without the tree", HKEY_LOCAL_MACHINE, kTree, true, 0},
        {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT, L"KorvelMissing", true, 0},
        {"HKEY_USERS", HKEY_USERS, L"KorvelMissing", true, 0},
        {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG, L"KorvelMissing", true, 0},
        {"an opened key", software, L"Korvel", false, 0},
        {"HKEY_PERFORMANCE_DATA", HKEY_PERFORMANCE_DATA, L"Korvel", false, 0},
        {"no key", nullptr, kTree, false, 0},
    };
    for (const auto& row : rows) {
        std::vector<std::wstring> list;
        EXPECT_EQ(ListSubKeys(row.root, row.path, true, &list), row.accepted) << row.what;
        EXPECT_EQ(list.size(), row.listed) << row.what;
    }
    RegCloseKey(software);
}

// "Software\Korvel\" (16 units) + 250 + "\" + N: N = 244 gives 511 units, 245 gives 512.
TEST_F(RegistryAccess, PathsOf512UnitsOrMoreAreSkipped) {
    const std::wstring level(250, L'L');
    const std::wstring fits = level + L"\\" + std::wstring(244, L'a');
    const std::wstring tooLong = level + L"\\" + std::wstring(245, L'b');
    const std::wstring below = tooLong + L"\\c";
    MakeTree(HKEY_CURRENT_USER, {level, fits, tooLong, below});
    ASSERT_EQ(In(fits).size(), 511u);
    ASSERT_EQ(In(tooLong).size(), 512u);

    std::vector<std::wstring> list;
    EXPECT_TRUE(ListSubKeys(HKEY_CURRENT_USER, kTree, true, &list));
    EXPECT_EQ(list, (std::vector<std::wstring>{In(level), In(fits)}));

    const std::vector<kit::AceEntry> marker = Marker();
    EXPECT_TRUE(SecureRegistryTree(HKEY_CURRENT_USER, kTree, true, nullptr));
    EXPECT_EQ(Dacl(HKEY_CURRENT_USER, In(fits)), FullControl(kEveryone));
    EXPECT_EQ(Dacl(HKEY_CURRENT_USER, In(tooLong)), marker);
    EXPECT_EQ(Dacl(HKEY_CURRENT_USER, In(below)), marker);
    // The 511-unit path cut to its first 511 units is not another key's name either.
    EXPECT_FALSE(kit::KeyExists(HKEY_CURRENT_USER, In(tooLong).substr(0, 511)));
}

TEST_F(RegistryAccess, NamesOutsideTheCodePageAreOpenedByTheirOwnName) {
    const std::wstring foreign = L"\x0416\x4E2D\x05D0";  // Cyrillic, CJK, Hebrew
    const std::string narrow = Narrow(In(foreign));
    ASSERT_NE(narrow.find('?'), std::string::npos) << "the code page holds the name; the case proves nothing";
    // The name the lossy conversion gives, as another key.
    const std::wstring lookalike(foreign.size(), L'?');
    MakeTree(HKEY_CURRENT_USER, {foreign, foreign + L"\\Child"});
    const std::vector<kit::AceEntry> marker = Marker();

    std::vector<std::wstring> list;
    EXPECT_TRUE(ListSubKeys(HKEY_CURRENT_USER, kTree, true, &list));
    EXPECT_EQ(list, (std::vector<std::wstring>{In(foreign), In(foreign + L"\\Child")}));

    EXPECT_TRUE(SecureRegistryTree(HKEY_CURRENT_USER, kTree, true, nullptr));
    EXPECT_EQ(Dacl(HKEY_CURRENT_USER, In(foreign)), FullControl(kEveryone));
    EXPECT_EQ(Dacl(HKEY_CURRENT_USER, In(foreign + L"\\Child")), FullControl(kEveryone));
    EXPECT_FALSE(kit::KeyExists(HKEY_CURRENT_USER, In(lookalike)));
}

TEST_F(RegistryAccess, SecureRegistryTreeReplacesEveryList) {
    const std::wstring user = kit::ProcessUserSid();
    ASSERT_FALSE(user.empty());
    wchar_t name[260] = {}, domain[260] = {};
    ASSERT_TRUE(GetCurrentAccountName(name, 260, domain, 260));
    const std::wstring account = std::wstring(domain) + L"\\" + name;
    const std::vector<std::wstring> keys = {L"A", L"A\\A1", L"B"};

    const struct {
        const char* what;
        HKEY root;
        const wchar_t* account;
        std::wstring second;
    } rows[] = {
        {"user tree with the account", HKEY_CURRENT_USER, account.c_str(), user},
        {"user tree without an account", HKEY_CURRENT_USER, nullptr, kEveryone},
        {"machine tree", HKEY_LOCAL_MACHINE, nullptr, kEveryone},
    };
    for (const auto& row : rows) {
        Clean();
        MakeTree(row.root, keys);
        EXPECT_TRUE(SecureRegistryTree(row.root, kTree, true, row.account)) << row.what;
        EXPECT_EQ(Dacl(row.root, kTree), FullControl(row.second)) << row.what;
        for (const std::wstring& key : keys) EXPECT_EQ(Dacl(row.root, In(key)), FullControl(row.second)) << row.what;
    }
}

TEST_F(RegistryAccess, SecureRegistryTreeTouchesOnlyWhatItMay) {
    const std::vector<std::wstring> keys = {L"A", L"A\\A1"};
    const std::vector<kit::AceEntry> marker = Marker();
    HKEY software = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &software), ERROR_SUCCESS);
    const struct {
        const char* what;
        HKEY root;
        const wchar_t* path;
        bool recursive;
        const wchar_t* account;
        bool result;
        bool keySecured;
        bool subKeysSecured;
    } rows[] = {
        {"not recursive: the key alone", HKEY_CURRENT_USER, kTree, false, nullptr, true, true, false},
        {"unknown account: nothing changes", HKEY_CURRENT_USER, kTree, true, L"NoSuchDomain\\NoSuchAccount",
         false, false, false},
        {"root not predefined: the key itself, no sub-key", software, L"Korvel", true, nullptr, true, true, false},
    };
    for (const auto& row : rows) {
        Clean();
        MakeTree(HKEY_CURRENT_USER, keys);
        EXPECT_EQ(SecureRegistryTree(row.root, row.path, row.recursive, row.account), row.result) << row.what;
        EXPECT_EQ(Dacl(HKEY_CURRENT_USER, kTree), row.keySecured ? FullControl(kEveryone) : marker) << row.what;
        for (const std::wstring& key : keys)
            EXPECT_EQ(Dacl(HKEY_CURRENT_USER, In(key)), row.subKeysSecured ? FullControl(kEveryone) : marker)
                << row.what;
    }
    RegCloseKey(software);

    Clean();
    EXPECT_TRUE(SecureRegistryTree(HKEY_CURRENT_USER, kTree, true, nullptr));
    EXPECT_FALSE(kit::KeyExists(HKEY_CURRENT_USER, kTree));
}

// The tree is open to ordinary users, who can put a symbolic link into it: the elevated setup
// secures the link's own key, never the key it points to nor anything below that.
TEST_F(RegistryAccess, ALinkInTheTreeLeadsNowhere) {
    // The target in the user's hive: the same key for a 32-bit process on every Windows.
    const std::wstring target = L"Software\\KorvelLinkTarget";
    const std::wstring linkTarget = L"\\Registry\\User\\" + kit::ProcessUserSid() + L"\\" + target;
    kit::DeleteKeyTree(HKEY_CURRENT_USER, target);
    kit::CreateKey(HKEY_CURRENT_USER, target + L"\\Below");
    ASSERT_TRUE(kit::SetKeyDaclSddl(HKEY_CURRENT_USER, target, kMarker));
    ASSERT_TRUE(kit::SetKeyDaclSddl(HKEY_CURRENT_USER, target + L"\\Below", kMarker));
    const std::vector<kit::AceEntry> marker = Dacl(HKEY_CURRENT_USER, target);
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        Clean();
        MakeTree(root, {L"A"});
        HKEY link = nullptr;
        ASSERT_EQ(RegCreateKeyExW(root, In(L"A\\Link").c_str(), 0, nullptr, REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS,
                                  nullptr, &link, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(linkTarget.data()),
                                 static_cast<DWORD>(linkTarget.size() * sizeof(wchar_t))),
                  ERROR_SUCCESS);
        RegCloseKey(link);
        EXPECT_TRUE(kit::KeyExists(root, In(L"A\\Link\\Below")));  // the link leads there
        EXPECT_TRUE(SecureRegistryTree(root, kTree, true, nullptr));
        EXPECT_EQ(Dacl(root, In(L"A")), FullControl(kEveryone));
        EXPECT_EQ(Dacl(HKEY_CURRENT_USER, target), marker);
        EXPECT_EQ(Dacl(HKEY_CURRENT_USER, target + L"\\Below"), marker);
        HKEY opened = nullptr;
        ASSERT_EQ(RegOpenKeyExW(root, In(L"A\\Link").c_str(), REG_OPTION_OPEN_LINK, DELETE, &opened), ERROR_SUCCESS);
        EXPECT_EQ(RegDeleteKeyW(opened, L""), ERROR_SUCCESS);  // the link itself
        RegCloseKey(opened);
    }
    kit::DeleteKeyTree(HKEY_CURRENT_USER, target);
}

TEST(GetCurrentAccountName, NamesTheProcessUser) {
    wchar_t userName[260] = {};
    DWORD units = 260;
    ASSERT_TRUE(GetUserNameW(userName, &units));

    wchar_t name[260] = {}, domain[260] = {};
    ASSERT_TRUE(GetCurrentAccountName(name, 260, domain, 260));
    EXPECT_STREQ(name, userName);
    EXPECT_NE(domain[0], L'\0');

    // The text it gives names the process user's SID.
    const std::wstring account = std::wstring(domain) + L"\\" + name;
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sidBytes = sizeof sid;
    wchar_t foundDomain[260];
    DWORD domainUnits = 260;
    SID_NAME_USE use;
    ASSERT_TRUE(LookupAccountNameW(nullptr, account.c_str(), sid, &sidBytes, foundDomain, &domainUnits, &use));
    EXPECT_EQ(kit::SidString(sid), kit::ProcessUserSid());

    // Buffers too small for either part.
    wchar_t tiny[1] = {};
    EXPECT_FALSE(GetCurrentAccountName(tiny, 1, domain, 260));
    EXPECT_FALSE(GetCurrentAccountName(name, 260, tiny, 1));
}

TEST(GetCurrentAccountName, UsesTheThreadTokenWhenImpersonating) {
    wchar_t processName[260] = {}, processDomain[260] = {};
    ASSERT_TRUE(GetCurrentAccountName(processName, 260, processDomain, 260));
    ASSERT_TRUE(ImpersonateSelf(SecurityImpersonation));
    HANDLE token = nullptr;
    const bool hasThreadToken = OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token);
    if (token) CloseHandle(token);
    wchar_t name[260] = {}, domain[260] = {};
    const bool ok = GetCurrentAccountName(name, 260, domain, 260);
    RevertToSelf();
    EXPECT_TRUE(hasThreadToken);
    EXPECT_TRUE(ok);
    EXPECT_STREQ(name, processName);
    EXPECT_STREQ(domain, processDomain);
}

// PrepareRegistryAccess runs in a helper process while this one reads its debugger output.
class Preparation : public RegistryAccess {
protected:
    // Runs the helper; gives its debugger output.
    static std::vector<std::string> Run(size_t expectedMessages) {
        kit::DebugMonitor monitor;
        EXPECT_TRUE(monitor.ok());
        kit::Process helper(L"\"" + kit::BinPath(L"registry_access_helper.exe") + L"\"");
        EXPECT_TRUE(helper.started());
        EXPECT_EQ(helper.Wait(60000), 0u);
        kit::WaitUntil([&] { return monitor.TextsOf(helper.id()).size() >= expectedMessages; }, 3000);
        Sleep(100);  // anything after the expected messages shows up too
        return monitor.TextsOf(helper.id());
    }
};

TEST_F(Preparation, BothTrees) {
    MakeTree(HKEY_CURRENT_USER, {L"A", L"A\\A1", L"B"});
    MakeTree(HKEY_LOCAL_MACHINE, {L"Cartoline", L"Cartoline\\Products", L"TileWizard"});

    const std::vector<std::string> expected = {
        "Software\\Korvel\\A",          "\n", "Software\\Korvel\\A\\A1",               "\n",
        "Software\\Korvel\\B",          "\n", "Software\\Korvel\\Cartoline",           "\n",
        "Software\\Korvel\\Cartoline\\Products", "\n", "Software\\Korvel\\TileWizard", "\n",
    };
    EXPECT_EQ(Run(expected.size()), expected);

    const std::wstring user = kit::ProcessUserSid();
    for (const wchar_t* key : {L"", L"A", L"A\\A1", L"B"})
        EXPECT_EQ(Dacl(HKEY_CURRENT_USER, In(key)), FullControl(user)) << "HKCU " << Narrow(In(key));
    for (const wchar_t* key : {L"", L"Cartoline", L"Cartoline\\Products", L"TileWizard"})
        EXPECT_EQ(Dacl(HKEY_LOCAL_MACHINE, In(key)), FullControl(kEveryone)) << "HKLM " << Narrow(In(key));

    std::vector<kit::AceEntry> named;
    ASSERT_TRUE(kit::ReadNamedKeyDacl(L"CURRENT_USER\\Software\\Korvel\\A\\A1", &named));
    EXPECT_EQ(named, FullControl(user));
}

TEST_F(Preparation, NoUserTree) {
    const std::vector<kit::AceEntry> softwareBefore = Dacl(HKEY_CURRENT_USER, L"Software");
    MakeTree(HKEY_LOCAL_MACHINE, {L"M"});

    const std::vector<std::string> expected = {"Software\\Korvel\\M", "\n"};
    EXPECT_EQ(Run(expected.size()), expected);

    EXPECT_FALSE(kit::KeyExists(HKEY_CURRENT_USER, kTree));
    EXPECT_EQ(Dacl(HKEY_CURRENT_USER, L"Software"), softwareBefore);
    EXPECT_EQ(Dacl(HKEY_LOCAL_MACHINE, kTree), FullControl(kEveryone));
    EXPECT_EQ(Dacl(HKEY_LOCAL_MACHINE, In(L"M")), FullControl(kEveryone));
}

}  // namespace
