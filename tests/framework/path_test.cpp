// The rule for a name read from a file and joined to the medium's folder.
#include "framework/path.h"

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <utility>

namespace {

TEST(NameBelowFolder, OnlyRelativeNamesThatStayBelowTheFolder) {
    // Dots inside a name, a part beginning with two, a device name's letters in a longer name.
    const wchar_t* below[] = {L"Setup_DEU.msi", L"DEU\\KorvelEULA.txt", L"DEU/Bkgnd.bmp", L"a b\\..c\\x.y.z",
                              L"CONSOLE.txt", L"COM10"};
    // "...": Windows drops the trailing dots, which leaves ".." of the folder above.
    const wchar_t* refused[] = {
        L"", L"..\\pwnd\\x.msi", L"DEU\\..\\..\\x.msi", L"../x.msi", L"DEU\\.\\x.msi", L"..", L"...\\x.msi",
        L". .\\x.msi", L".. \\x.msi", L"x.msi.", L"x.msi ", L"DEU\\\\x.msi", L"DEU\\", L"\\x.msi", L"/x.msi",
        L"\\\\host\\share\\x.msi", L"\\\\?\\C:\\x.msi", L"C:\\x.msi", L"C:x.msi", L"x.msi:stream", L"x.msi::$DATA",
        L"CON", L"nul.txt", L"DEU\\aux", L"PRN .txt", L"COM1.msi", L"lpt9", L"COM0", L"LPT\u00B9.txt", L"CONIN$",
        L"conout$.x", L"x*.msi", L"x?.msi", L"\"x.msi\"", L"x<y>.msi", L"x|y.msi", L"x\ty.msi", L"x\r\n.msi"};
    for (const auto& [names, isBelow] : {std::pair(std::span<const wchar_t* const>(below), true),
                                         std::pair(std::span<const wchar_t* const>(refused), false)}) {
        for (const std::wstring name : names) {
            EXPECT_EQ(fw::IsNameBelowFolder(name), isBelow) << testing::PrintToString(name);
            EXPECT_EQ(fw::JoinBelow(L"D:\\medium\\", name), isBelow ? L"D:\\medium\\" + name : L"")
                << testing::PrintToString(name);
        }
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
