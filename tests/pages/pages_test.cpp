// The main page and the license page, driven with the real mouse and keyboard.
#include <gtest/gtest.h>

#include "tests/pages/page_test_kit.h"

namespace {

using pages::Medium;
using pages::StartSetup;

const std::wstring kSeparator = L"\r\n\r\n\r\n" + std::wstring(52, L'=') + L"\r\n";
constexpr wchar_t kInstallerMutex[] = L"Global\\_MSISETUP_{2956EBA1-9B5A-4679-8618-357136DA66CA}";


TEST(MainPage, TitleAndHoverDescriptions) {
    kit::Process setup = StartSetup(Medium(L"standard"));
    HWND main = pages::WaitForReadyMainPage(setup);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(kit::ItemText(main, kit::kTextItem), L"Example Maps Setup");
    EXPECT_EQ(kit::ItemText(main, kit::kNextItem), L"Next");
    EXPECT_EQ(kit::ItemText(main, kit::kExitItem), L"Exit");
    kit::SaveWindowPng(main, pages::ScreenshotPath(L"main_page.png"));

    kit::HoverItem(main, kit::kNextItem);
    EXPECT_TRUE(kit::WaitUntil([&] { return kit::ItemText(main, kit::kTextItem) == L"Continue with the installation"; },
                               3000));
    kit::HoverItem(main, kit::kExitItem);
    EXPECT_TRUE(kit::WaitUntil([&] { return kit::ItemText(main, kit::kTextItem) == L"Exit this installation program"; },
                               3000));
    // Off the items: the description line is emptied and the title does not come back.
    RECT page{};
    GetWindowRect(main, &page);
    kit::MoveMouse(page.left + 20, page.top + 20);
    kit::MoveMouse(page.left + 22, page.top + 22);
    EXPECT_TRUE(kit::WaitUntil([&] { return kit::ItemText(main, kit::kTextItem).empty(); }, 3000));
    pages::ExitWithYes(main, setup);
}

TEST(MainPage, AnotherInstallationRunning) {
    HANDLE held = CreateMutexW(nullptr, FALSE, kInstallerMutex);
    ASSERT_NE(held, nullptr);
    kit::Process setup = StartSetup(Medium(L"standard"));
    HWND box = kit::WaitForMessageBox(setup.id(), 30000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(kit::MessageBoxText(box),
              L"Another installation is already running.  Wait for it to finish and try again.");
    // The page is up, its "Next" still disabled while the check refuses.
    HWND main = kit::FindMainPage(setup.id());
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_FALSE(kit::ItemEnabled(main, kit::kNextItem));
    kit::PressButton(box, IDOK);
    EXPECT_EQ(setup.Wait(15000), 1u);
    CloseHandle(held);
}

TEST(MainPage, UserWithoutAdministratorRights) {
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &token));
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                         0, 0, &administrators));
    SID_AND_ATTRIBUTES denyOnly{administrators, 0};
    HANDLE restricted = nullptr;
    ASSERT_TRUE(CreateRestrictedToken(token, 0, 1, &denyOnly, 0, nullptr, 0, nullptr, &restricted));
    kit::Process setup = StartSetup(Medium(L"standard"), restricted);
    ASSERT_TRUE(setup.started());
    HWND box = kit::WaitForMessageBox(setup.id(), 30000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(kit::MessageBoxText(box),
              L"You must be a local administrator to run this application.\n\nPlease contact your system "
              L"administrator.");
    kit::PressButton(box, IDOK);
    EXPECT_EQ(setup.Wait(15000), 1u);
    CloseHandle(restricted);
    CloseHandle(token);
    FreeSid(administrators);
}

struct LicenseCase {
    const wchar_t* medium;
    std::wstring text;
};

TEST(LicensePage, TextsAsTheMediumHoldsThem) {
    const LicenseCase cases[] = {
        {L"standard", L"GENERAL TERMS" + kSeparator + L"DATA TERMS"},
        {L"onlydata", L"DATA TERMS ONLY"},                      // no general license: no separator
        {L"lowercase", L"SECOND NAME" + kSeparator + L"DATA"},  // "Eula.txt" is the second name tried
        {L"nobom", L"GENERAL" + kSeparator + L"DATA"},          // without a byte-order mark the first character is lost
        {L"odd", L"ODD" + kSeparator + L"DATA"},                // a last odd byte is no character
    };
    for (const LicenseCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "medium " << std::string(c.medium, c.medium + wcslen(c.medium)));
        kit::Process setup = StartSetup(Medium(c.medium));
        HWND license = pages::OpenLicensePage(setup);
        ASSERT_NE(license, nullptr);
        EXPECT_EQ(kit::TextOf(GetDlgItem(license, kit::kLicenseText)), c.text);
        setup.Kill();
    }
}

struct MissingCase {
    const wchar_t* medium;
    const wchar_t* message;
};

TEST(LicensePage, MissingDataLicenseIsReportedThenTheSetupGoesOn) {
    const MissingCase cases[] = {
        {L"nodata", L"C:\\media\\nodata\\ENU\\KorvelEULA.txt was not found."},
        {L"nolangfolder", L"C:\\media\\nolangfolder\\ENU\\KorvelEULA.txt contains an incorrect path."},
    };
    for (const MissingCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "medium " << std::string(c.medium, c.medium + wcslen(c.medium)));
        kit::Process setup = StartSetup(Medium(c.medium));
        HWND main = pages::WaitForReadyMainPage(setup);
        ASSERT_NE(main, nullptr);
        kit::ClickItem(main, kit::kNextItem);  // the license page reads its texts as it is made
        HWND box = kit::WaitForMessageBox(setup.id(), 30000);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(kit::MessageBoxText(box), c.message);
        EXPECT_EQ(GetWindow(box, GW_OWNER), main);
        kit::PressButton(box, IDOK);
        HWND license = kit::WaitForLicensePage(setup.id());
        ASSERT_NE(license, nullptr);
        EXPECT_EQ(kit::TextOf(GetDlgItem(license, kit::kLicenseText)), L"");
        pages::ExitWithYes(license, setup);
    }
}

TEST(LicensePage, NextFollowsBothCheckboxesAndTabLeavesNoSelection) {
    kit::Process setup = StartSetup(Medium(L"standard"));
    HWND license = pages::OpenLicensePage(setup);
    ASSERT_NE(license, nullptr);
    EXPECT_FALSE(kit::ItemEnabled(license, kit::kLicenseNextItem));
    kit::SaveWindowPng(license, pages::ScreenshotPath(L"license_page.png"));

    kit::ClickItem(license, kit::kSoftwareLicenseCheck);
    EXPECT_TRUE(kit::WaitUntil([&] { return kit::CheckState(license, kit::kSoftwareLicenseCheck) == 1; }, 3000));
    EXPECT_FALSE(kit::ItemEnabled(license, kit::kLicenseNextItem));
    kit::ClickItem(license, kit::kDataLicenseCheck);
    EXPECT_TRUE(kit::WaitUntil([&] { return kit::ItemEnabled(license, kit::kLicenseNextItem); }, 3000));
    kit::ClickItem(license, kit::kSoftwareLicenseCheck);
    EXPECT_TRUE(kit::WaitUntil([&] { return !kit::ItemEnabled(license, kit::kLicenseNextItem); }, 3000));
    kit::ClickItem(license, kit::kSoftwareLicenseCheck);
    EXPECT_TRUE(kit::WaitUntil([&] { return kit::ItemEnabled(license, kit::kLicenseNextItem); }, 3000));
    kit::ClickItem(license, kit::kDataLicenseCheck);
    EXPECT_TRUE(kit::WaitUntil([&] { return !kit::ItemEnabled(license, kit::kLicenseNextItem); }, 3000));

    // The focus is on the data checkbox after the clicks; Tab moves it to "Exit" ("Next" is
    // disabled), and Tab again wraps round into the text box.
    kit::PressKey(VK_TAB);
    kit::PressKey(VK_TAB);
    HWND text = GetDlgItem(license, kit::kLicenseText);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(kit::WaitUntil([&] {
        GetGUIThreadInfo(GetWindowThreadProcessId(license, nullptr), &info);
        return info.hwndFocus == text;
    }, 3000));
    DWORD start = 1, end = 2;
    SendMessageW(text, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, end);
    pages::ExitWithYes(license, setup);
}

}  // namespace
