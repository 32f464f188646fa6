#include <gtest/gtest.h>
#include <shlwapi.h>

#include <string>

#include "env/system_checks.h"
#include "tests/kit/kit.h"

namespace {

constexpr wchar_t kLocalName[] = L"_MSISETUP_{2956EBA1-9B5A-4679-8618-357136DA66CA}";
constexpr wchar_t kGlobalName[] = L"Global\\_MSISETUP_{2956EBA1-9B5A-4679-8618-357136DA66CA}";

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

bool Is9xOrNt4Prefix() {
    std::string v = kit::RigVersion();
    return v == "win98" || v == "winme" || v == "nt40";
}
bool Is9xPrefix() {
    std::string v = kit::RigVersion();
    return v == "win98" || v == "winme";
}

std::wstring Probe() { return L"\"" + kit::BinPath(L"env_probe.exe") + L"\""; }

// A probe that signals a named event once it is in place, then stays.
class StayingProbe {
public:
    explicit StayingProbe(const std::wstring& arguments) {
        static int counter = 0;
        eventName_ = L"env_probe_ready_" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++counter);
        ready_ = CreateEventW(nullptr, TRUE, FALSE, eventName_.c_str());
        process_ = kit::Process(Probe() + L" " + arguments + L" " + eventName_);
    }
    ~StayingProbe() { CloseHandle(ready_); }
    // True when it signalled; false when it ended (or hung) first.
    bool WaitReady() {
        HANDLE both[] = {ready_, process_.handle()};
        return process_.started() && WaitForMultipleObjects(2, both, FALSE, 15000) == WAIT_OBJECT_0;
    }
    kit::Process& process() { return process_; }

private:
    std::wstring eventName_;
    HANDLE ready_ = nullptr;
    kit::Process process_;
};

DWORD RunProbe(const std::wstring& arguments, HANDLE token = nullptr) {
    kit::Process probe(Probe() + L" " + arguments, L"", token);
    EXPECT_TRUE(probe.started()) << GetLastError();
    return probe.Wait();
}

TEST(InstallerSetupMutex, GlobalFromWindows2000On) {
    for (int code = WinUnknown; code <= Win7SP1; ++code) {
        EXPECT_EQ(InstallerSetupMutex(code), code < Win2000 ? kLocalName : kGlobalName) << code;
    }
}

TEST(IsAnotherInstallationRunning, FalseAlone) { EXPECT_EQ(RunProbe(L"check"), 0u); }

// Each setup holds the name its Windows version gives; a mutex under the other name is a
// different object and must not count.
TEST(IsAnotherInstallationRunning, SeesTheMutexUnderThisVersionsName) {
    const std::wstring expected = Is9xOrNt4Prefix() ? kLocalName : kGlobalName;
    const std::wstring other = Is9xOrNt4Prefix() ? kGlobalName : kLocalName;
    const struct {
        std::wstring held;
        DWORD running;
    } rows[] = {{expected, 1}, {other, 0}};
    for (const auto& r : rows) {
        StayingProbe holder(L"hold \"" + r.held + L"\"");
        ASSERT_TRUE(holder.WaitReady()) << Narrow(r.held);
        EXPECT_EQ(RunProbe(L"check"), r.running) << "held: " << Narrow(r.held);
        holder.process().Kill();
    }
    EXPECT_EQ(RunProbe(L"check"), 0u) << "released when the holder ended";
}

TEST(IsAnotherInstallationRunning, FirstSetupKeepsTheMutexForLaterOnes) {
    StayingProbe first(L"check-stay");
    ASSERT_TRUE(first.WaitReady()) << "the first setup found another one running";
    EXPECT_EQ(RunProbe(L"check"), 1u);
    EXPECT_EQ(RunProbe(L"check"), 1u);
    first.process().Kill();
    EXPECT_EQ(RunProbe(L"check"), 0u);
}

// A token of this user whose Administrators group is deny-only.
HANDLE RestrictedToken() {
    HANDLE process = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &process)) return nullptr;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr;
    AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &admins);
    SID_AND_ATTRIBUTES deny = {admins, 0};
    HANDLE restricted = nullptr;
    if (!CreateRestrictedToken(process, 0, 1, &deny, 0, nullptr, 0, nullptr, &restricted)) restricted = nullptr;
    FreeSid(admins);
    CloseHandle(process);
    return restricted;
}

TEST(IsLocalAdministrator, TrueUnderWinesAdministratorToken) {
    EXPECT_TRUE(IsLocalAdministrator());
    for (int code = WinUnknown; code <= Win7SP1; ++code) EXPECT_TRUE(IsLocalAdministrator(code)) << code;
    EXPECT_EQ(RunProbe(L"admin"), 1u);
}

TEST(IsLocalAdministrator, ImpersonatedDenyOnlyAdministrators) {
    HANDLE restricted = RestrictedToken();
    ASSERT_NE(restricted, nullptr);
    ASSERT_TRUE(ImpersonateLoggedOnUser(restricted));
    bool real = IsLocalAdministrator();
    bool byCode[Win7SP1 + 1];
    for (int code = WinUnknown; code <= Win7SP1; ++code) byCode[code] = IsLocalAdministrator(code);
    RevertToSelf();
    CloseHandle(restricted);
    // Windows 9x has no tokens: no test, everyone passes.
    for (int code = WinUnknown; code <= Win7SP1; ++code) EXPECT_EQ(byCode[code], code < WinNT4) << code;
    EXPECT_EQ(real, Is9xPrefix());
    EXPECT_TRUE(IsLocalAdministrator()) << "the process token after RevertToSelf";
}

TEST(IsLocalAdministrator, ChildStartedWithDenyOnlyAdministrators) {
    HANDLE restricted = RestrictedToken();
    ASSERT_NE(restricted, nullptr);
    EXPECT_EQ(RunProbe(L"admin", restricted), Is9xPrefix() ? 1u : 0u);
    CloseHandle(restricted);
}

// Registry keys in a chosen view: the product, a 32-bit process, sees the 32-bit one.
void MakeKey(const std::wstring& path, REGSAM view = 0) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS)
        << Narrow(path);
    RegCloseKey(key);
}

void SetValue(const std::wstring& path, const std::wstring& name, const std::wstring& value) {
    MakeKey(path);
    kit::SetString(HKEY_LOCAL_MACHINE, path, name, value);
}

void RemoveKorvelKeys() {
    kit::DeleteKeyTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Korvel");
    HKEY software = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE", 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, &software) ==
        ERROR_SUCCESS) {
        SHDeleteKeyW(software, L"Korvel");
        RegCloseKey(software);
    }
}

TEST(IsInternalInstallDir, OnlyAtTheStartAndInAnyCase) {
    const struct {
        std::wstring value;
        bool internal;
    } rows[] = {
        {L"\\\\kvfs01\\apps\\Cartoline", true},
        {L"\\\\KVFS01\\APPS\\CARTOLINE", true},
        {L"\\\\KvMaps\\Cartoline", true},
        {L"\\\\kvmaps", true},
        {L"C:\\Program Files\\Korvel\\Cartoline", false},
        {L"C:\\copy of \\\\kvfs01\\apps", false},
        {L" \\\\kvfs01\\apps", false},
        {L"\\kvfs01\\apps", false},
        {L"\\\\kvfs02\\apps", false},
        {L"\\\\fileserver\\kvmaps", false},
        {L"", false},
    };
    for (const auto& r : rows) EXPECT_EQ(IsInternalInstallDir(r.value), r.internal) << Narrow(r.value);
}

constexpr wchar_t kNetworkKey[] = L"SOFTWARE\\Korvel\\Cartoline (Network)";
constexpr wchar_t kProductsKey[] = L"Software\\Korvel\\Cartoline\\Products";

TEST(IsInternalNetworkUser, RealRegistry) {
    const struct {
        const char* what;
        bool networkKey;
        bool productsKey;
        const wchar_t* installDir;  // null: no value
        bool internal;
    } rows[] = {
        {"nothing", false, false, nullptr, false},
        {"network edition key alone", true, false, nullptr, true},
        {"network edition key with a local InstallDir", true, true, L"C:\\Program Files\\Korvel", true},
        {"first server, upper case", false, true, L"\\\\KVFS01\\Apps\\Cartoline", true},
        {"second server", false, true, L"\\\\kvmaps\\cartoline", true},
        {"server further in", false, true, L"D:\\mirror\\\\kvfs01\\Apps", false},
        {"local folder", false, true, L"C:\\Program Files\\Korvel\\Cartoline", false},
        {"empty value", false, true, L"", false},
        {"no value", false, true, nullptr, false},
    };
    for (const auto& r : rows) {
        RemoveKorvelKeys();
        if (r.networkKey) MakeKey(kNetworkKey);
        if (r.productsKey) MakeKey(kProductsKey);
        if (r.installDir) SetValue(kProductsKey, L"InstallDir", r.installDir);
        EXPECT_EQ(IsInternalNetworkUser(), r.internal) << r.what;
    }
    RemoveKorvelKeys();
}

TEST(IsTestMode, RealRegistry) {
    const wchar_t* const key = L"SOFTWARE\\Korvel\\TestModeKey";
    RemoveKorvelKeys();
    EXPECT_FALSE(IsTestMode()) << "no key";
    kit::CreateKey(HKEY_CURRENT_USER, key);
    EXPECT_FALSE(IsTestMode()) << "the key under the current user";
    kit::DeleteKeyTree(HKEY_CURRENT_USER, L"SOFTWARE\\Korvel");
    MakeKey(key);
    EXPECT_TRUE(IsTestMode()) << "empty key";
    SetValue(key, L"Anything", L"0");
    MakeKey(std::wstring(key) + L"\\Sub");
    EXPECT_TRUE(IsTestMode()) << "key with a value and a sub-key";
    RemoveKorvelKeys();
    EXPECT_FALSE(IsTestMode()) << "key removed";
}

// On 64-bit Windows a 32-bit process reads HKLM\Software through Wow6432Node: keys of the
// 64-bit view do not count, and what this process writes lands in Wow6432Node.
TEST(RegistryView, ThirtyTwoBitViewOn64BitPrefixes) {
    if (!kit::Is64BitPrefix()) GTEST_SKIP() << "one registry view only";
    RemoveKorvelKeys();
    MakeKey(L"SOFTWARE\\Korvel\\TestModeKey", KEY_WOW64_64KEY);
    MakeKey(kNetworkKey, KEY_WOW64_64KEY);
    EXPECT_FALSE(IsTestMode());
    EXPECT_FALSE(IsInternalNetworkUser());
    RemoveKorvelKeys();
    MakeKey(L"SOFTWARE\\Korvel\\TestModeKey");
    EXPECT_TRUE(IsTestMode());
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\Korvel\\TestModeKey", 0,
                            KEY_READ | KEY_WOW64_64KEY, &key),
              ERROR_SUCCESS);
    if (key) RegCloseKey(key);
    RemoveKorvelKeys();
}

}  // namespace
