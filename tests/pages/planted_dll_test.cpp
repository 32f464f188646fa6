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
    pages::AcceptAndInstall(setup);  // the installation loads the installer library
    EXPECT_EQ(pages::FinishInstallation(setup), 0u);
    for (const wchar_t* name : {L"msi", L"uxtheme", L"dwmapi", L"comctl32", L"userenv", L"oleacc"}) {
        EXPECT_FALSE(kit::FileExists(std::wstring(L"C:\\planted-") + name + L".dll.txt")) << name;
    }
}

}  // namespace
