// Start-up of setup.exe from a medium: one instance, internal users, the companion launcher,
// the hidden license page, the end through "Exit".
#include <gtest/gtest.h>

#include "tests/pages/page_test_kit.h"

namespace {

using pages::Medium;
using pages::StartSetup;

const std::wstring kNetworkKey = L"SOFTWARE\\Korvel\\Cartoline (Network)";
const std::wstring kSeparator = L"\r\n\r\n\r\n" + std::wstring(52, L'=') + L"\r\n";

TEST(Startup, SecondCopyEndsAtOnceWithoutWindowOrMessage) {
    kit::Process first = StartSetup(Medium(L"standard"));
    ASSERT_NE(pages::WaitForReadyMainPage(first), nullptr);
    kit::Process second = StartSetup(Medium(L"standard"));
    // Watched while it runs: a window or message box would show up here (a box would also
    // keep it running).
    size_t windowsSeen = 0;
    while (second.Running()) {
        for (HWND window : kit::TopLevelWindows(second.id()))
            if (IsWindowVisible(window)) ++windowsSeen;
        Sleep(2);
    }
    EXPECT_EQ(second.Wait(15000), 0u);
    EXPECT_EQ(windowsSeen, 0u);
    EXPECT_EQ(kit::FindMessageBox(first.id()), nullptr);
    EXPECT_TRUE(first.Running());
}

TEST(Startup, InternalNetworkUserIsRefusedBeforeAnyPage) {
    kit::CreateKey(HKEY_LOCAL_MACHINE, kNetworkKey);
    kit::Process setup = StartSetup(Medium(L"standard"));
    HWND box = kit::WaitForMessageBox(setup.id(), 30000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(kit::MessageBoxText(box),
              L"You appear to be an internal Korvel user.\nYou must uninstall Cartoline (Network) before running "
              L"this setup.");
    EXPECT_EQ(kit::FindMainPage(setup.id()), nullptr);
    EXPECT_EQ(kit::FindLicensePage(setup.id()), nullptr);
    kit::PressButton(box, IDOK);
    EXPECT_EQ(setup.Wait(15000), 0u);
    kit::DeleteKeyTree(HKEY_LOCAL_MACHINE, kNetworkKey);
}

TEST(Startup, CompanionLauncherIsClosedWhileTheMainPageShows) {
    kit::TempFolder folder;
    ASSERT_TRUE(kit::CopyTo(kit::BinPath(L"fake_app.exe"), folder / L"kStart.exe"));
    struct LauncherCase {
        const wchar_t* switches;
        DWORD exitCode;  // 7: it closed itself when asked; 0: ended after the bounded wait
    };
    for (const LauncherCase& c : {LauncherCase{L"", 7}, LauncherCase{L" --ignore-close", 0}}) {
        kit::Process launcher(L"\"" + (folder / L"kStart.exe") + L"\"" + c.switches);
        ASSERT_TRUE(kit::WaitUntil([&] { return !kit::TopLevelWindows(launcher.id()).empty(); }));
        kit::Process setup = StartSetup(Medium(L"standard"));
        ASSERT_NE(pages::WaitForReadyMainPage(setup), nullptr);
        // A launcher that does not close keeps the main page waiting for nothing.
        if (c.exitCode == 0) EXPECT_TRUE(launcher.Running());
        EXPECT_EQ(launcher.Wait(10000), c.exitCode);
        pages::ExitWithYes(kit::FindMainPage(setup.id()), setup);
    }
}

// After Exit and Yes the setup still waits for a launcher that ignores the close: the pages are
// gone by then, so neither a click where "Next" was nor a key reaches one, and nothing installs.
TEST(Startup, NoPageTakesInputWhileTheSetupWaitsAtItsEnd) {
    kit::TempFolder folder;
    ASSERT_TRUE(kit::CopyTo(kit::BinPath(L"fake_app.exe"), folder / L"kStart.exe"));
    kit::Process launcher(L"\"" + (folder / L"kStart.exe") + L"\" --ignore-close");
    ASSERT_TRUE(kit::WaitUntil([&] { return !kit::TopLevelWindows(launcher.id()).empty(); }));
    const std::wstring log = folder / L"setup.log";
    kit::Process setup(L"\"" + Medium(L"standard") + L"setup.exe\" /log \"" + log + L"\"", Medium(L"standard"));
    HWND main = pages::WaitForReadyMainPage(setup);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(launcher.Running());
    const RECT next = kit::ItemRect(main, kit::kNextItem);
    pages::ConfirmExitFrom(main, setup, IDYES);
    ASSERT_TRUE(setup.Running()) << "the setup no longer waits for the launcher";
    EXPECT_FALSE(IsWindow(main) && IsWindowVisible(main));
    kit::ClickAt(next.left + 4, (next.top + next.bottom) / 2);
    if (IsWindow(main)) SetForegroundWindow(main);
    for (WORD key : {VK_RETURN, VK_SPACE, VK_TAB, VK_SPACE}) kit::PressKey(key);
    EXPECT_EQ(kit::WaitForLicensePage(setup.id(), 800), nullptr);
    EXPECT_TRUE(setup.Running()) << "the presses came after the setup had ended";
    EXPECT_EQ(setup.Wait(15000), 0u);
    const std::string text = kit::ReadBytes(log);
    EXPECT_EQ(text.find("Install sequence"), std::string::npos) << text;
    EXPECT_NE(text.find("Exit code 0"), std::string::npos) << text;
}

TEST(Startup, MainPageIsTheOnlyPageUntilNextAndTheLicenseTextIsLoaded) {
    kit::Process setup = StartSetup(Medium(L"standard"));
    HWND main = pages::WaitForReadyMainPage(setup);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(kit::TextOf(main), L"Cartoline Product Installer");
    // The pages behind the main page are made as they are first shown, not before it.
    EXPECT_EQ(kit::FindLicensePage(setup.id()), nullptr);
    EXPECT_EQ(kit::FindProgressPage(setup.id()), nullptr);
    int visible = 0, inputMethods = 0;
    for (HWND window : kit::TopLevelWindows(setup.id())) {
        visible += IsWindowVisible(window) ? 1 : 0;
        inputMethods += kit::ClassOf(window) == L"IME" ? 1 : 0;
    }
    EXPECT_EQ(visible, 1);
    // No page takes typed text, so no input method is started for them.
    EXPECT_EQ(inputMethods, 0);
    kit::ClickItem(main, kit::kNextItem);
    HWND license = kit::WaitForLicensePage(setup.id());
    ASSERT_NE(license, nullptr);
    EXPECT_EQ(kit::TextOf(GetDlgItem(license, kit::kLicenseText)), L"GENERAL TERMS" + kSeparator + L"DATA TERMS");
    EXPECT_FALSE(IsWindowVisible(main));
    pages::ExitWithYes(license, setup);
}

TEST(Startup, NoSetupDataStillShowsTheMainPageWithoutTitle) {
    kit::Process setup = StartSetup(Medium(L"nosetupdat"));
    HWND main = pages::WaitForReadyMainPage(setup);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(kit::ItemText(main, kit::kTextItem), L"");
    pages::ExitWithYes(main, setup);
}

TEST(Startup, ExitNoStaysExitYesEndsWithZero) {
    kit::Process setup = StartSetup(Medium(L"standard"));
    HWND main = pages::WaitForReadyMainPage(setup);
    ASSERT_NE(main, nullptr);
    pages::ConfirmExitFrom(main, setup, IDNO);
    Sleep(500);
    EXPECT_TRUE(setup.Running());
    EXPECT_TRUE(IsWindowVisible(main));
    pages::ExitWithYes(main, setup);
}

TEST(Startup, EnterEscapeAndCloseLeaveThePageOpen) {
    kit::Process setup = StartSetup(Medium(L"standard"));
    HWND main = pages::WaitForReadyMainPage(setup);
    ASSERT_NE(main, nullptr);
    SetForegroundWindow(main);
    kit::PressKey(VK_RETURN);
    kit::PressKey(VK_ESCAPE);
    PostMessageW(main, WM_CLOSE, 0, 0);
    Sleep(500);
    EXPECT_TRUE(setup.Running());
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_EQ(kit::FindMessageBox(setup.id()), nullptr);
}

}  // namespace
