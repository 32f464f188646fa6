#include "app/setup_data.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "framework/guid.h"
#include "tests/kit/kit.h"

namespace {

// The bytes of a setup.dat: code padded to 36 units, number text padded to 20 units.
std::string Layout(const std::wstring& code, const std::wstring& number, const std::wstring& name,
                   wchar_t numberPad = L' ') {
    std::wstring units = code;
    units.resize(36, L' ');
    std::wstring field = number;
    field.resize(20, numberPad);
    units += field;
    units += name;
    return std::string(reinterpret_cast<const char*>(units.data()), units.size() * 2);
}

ProductSetupData Parse(const std::string& bytes) {
    return ParseSetupData(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

constexpr wchar_t kCode[] = L"8A6C1D2E-3F40-4B5C-9D6E-7F8091A2B3C4";

struct NumberCase {
    const char* what;
    std::wstring field;
    bool readable;
    uint64_t value;
};

TEST(RequiredSpaceField, ReadsLikeAWideStream) {
    const NumberCase cases[] = {
        {"digits then spaces", L"104857600           ", true, 104857600},
        {"digits then NUL units", std::wstring(L"104857600") + std::wstring(11, L'\0'), true, 104857600},
        {"leading white space", L"   52428800" + std::wstring(9, L'\0'), true, 52428800},
        {"tab, CR, LF, VT, FF skipped", L"\t\r\n\v\f42", true, 42},
        {"commas end the number", L"52,428,800", true, 52},
        {"plus sign", L"+1000", true, 1000},
        {"minus negates modulo 2^64", L"-1", true, UINT64_MAX},
        {"largest value", L"18446744073709551615", true, UINT64_MAX},
        {"one above the largest", L"18446744073709551616", false, 0},
        {"no digit", L"    abc", false, 0},
        {"sign alone", L"+", false, 0},
        {"all NUL", std::wstring(20, L'\0'), false, 0},
        {"NUL before the digits is not white space", std::wstring(1, L'\0') + L"5", false, 0},
        {"letter ends the number", L"12MB", true, 12},
    };
    for (const NumberCase& c : cases) {
        uint64_t value = 0;
        EXPECT_EQ(ParseRequiredSpace(c.field, &value), c.readable) << c.what;
        if (c.readable) {
            EXPECT_EQ(value, c.value) << c.what;
        }
    }
}

TEST(SetupDataLayout, FieldsByPosition) {
    ProductSetupData d = Parse(Layout(kCode, L"104857600", L"Example Maps"));
    EXPECT_EQ(d.productCode, kCode);
    EXPECT_EQ(d.requiredSpaceBytes, 104857600u);
    EXPECT_EQ(d.productName, L"Example Maps");
}

TEST(SetupDataLayout, NameEndsAtNulOrEndOfData) {
    EXPECT_EQ(Parse(Layout(kCode, L"1", L"Example Maps\r\n")).productName, L"Example Maps\r\n");
    EXPECT_EQ(Parse(Layout(kCode, L"1", std::wstring(L"Example\0Rest", 12))).productName, L"Example");
    EXPECT_EQ(Parse(Layout(kCode, L"1", L"  padded  ")).productName, L"  padded  ");

    ProductSetupData noName = Parse(Layout(kCode, L"3000", L""));
    ASSERT_EQ(Layout(kCode, L"3000", L"").size(), 112u);
    EXPECT_EQ(noName.productName, L"");
    EXPECT_EQ(noName.productCode, kCode);
    EXPECT_EQ(noName.requiredSpaceBytes, 3000u);
}

// The code goes into an elevated msiexec command line: only a GUID's registry form is taken.
TEST(SetupDataLayout, ProductCodeOnlyInGuidForm) {
    struct Row {
        const char* what;
        std::wstring field;  // 36 units
        bool taken;
    } rows[] = {
        {"upper case", kCode, true},
        {"lower case", L"8a6c1d2e-3f40-4b5c-9d6e-7f8091a2b3c4", true},
        {"quotation mark and switches", L"{x}\" /i \\\\host\\x.msi /qn            ", false},
        {"quotation mark in place of a digit", L"8A6C1D2E-3F40-4B5C-9D6E-7F8091A2B3C\"", false},
        {"blanks", std::wstring(36, L' '), false},
        {"NUL inside", std::wstring(L"8A6C1D2E-3F40-4B5C-9D6E-7F8091A2B3C") + L'\0', false},
        {"line break", L"8A6C1D2E-3F40-4B5C-9D6E-7F8091A2\r\nC4", false},
        {"braces within the 36 units", L"{8A6C1D2E-3F40-4B5C-9D6E-7F8091A2B3}", false},
        {"hyphen out of place", L"8A6C1D2E3-F40-4B5C-9D6E-7F8091A2B3C4", false},
        // One fault each, every other unit right.
        {"hyphen in place of a digit", L"8A6C1D2E-3F40-4B5C-9D6E-7F8091A2B3-4", false},
        {"digit in place of the first hyphen", L"8A6C1D2EA3F40-4B5C-9D6E-7F8091A2B3C4", false},
        {"digit in place of the second hyphen", L"8A6C1D2E-3F40A4B5C-9D6E-7F8091A2B3C4", false},
        {"digit in place of the third hyphen", L"8A6C1D2E-3F40-4B5CA9D6E-7F8091A2B3C4", false},
        {"digit in place of the fourth hyphen", L"8A6C1D2E-3F40-4B5C-9D6EA7F8091A2B3C4", false},
        {"letter past F", L"8A6C1D2E-3F40-4B5C-9D6E-7F8091A2B3CG", false},
        {"full-width digit", L"8A6C1D2E-3F40-4B5C-9D6E-7F8091A2B3C\xFF14", false},
    };
    for (const Row& row : rows) {
        ASSERT_EQ(row.field.size(), 36u) << row.what;
        EXPECT_EQ(fw::IsGuidForm(row.field), row.taken) << row.what;
        ProductSetupData d = Parse(Layout(row.field, L"1", L"x"));
        EXPECT_EQ(d.productCode, row.taken ? row.field : L"") << row.what;
        EXPECT_EQ(d.productCodeRefused, !row.taken) << row.what;
        // The rest of the record is read all the same.
        EXPECT_EQ(d.requiredSpaceBytes, 1u) << row.what;
        EXPECT_EQ(d.productName, L"x") << row.what;
    }
    EXPECT_FALSE(fw::IsGuidForm(L"{8A6C1D2E-3F40-4B5C-9D6E-7F8091A2B3C4}"));
    EXPECT_FALSE(fw::IsGuidForm(L""));
}

TEST(SetupDataLayout, UnreadableNumberKeepsDefault) {
    EXPECT_EQ(Parse(Layout(kCode, L"none", L"x")).requiredSpaceBytes, kDefaultRequiredSpaceBytes);
    EXPECT_EQ(Parse(Layout(kCode, L"99999999999999999999", L"x")).requiredSpaceBytes, kDefaultRequiredSpaceBytes);
}

TEST(SetupDataLayout, ShortAndOddFilesKeepDefaultsForWhatIsMissing) {
    std::string full = Layout(kCode, L"777", L"Name");
    // Not even a whole code: everything default.
    ProductSetupData tiny = Parse(full.substr(0, 71));
    EXPECT_EQ(tiny.productCode, L"");
    EXPECT_EQ(tiny.requiredSpaceBytes, kDefaultRequiredSpaceBytes);
    EXPECT_EQ(tiny.productName, L"");
    // The code but only part of the number field.
    ProductSetupData partial = Parse(full.substr(0, 100));
    EXPECT_EQ(partial.productCode, kCode);
    EXPECT_EQ(partial.requiredSpaceBytes, kDefaultRequiredSpaceBytes);
    // An odd length: the last byte belongs to no unit.
    ProductSetupData odd = Parse(full.substr(0, 112 + 5));
    EXPECT_EQ(odd.productName, L"Na");
    EXPECT_EQ(odd.requiredSpaceBytes, 777u);
    EXPECT_EQ(Parse(std::string()).productCode, L"");
}

TEST(SetupDataLayout, RandomBytesNeverReadPastTheData) {
    // Each input lies at the very end of a committed page followed by a reserved, inaccessible
    // page: any read past the data faults.
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const size_t page = info.dwPageSize;
    auto* region = static_cast<unsigned char*>(VirtualAlloc(nullptr, page * 2, MEM_RESERVE, PAGE_NOACCESS));
    ASSERT_NE(region, nullptr);
    ASSERT_NE(VirtualAlloc(region, page, MEM_COMMIT, PAGE_READWRITE), nullptr);

    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> lengthOf(0, 400);
    std::uniform_int_distribution<int> byteOf(0, 255);
    std::uniform_int_distribution<int> styleOf(0, 3);
    for (int round = 0; round < 20000; ++round) {
        const size_t length = static_cast<size_t>(lengthOf(random));
        unsigned char* data = region + page - length;
        const int style = styleOf(random);
        for (size_t i = 0; i < length; ++i) {
            int b = byteOf(random);
            // Mix in digits, white space, signs and NULs so the number rules get exercised.
            if (style == 1 && (i & 1) == 0) b = "0123456789 +-\t"[b % 14];
            if (style == 2 && (i & 1) == 1) b = 0;
            if (style == 3 && b < 64) b = 0;
            data[i] = static_cast<unsigned char>(b);
        }
        ProductSetupData d = ParseSetupData(data, length);
        ASSERT_TRUE(d.productCode.empty() || d.productCode.size() == 36) << "round " << round;
        ASSERT_LE(d.productName.size(), length / 2) << "round " << round;
        if (length < 112) {
            ASSERT_TRUE(d.productName.empty()) << "round " << round;
        }
    }
    VirtualFree(region, 0, MEM_RELEASE);
}

TEST(SetupDataFile, MissingFileGivesDefaults) {
    kit::TempFolder folder;
    ProductSetupData d = ReadSetupDataFrom(folder.path());
    EXPECT_EQ(d.productCode, L"");
    EXPECT_EQ(d.requiredSpaceBytes, 52428800u);
    EXPECT_EQ(d.productName, L"");
}

TEST(SetupDataFile, ReadsTheFileBesideTheProgram) {
    kit::TempFolder folder;
    kit::WriteBytes(folder / L"setup.dat", Layout(kCode, L"   52428800", L"Example Maps\r\n", L'\0'));
    ProductSetupData d = ReadSetupDataFrom(folder.path());
    EXPECT_EQ(d.productCode, kCode);
    EXPECT_EQ(d.requiredSpaceBytes, 52428800u);
    EXPECT_EQ(d.productName, L"Example Maps\r\n");
}

// Only a file that does not exist is absent: one that exists and does not read keeps the
// defaults but says so, with the system's error.
TEST(SetupDataFile, AFileThatDoesNotReadIsNoMissingOne) {
    struct Row {
        const char* what;
        bool folder;      // a folder named setup.dat
        bool locked;      // a file open without read sharing
        DWORD error;      // 0: any error but none
    } rows[] = {
        {"missing", false, false, ERROR_SUCCESS},
        {"sharing violation", false, true, ERROR_SHARING_VIOLATION},
        {"a folder of that name", true, false, ERROR_ACCESS_DENIED},
    };
    for (const Row& row : rows) {
        kit::TempFolder folder;
        const std::wstring path = folder / L"setup.dat";
        HANDLE exclusive = INVALID_HANDLE_VALUE;
        if (row.folder) ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr)) << row.what;
        if (row.locked) {
            kit::WriteBytes(path, Layout(kCode, L"1", L"Locked"));
            exclusive = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(exclusive, INVALID_HANDLE_VALUE) << row.what;
        }
        ProductSetupData d = ReadSetupDataFrom(folder.path());
        if (exclusive != INVALID_HANDLE_VALUE) CloseHandle(exclusive);
        EXPECT_EQ(d.readError, row.error) << row.what;
        EXPECT_EQ(d.productCode, L"") << row.what;
        EXPECT_EQ(d.requiredSpaceBytes, kDefaultRequiredSpaceBytes) << row.what;
        EXPECT_EQ(d.productName, L"") << row.what;
    }
}

}  // namespace
