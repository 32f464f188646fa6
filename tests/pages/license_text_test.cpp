// Reading and joining the license texts, and the main page's title, without windows.
#include <gtest/gtest.h>

#include "pages/license_page.h"
#include "pages/main_page.h"
#include "tests/kit/kit.h"

namespace {

const std::wstring kSeparator = L"\r\n\r\n\r\n" + std::wstring(52, L'=') + L"\r\n";

TEST(LicenseText, JoinedWithTheSeparatorOnlyAfterAGeneralText) {
    EXPECT_EQ(kSeparator.size(), 60u);
    EXPECT_EQ(JoinLicenseTexts(L"G", L"D"), L"G" + kSeparator + L"D");
    EXPECT_EQ(JoinLicenseTexts(L"", L"D"), L"D");
    EXPECT_EQ(JoinLicenseTexts(L"G", L""), L"G" + kSeparator);
}

TEST(LicenseText, BytesAfterTheMarkUpToNulOrTheEnd) {
    struct Row {
        std::string bytes;
        std::wstring text;
    } rows[] = {
        {std::string("\xFF\xFE" "A\0B\0", 6), L"AB"},
        {std::string("\xFF\xFE" "A\0\0\0B\0", 8), L"A"},  // a NUL unit ends the text
        {std::string("\xFF\xFE" "A\0B", 5), L"A"},        // an odd last byte is no character
        {std::string("\xFF\xFE", 2), L""},
        {std::string("A\0B\0", 4), L"B"},                  // no mark: the first character is lost
    };
    for (const Row& row : rows) {
        EXPECT_EQ(LicenseTextFromBytes(reinterpret_cast<const unsigned char*>(row.bytes.data()), row.bytes.size()),
                  row.text);
    }
}

TEST(LicenseText, FilesAndTheirErrors) {
    kit::TempFolder folder;
    std::wstring text;
    fw::FileError error;
    kit::WriteUtf16(folder / L"a.txt", L"Terms\r\nMore", true);
    EXPECT_TRUE(CEulaDlg::ReadUnicodeTextFile(folder / L"a.txt", &text, &error));
    EXPECT_EQ(text, L"Terms\r\nMore");

    EXPECT_FALSE(CEulaDlg::ReadUnicodeTextFile(folder / L"missing.txt", &text, &error));
    EXPECT_EQ(error.cause(), fw::FileError::FileNotFound);
    EXPECT_EQ(error.Message(), folder / L"missing.txt was not found.");
    EXPECT_FALSE(CEulaDlg::ReadUnicodeTextFile(folder / L"ENU\\missing.txt", &text, &error));
    EXPECT_EQ(error.Message(), folder / L"ENU\\missing.txt contains an incorrect path.");
}

TEST(LicenseText, AHugeFileIsReadOnlyInPart) {
    // 17 MiB of text: more than any license, and the read stops at 16 MiB.
    kit::TempFolder folder;
    std::string bytes = "\xFF\xFE";
    bytes.append(17u << 20, 'A');
    for (size_t i = 3; i < bytes.size(); i += 2) bytes[i] = '\0';
    kit::WriteBytes(folder / L"huge.txt", bytes);
    std::wstring text;
    fw::FileError error;
    ASSERT_TRUE(CEulaDlg::ReadUnicodeTextFile(folder / L"huge.txt", &text, &error));
    EXPECT_EQ(text.size(), ((16u << 20) - 2) / 2);
    EXPECT_EQ(text.front(), L'A');
}

TEST(MainPageTitle, NameInTheFormat) {
    EXPECT_EQ(MainPageTitle(L"%s Setup", L"Example Maps"), L"Example Maps Setup");
    EXPECT_EQ(MainPageTitle(L"%s Setup", L""), L"");
    EXPECT_EQ(MainPageTitle(L"", L"Example Maps"), L"");        // no format in the table
    EXPECT_EQ(MainPageTitle(L"Installation", L"Example Maps"), L"");
    EXPECT_EQ(MainPageTitle(L"Setup of %s", L"100% Maps"), L"Setup of 100% Maps");
}

}  // namespace
