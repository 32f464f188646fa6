// With German as the user's language a satellite library beside setup.exe supplies the texts,
// the language folder and its bitmap.
#include <gtest/gtest.h>

#include "tests/pages/page_test_kit.h"

namespace {

// The colour of the page's top-left client pixel: the bitmap's frame, stretched.
COLORREF FrameColour(HWND page) {
    POINT corner{1, 1};
    ClientToScreen(page, &corner);
    HDC screen = GetDC(nullptr);
    COLORREF colour = GetPixel(screen, corner.x, corner.y);
    ReleaseDC(nullptr, screen);
    return colour;
}

TEST(German, SatelliteTextsAndBitmap) {
    kit::Process setup = pages::StartSetup(pages::Medium(L"german"));
    HWND main = pages::WaitForReadyMainPage(setup);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(kit::ItemText(main, kit::kTextItem), L"Example Maps Installation");
    EXPECT_EQ(kit::ItemText(main, kit::kNextItem), L"Weiter");
    EXPECT_EQ(kit::TextOf(main), L"Cartoline Produktinstallation");
    EXPECT_EQ(FrameColour(main), RGB(0x80, 0x20, 0x20));
    kit::ClickItem(main, kit::kNextItem);
    HWND license = kit::WaitForLicensePage(setup.id());
    ASSERT_NE(license, nullptr);
    EXPECT_EQ(kit::TextOf(GetDlgItem(license, kit::kLicenseText)),
              L"ALLGEMEIN\r\n\r\n\r\n" + std::wstring(52, L'=') + L"\r\nDATEN");
    setup.Kill();
}

TEST(German, EnglishBitmapWhenTheLanguageFolderHasNone) {
    kit::Process setup = pages::StartSetup(pages::Medium(L"germannobitmap"));
    HWND main = pages::WaitForReadyMainPage(setup);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(FrameColour(main), RGB(0x2a, 0x3f, 0x55));
    setup.Kill();
}

// A satellite older than setup.exe lacks newer entries (the title format, the package refusals):
// those come from setup.exe's English table, so a refusal still shows its box.
TEST(German, EntriesTheSatelliteLacksComeInEnglish) {
    kit::Process setup = pages::StartSetup(pages::Medium(L"notitleformat"));
    HWND main = pages::WaitForReadyMainPage(setup);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(kit::ItemText(main, kit::kTextItem), L"Example Maps Setup");
    EXPECT_EQ(kit::ItemText(main, kit::kNextItem), L"Weiter");
    // The medium holds no product package.
    pages::AcceptAndInstall(setup);
    HWND box = kit::WaitForMessageBox(setup.id(), 30000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(kit::MessageBoxText(box), L"C:\\media\\notitleformat\\Setup_ENU.msi is missing from the installation "
                                        L"medium. Nothing was changed on this computer.");
    kit::PressButton(box, IDOK);
    EXPECT_EQ(setup.Wait(15000), 0u);
}

TEST(German, PageThatCannotBeMadeEndsStartUpWithExitCodeOne) {
    kit::Process setup = pages::StartSetup(pages::Medium(L"brokenpage"));
    bool windowShown = false;
    kit::WaitUntil([&] {
        for (HWND window : kit::TopLevelWindows(setup.id())) windowShown = windowShown || IsWindowVisible(window);
        return !setup.Running();
    }, 30000, 5);
    EXPECT_EQ(setup.Wait(0), 1u);
    EXPECT_FALSE(windowShown);
}

}  // namespace
