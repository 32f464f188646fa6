// Windows before Windows 2000 is refused before anything else runs (no page is ever created);
// Windows 2000 passes.
#include <gtest/gtest.h>

#include "tests/pages/page_test_kit.h"

namespace {

TEST(SupportedWindows, OlderThanWindows2000IsRefused) {
    kit::Process setup = pages::StartSetup(pages::Medium(L"standard"));
    if (kit::RigVersion() == "win2k") {
        HWND main = pages::WaitForReadyMainPage(setup);
        ASSERT_NE(main, nullptr);
        pages::ExitWithYes(main, setup);
        return;
    }
    HWND box = kit::WaitForMessageBox(setup.id(), 30000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(kit::MessageBoxText(box), L"This is an unsupported OS version.  Windows 2000 or later is required.");
    wchar_t caption[64] = {};
    GetWindowTextW(box, caption, 64);
    EXPECT_STREQ(caption, L"setup");
    for (HWND window : kit::TopLevelWindows(setup.id()))
        if (kit::ClassOf(window) == L"#32770") EXPECT_EQ(window, box) << "a page exists beside the refusal";
    kit::PressButton(box, IDOK);
    EXPECT_EQ(setup.Wait(15000), 1u);
}

}  // namespace
