// DLLs planted beside setup.exe under the names of system DLLs it loads are never loaded,
// through start-up, both pages and the installation. Wine is told to prefer a native copy of
// each, so a search that reached the medium's folder would take the planted one.
#include <gtest/gtest.h>

#include "tests/pages/page_test_kit.h"

namespace {

TEST(PlantedDlls, NeverLoaded) {
    kit::Process setup = pages::StartSetup(pages::Medium(L"planted"));
    // A screen reader's request loads the accessibility library, which answers it.
    HWND main = pages::WaitForReadyMainPage(setup);
    ASSERT_NE(main, nullptr);
    EXPECT_NE(SendMessageW(GetDlgItem(main, kit::kNextItem), WM_GETOBJECT, 0, OBJID_CLIENT), 0);
    // The installation loads the installer library to open the product package, which this
    // medium lacks: the setup says so and ends.
    pages::AcceptAndInstall(setup);
    HWND box = kit::WaitForMessageBox(setup.id(), 60000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(kit::MessageBoxText(box).rfind(L"C:\\media\\planted\\Setup_ENU.msi is missing", 0), 0u);
    kit::PressButton(box, IDOK);
    EXPECT_EQ(setup.Wait(30000), 0u);
    for (const wchar_t* name : {L"msi", L"uxtheme", L"dwmapi", L"comctl32", L"userenv", L"oleacc"}) {
        EXPECT_FALSE(kit::FileExists(std::wstring(L"C:\\planted-") + name + L".dll.txt")) << name;
    }
}

}  // namespace
