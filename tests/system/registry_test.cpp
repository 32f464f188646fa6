#include "system/registry.h"

#include <gtest/gtest.h>

#include "tests/kit/key_security.h"
#include "tests/kit/kit.h"

namespace {

constexpr wchar_t kBase[] = L"Software\\KorvelRegistryTest";

std::wstring Under(const std::wstring& name) { return std::wstring(kBase) + L"\\" + name; }

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) kit::DeleteKeyTree(root, kBase);
    }
    void TearDown() override { SetUp(); }
};

// What a key created by CreateSecuredRegistryKey holds.
const std::vector<kit::AceEntry> kSecured = {
    kit::AllowedInherited(L"S-1-1-0", KEY_READ),
    kit::AllowedInherited(L"S-1-5-32-544", KEY_ALL_ACCESS),
};

TEST_F(RegistryTest, ReadRegistryStringUpTo149Characters) {
    kit::CreateKey(HKEY_CURRENT_USER, kBase);
    const struct {
        const char* what;
        size_t length;  // SIZE_MAX: no such value
        bool readable;
    } rows[] = {
        {"empty text", 0, true},
        {"one character", 1, true},
        {"148 characters", 148, true},
        {"149 characters fill the 300-byte buffer", 149, true},
        {"150 characters do not fit", 150, false},
        {"long text", 1000, false},
        {"missing value", SIZE_MAX, false},
    };
    for (const auto& row : rows) {
        std::wstring text;
        for (size_t i = 0; row.length != SIZE_MAX && i < row.length; ++i) text += static_cast<wchar_t>(L'a' + i % 26);
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kBase, L"Value");
        if (row.length != SIZE_MAX) kit::SetString(HKEY_CURRENT_USER, kBase, L"Value", text);

        std::wstring read = L"stale";
        EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kBase, L"Value", &read), row.readable) << row.what;
        EXPECT_EQ(read, row.readable ? text : L"") << row.what;
    }
}

TEST_F(RegistryTest, ReadRegistryStringOfAMissingKeyGivesEmpty) {
    std::wstring read = L"stale";
    EXPECT_FALSE(ReadRegistryString(HKEY_CURRENT_USER, Under(L"Missing"), L"Value", &read));
    EXPECT_EQ(read, L"");
    EXPECT_FALSE(kit::KeyExists(HKEY_CURRENT_USER, Under(L"Missing")));
}

TEST_F(RegistryTest, WriteRegistryStringStoresTextWithTerminator) {
    kit::CreateKey(HKEY_LOCAL_MACHINE, kBase);
    for (const std::wstring& text : {std::wstring(L"C:\\Korvel"), std::wstring(), std::wstring(400, L'x')}) {
        ASSERT_TRUE(WriteRegistryString(HKEY_LOCAL_MACHINE, kBase, L"InstallDir", text));
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kBase, 0, KEY_READ, &key), ERROR_SUCCESS);
        DWORD type = 0, bytes = 0;
        EXPECT_EQ(RegQueryValueExW(key, L"InstallDir", nullptr, &type, nullptr, &bytes), ERROR_SUCCESS);
        RegCloseKey(key);
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(bytes, (text.size() + 1) * 2);
        std::wstring read;
        EXPECT_TRUE(kit::GetString(HKEY_LOCAL_MACHINE, kBase, L"InstallDir", &read));
        EXPECT_EQ(read, text);
    }
}

TEST_F(RegistryTest, WriteRegistryStringIntoAMissingKeyCreatesNothing) {
    const std::wstring missing = Under(L"Missing\\Deeper");
    EXPECT_FALSE(WriteRegistryString(HKEY_LOCAL_MACHINE, missing, L"InstallDir", L"C:\\Korvel"));
    EXPECT_FALSE(kit::KeyExists(HKEY_LOCAL_MACHINE, missing));
    EXPECT_FALSE(kit::KeyExists(HKEY_LOCAL_MACHINE, kBase));
}

TEST_F(RegistryTest, RegistryKeyReplacesTheHandleOnlyOnSuccess) {
    kit::CreateKey(HKEY_CURRENT_USER, Under(L"First"));
    kit::SetString(HKEY_CURRENT_USER, Under(L"First"), L"Name", L"first");
    RegistryKey key;
    EXPECT_FALSE(key);
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, Under(L"First"), KEY_READ), ERROR_SUCCESS);
    const HKEY held = key.get();
    EXPECT_EQ(key.Open(HKEY_CURRENT_USER, Under(L"Missing"), KEY_READ), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key.get(), held);

    wchar_t text[32] = {};
    DWORD bytes = sizeof text;
    DWORD type = 0;
    EXPECT_EQ(key.QueryValue(L"Name", &type, reinterpret_cast<BYTE*>(text), &bytes), ERROR_SUCCESS);
    EXPECT_STREQ(text, L"first");

    EXPECT_EQ(key.Close(), ERROR_SUCCESS);
    EXPECT_EQ(key.get(), nullptr);
    EXPECT_EQ(key.Close(), ERROR_SUCCESS);
}

TEST_F(RegistryTest, SetStringValueRefusesNull) {
    RegistryKey key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kBase, KEY_READ | KEY_WRITE, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(key.SetStringValue(L"Name", nullptr), ERROR_INVALID_DATA);
    std::wstring read;
    EXPECT_FALSE(kit::GetString(HKEY_CURRENT_USER, kBase, L"Name", &read));
}

TEST_F(RegistryTest, CreateSecuredRegistryKeyGivesANewKeyTheTwoEntries) {
    const struct {
        HKEY root;
        const wchar_t* name;
        const wchar_t* named;  // the same key for GetNamedSecurityInfoW, when not redirected
    } rows[] = {
        {HKEY_CURRENT_USER, L"User", L"CURRENT_USER\\Software\\KorvelRegistryTest\\User"},
        {HKEY_LOCAL_MACHINE, L"Machine", nullptr},
    };
    for (const auto& row : rows) {
        kit::CreateKey(row.root, kBase);
        const std::wstring path = Under(row.name);
        ASSERT_TRUE(CreateSecuredRegistryKey(row.root, path));
        EXPECT_TRUE(kit::KeyExists(row.root, path));
        std::vector<kit::AceEntry> entries;
        ASSERT_TRUE(kit::ReadKeyDacl(row.root, path, &entries));
        EXPECT_EQ(entries, kSecured);
        if (row.named) {
            ASSERT_TRUE(kit::ReadNamedKeyDacl(row.named, &entries));
            EXPECT_EQ(entries, kSecured);
        }
    }
}

TEST_F(RegistryTest, CreateSecuredRegistryKeyKeepsAnExistingKeysList) {
    const std::wstring path = Under(L"Existing");
    kit::CreateKey(HKEY_LOCAL_MACHINE, path);
    ASSERT_TRUE(kit::SetKeyDaclSddl(HKEY_LOCAL_MACHINE, path, L"D:(A;;KA;;;WD)(A;;KR;;;BU)"));
    std::vector<kit::AceEntry> before;
    ASSERT_TRUE(kit::ReadKeyDacl(HKEY_LOCAL_MACHINE, path, &before));
    ASSERT_EQ(before.size(), 2u);

    EXPECT_TRUE(CreateSecuredRegistryKey(HKEY_LOCAL_MACHINE, path));
    std::vector<kit::AceEntry> after;
    ASSERT_TRUE(kit::ReadKeyDacl(HKEY_LOCAL_MACHINE, path, &after));
    EXPECT_EQ(after, before);
    EXPECT_NE(after, kSecured);
}

TEST_F(RegistryTest, CreateSecuredRegistryKeyCreatesMissingParents) {
    const std::wstring path = Under(L"Parent\\Child");
    ASSERT_TRUE(CreateSecuredRegistryKey(HKEY_LOCAL_MACHINE, path));
    std::vector<kit::AceEntry> entries;
    ASSERT_TRUE(kit::ReadKeyDacl(HKEY_LOCAL_MACHINE, path, &entries));
    EXPECT_EQ(entries, kSecured);
}

}  // namespace
