// An unattended end-to-end run of setup.exe against the same package operations made
// directly with msiexec, in pairs from the same starting state.
//   install_bench.exe <medium folder> <earlier build package> <pairs>
#include <windows.h>

#include <algorithm>

#include <cstdio>
#include <string>

#include "bench/bench_common.h"
#include "env/system_checks.h"
#include "tests/kit/kit.h"
#include "tests/kit/setup_driver.h"

namespace {

constexpr wchar_t kProduct[] = L"{8A6C1D2E-3F40-4B5C-9D6E-7F8091A2B3C4}";

bool Run(const std::wstring& commandLine) {
    kit::Process process(commandLine);
    return process.started() && process.Wait(300000) != STILL_ACTIVE;
}

// The state before each run: the earlier build installed, no drivers, no registrations.
void Reset(const std::wstring& earlier) {
    Run(L"msiexec /x {8A6C1D2E-3F40-4B5C-9D6E-7F8091A2B3C4} /qn");
    Run(L"msiexec /x {3C5E7A91-2B4D-4F6E-8A0C-1D3F5B7E9A24} /qn");
    Run(L"msiexec /x {4D6F8B02-3C5E-4A7F-9B1D-2E4A6C8E0F35} /qn");
    kit::DeleteKeyTree(HKEY_LOCAL_MACHINE, L"Software\\Korvel");
    kit::RemoveTree(L"C:\\Korvel");
    Run(L"msiexec /i \"" + earlier + L"\" /qn TARGETDIR=C:\\");
}

// Milliseconds of the whole run and of the installation after the license page's "Next" up to
// its outcome; meanwhile the visible page is pinged as another program would, and the longest
// answer is kept.
bool SetupRun(const std::wstring& medium, double* total, double* install, double* slowestAnswer) {
    double start = NowMs();
    kit::Process setup(L"\"" + medium + L"setup.exe\"", medium);
    HWND main = nullptr;
    if (!kit::WaitUntil([&] {
            main = kit::FindMainPage(setup.id());
            return main && IsWindowVisible(main) && kit::ItemEnabled(main, kit::kNextItem);
        }, 60000, 5))
        return false;
    kit::ClickItem(main, kit::kNextItem);
    HWND license = kit::FindLicensePage(setup.id());
    if (!license || !kit::WaitVisible(license, 10000)) return false;
    kit::ClickItem(license, kit::kSoftwareLicenseCheck);
    kit::ClickItem(license, kit::kDataLicenseCheck);
    if (!kit::WaitUntil([&] { return kit::ItemEnabled(license, kit::kLicenseNextItem); }, 5000, 5)) return false;
    RECT next = kit::ItemRect(license, kit::kLicenseNextItem);
    kit::MoveMouse(next.left + 4, (next.top + next.bottom) / 2);
    double click = NowMs();
    kit::ClickAt(next.left + 4, (next.top + next.bottom) / 2);
    HWND page = nullptr;
    for (;;) {
        if (!setup.Running() || NowMs() - click > 300000) return false;
        page = kit::FindProgressPage(setup.id());
        HWND visible = page && IsWindowVisible(page) ? page : license;
        const double sent = NowMs();
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(visible, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer);
        *slowestAnswer = std::max(*slowestAnswer, NowMs() - sent);
        if (kit::OutcomeShown(page)) break;
        Sleep(2);
    }
    double end = NowMs();
    kit::ClickItem(page, kit::kProgressFinish);
    if (setup.Wait(30000) != 0) return false;
    *total = end - start;
    *install = end - click;
    return true;
}

double DirectRun(const std::wstring& medium) {
    const bool wow64 = IsWow64();
    double start = NowMs();
    Run(std::wstring(L"msiexec /q /x \"") + kProduct + L"\"");
    Run(L"msiexec /i \"" + medium + L"USB_Drivers\\USB_" + (wow64 ? L"64" : L"32") +
        L".msi\" /qn TARGETDIR=\"C:\" LANG=ENU");
    Run(L"msiexec /i \"" + medium + L"Setup_ENU.msi\" /qn LANG=ENU TARGETDIR=C:\\");
    return NowMs() - start;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) return 2;
    const std::wstring medium = argv[1];
    const std::wstring earlier = argv[2];
    const int pairs = _wtoi(argv[3]);
    std::vector<double> totals, installs, directs;
    double slowest = 0;
    for (int i = 0; i < pairs; ++i) {
        Reset(earlier);
        double total = 0, install = 0;
        if (!SetupRun(medium, &total, &install, &slowest)) {
            wprintf(L"setup run %d failed\n", i);
            return 1;
        }
        Reset(earlier);
        directs.push_back(DirectRun(medium));
        totals.push_back(total);
        installs.push_back(install);
    }
    double install = Median(installs), direct = Median(directs);
    wprintf(L"setup.exe installation after \"Next\", median of %d: %.0f ms\n", pairs, install);
    wprintf(L"setup.exe whole unattended run (pages and clicks included), median of %d: %.0f ms\n", pairs,
            Median(totals));
    wprintf(L"same package operations with msiexec, median of %d: %.0f ms\n", pairs, direct);
    wprintf(L"overhead ratio installation / msiexec: %.2f\n", install / direct);
    wprintf(L"longest answer of the visible page during the installations: %.0f ms\n", slowest);
    return 0;
}
