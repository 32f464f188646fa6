// The rule for a name read from a file and joined to the medium's folder.
#include "framework/path.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(NameBelowFolder, OnlyRelativeNamesThatStayBelowTheFolder) {
    struct Row {
        const wchar_t* name;
        bool below;
    } rows[] = {
        {L"Setup_DEU.msi", true},
        {L"DEU\\KorvelEULA.txt", true},
        {L"DEU/Bkgnd.bmp", true},
        {L"a b\\..c\\x.y.z", true},   // dots inside a name, a part beginning with two
        {L"CONSOLE.txt", true},       // a device name's letters inside a longer name
        {L"COM10", true},
        {L"", false},
        {L"..\\pwnd\\x.msi", false},
        {L"DEU\\..\\..\\x.msi", false},
        {L"../x.msi", false},
        {L"DEU\\.\\x.msi", false},
        {L"..", false},
        {L"...\\x.msi", false},       // Windows drops the trailing dots: ".." of the folder above
        {L". .\\x.msi", false},
        {L".. \\x.msi", false},
        {L"x.msi.", false},
        {L"x.msi ", false},
        {L"DEU\\\\x.msi", false},     // an empty part
        {L"DEU\\", false},
        {L"\\x.msi", false},
        {L"/x.msi", false},
        {L"\\\\host\\share\\x.msi", false},
        {L"\\\\?\\C:\\x.msi", false},
        {L"C:\\x.msi", false},
        {L"C:x.msi", false},
        {L"x.msi:stream", false},
        {L"x.msi::$DATA", false},
        {L"CON", false},
        {L"nul.txt", false},
        {L"DEU\\aux", false},
        {L"PRN .txt", false},
        {L"COM1.msi", false},
        {L"lpt9", false},
        {L"COM0", false},
        {L"LPT\u00B9.txt", false},
        {L"CONIN$", false},
        {L"conout$.x", false},
        {L"x*.msi", false},
        {L"x?.msi", false},
        {L"\"x.msi\"", false},
        {L"x<y>.msi", false},
        {L"x|y.msi", false},
        {L"x\ty.msi", false},
        {L"x\r\n.msi", false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(fw::IsNameBelowFolder(row.name), row.below) << testing::PrintToString(std::wstring(row.name));
        EXPECT_EQ(fw::JoinBelow(L"D:\\medium\\", row.name), row.below ? L"D:\\medium\\" + std::wstring(row.name) : L"")
            << testing::PrintToString(std::wstring(row.name));
    }
    // A NUL unit inside the name ends nothing early.
    EXPECT_FALSE(fw::IsNameBelowFolder(std::wstring(L"x.msi\0..\\y", 10)));
}

TEST(NameBelowFolder, JoinedOnceWithASeparatorAndShorterThanMaxPath) {
    EXPECT_EQ(fw::JoinBelow(L"D:\\medium", L"x.msi"), L"D:\\medium\\x.msi");
    EXPECT_EQ(fw::JoinBelow(L"D:\\medium/", L"x.msi"), L"D:\\medium/x.msi");
    const std::wstring folder = L"D:\\";  // 3 units
    EXPECT_EQ(fw::JoinBelow(folder, std::wstring(256, L'a')).size(), 259u);
    EXPECT_EQ(fw::JoinBelow(folder, std::wstring(257, L'a')), L"");
}

}  // namespace
