#include "tests/pages/page_test_kit.h"

#include <cstdio>

#include <gtest/gtest.h>

#include "tests/kit/window_kit.h"

namespace pages {

std::wstring Medium(const std::wstring& name) { return L"C:\\media\\" + name + L"\\"; }

kit::Process StartSetup(const std::wstring& medium, HANDLE token) {
    return kit::Process(L"\"" + medium + L"setup.exe\"", medium, token);
}

HWND WaitForReadyMainPage(const kit::Process& setup, DWORD timeoutMs) {
    HWND page = nullptr;
    kit::WaitUntil([&] {
        page = kit::FindMainPage(setup.id());
        // The page shows ready, and paints a moment later.
        return page && kit::ItemEnabled(page, kit::kNextItem) && kit::Painted(page);
    }, timeoutMs);
    if (page && kit::ItemEnabled(page, kit::kNextItem)) return page;
    if (HWND box = kit::FindMessageBox(setup.id())) ADD_FAILURE() << "message box instead: " << ::testing::PrintToString(kit::MessageBoxText(box));
    return nullptr;
}

HWND OpenLicensePage(const kit::Process& setup) {
    HWND main = WaitForReadyMainPage(setup);
    if (!main) return nullptr;
    kit::ClickItem(main, kit::kNextItem);
    HWND license = kit::WaitForLicensePage(setup.id());
    if (!license) return nullptr;
    kit::WaitUntil([&] { return !IsWindowVisible(main); }, 5000);
    return license;
}

bool AcceptBothLicenses(HWND license) {
    for (int box : {kit::kSoftwareLicenseCheck, kit::kDataLicenseCheck}) {
        kit::ClickItem(license, box);
        if (kit::WaitUntil([&] { return kit::CheckState(license, box) == BST_CHECKED; }, 3000)) continue;
        // Under a heavy load a page shown a moment ago may not have taken the click yet.
        std::printf("checkbox %d: clicked again\n", box);
        kit::ClickItem(license, box);
    }
    return kit::WaitUntil([&] { return kit::ItemEnabled(license, kit::kLicenseNextItem); }, 5000);
}

void AcceptAndInstall(const kit::Process& setup) {
    HWND license = OpenLicensePage(setup);
    ASSERT_NE(license, nullptr);
    ASSERT_TRUE(AcceptBothLicenses(license));
    kit::ClickItem(license, kit::kLicenseNextItem);
}

HWND WaitForOutcome(const kit::Process& setup, DWORD timeoutMs) {
    HWND page = nullptr;
    kit::WaitUntil([&] {
        page = kit::FindProgressPage(setup.id());
        return !setup.Running() || kit::OutcomeShown(page);
    }, timeoutMs);
    return kit::OutcomeShown(page) ? page : nullptr;
}

DWORD FinishInstallation(const kit::Process& setup, std::wstring* headline) {
    HWND page = WaitForOutcome(setup);
    if (!page) {
        ADD_FAILURE() << "no outcome shown";
        return setup.Running() ? STILL_ACTIVE : setup.Wait(0);
    }
    if (headline) *headline = kit::ItemText(page, kit::kProgressStep);
    kit::ClickItem(page, kit::kProgressFinish);
    return setup.Wait(15000);
}

std::wstring ScreenshotPath(const std::wstring& name) {
    std::wstring folder = kit::BinFolder() + L"..\\screenshots\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder + name;
}

void ConfirmExitFrom(HWND page, const kit::Process& setup, int answer) {
    kit::ClickItem(page, kit::kExitItem);
    HWND box = kit::WaitForMessageBox(setup.id());
    ASSERT_NE(box, nullptr) << "no exit confirmation";
    EXPECT_EQ(kit::MessageBoxText(box), kConfirmExitText);
    EXPECT_EQ(kit::TextOf(box), L"setup");
    kit::PressButton(box, answer);
    kit::WaitUntil([&] { return !IsWindow(box); }, 5000);
}

void ExitWithYes(HWND page, const kit::Process& setup) {
    ConfirmExitFrom(page, setup, IDYES);
    EXPECT_EQ(setup.Wait(15000), 0u);
}

}  // namespace pages
