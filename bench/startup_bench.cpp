// Time from process start to setup.exe's main page visible with "Next" enabled, beside the
// time to the first window of a minimal dialog program, plain and with setup.exe's manifest
// (common controls 6); then the time until each has painted; runs interleaved.
//   startup_bench.exe <setup.exe> <min_dialog.exe> <min_dialog_cc6.exe> <runs>
//   startup_bench.exe --pair <setup.exe> <other setup.exe> <runs>: two media, interleaved
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "bench/bench_common.h"
#include "tests/kit/kit.h"
#include "tests/kit/setup_driver.h"
#include "tests/kit/window_kit.h"

namespace {

// The minimal dialog's window, shown or not yet.
HWND FindDialog(DWORD processId) {
    for (HWND window : kit::TopLevelWindows(processId))
        if (kit::ClassOf(window) == L"#32770") return window;
    return nullptr;
}

bool Shown(HWND window) { return IsWindowVisible(window) != FALSE; }

bool NextEnabled(HWND page) { return IsWindowVisible(page) && kit::ItemEnabled(page, kit::kNextItem); }

// The file names of the DLLs a process has loaded, sorted, lower case.
std::set<std::wstring> LoadedModules(HANDLE process) {
    HMODULE modules[512];
    DWORD bytes = 0;
    std::set<std::wstring> names;
    if (!EnumProcessModules(process, modules, sizeof modules, &bytes)) return names;
    for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 512; ++i) {
        wchar_t name[MAX_PATH] = {};
        if (!GetModuleBaseNameW(process, modules[i], name, MAX_PATH)) continue;
        CharLowerW(name);
        if (std::wstring(name).ends_with(L".dll")) names.insert(name);
    }
    return names;
}

// Milliseconds until ready() holds for the window find() gives of the started program, or a
// negative number. All windows are searched only until that window exists; from then on only
// its own state is asked, the same few questions for every program, so the watching takes
// little from the program it watches. With loaded, the DLLs the program has loaded at that
// moment. With painted, the milliseconds until the window had painted, after it was ready.
double TimeUntil(const std::wstring& exe, HWND (*find)(DWORD), bool (*ready)(HWND), SIZE_T* peakKb,
                 std::set<std::wstring>* loaded = nullptr, double* painted = nullptr) {
    std::wstring folder = exe.substr(0, exe.find_last_of(L'\\') + 1);
    double start = NowMs();
    kit::Process process(L"\"" + exe + L"\"", folder);
    if (!process.started()) return -1;
    HWND window = nullptr;
    while (!window || !ready(window)) {
        if (!process.Running() || NowMs() - start > 60000) return -1;
        Sleep(1);
        if (!window) window = find(process.id());
    }
    double elapsed = NowMs() - start;
    if (loaded) *loaded = LoadedModules(process.handle());
    for (; painted && !kit::Painted(window); Sleep(1))
        if (!process.Running() || NowMs() - start > 60000) return -1;
    if (painted) *painted = NowMs() - start;
    if (peakKb) {
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof counters;
        Sleep(300);  // let the page settle before the peak is read
        GetProcessMemoryInfo(process.handle(), &counters, sizeof counters);
        *peakKb = counters.PeakWorkingSetSize / 1024;
    }
    process.Kill();
    // The killed program's windows and server state go away after its process has ended; the
    // next start waits for that, so neither program pays for the other's end.
    Sleep(150);
    return elapsed;
}

}  // namespace

// The same program from two media (one with the user's satellite library, one without), in turns.
int ComparePair(const std::wstring& first, const std::wstring& second, int runs) {
    std::vector<double> firstTimes, secondTimes;
    TimeUntil(first, kit::FindMainPage, NextEnabled, nullptr);
    TimeUntil(second, kit::FindMainPage, NextEnabled, nullptr);
    for (int i = 0; i < runs; ++i) {
        const double a = TimeUntil(first, kit::FindMainPage, NextEnabled, nullptr);
        const double b = TimeUntil(second, kit::FindMainPage, NextEnabled, nullptr);
        if (a < 0 || b < 0) return 1;
        firstTimes.push_back(a);
        secondTimes.push_back(b);
    }
    std::vector<double> differences;
    for (int i = 0; i < runs; ++i) differences.push_back(firstTimes[i] - secondTimes[i]);
    wprintf(L"main page ready, %ls, median of %d runs: %.1f ms\n", first.c_str(), runs, Median(firstTimes));
    wprintf(L"main page ready, %ls, median of %d runs: %.1f ms\n", second.c_str(), runs, Median(secondTimes));
    wprintf(L"difference, median of the runs' differences: %.1f ms\n", Median(differences));
    return 0;
}

int wmain(int argc, wchar_t** argv) {
    if (argc >= 5 && std::wstring(argv[1]) == L"--pair") return ComparePair(argv[2], argv[3], _wtoi(argv[4]));
    if (argc < 5) return 2;
    const std::wstring setup = argv[1];
    const std::wstring floor = argv[2];
    const std::wstring floorManifest = argv[3];
    const int runs = _wtoi(argv[4]);
    std::vector<double> setupTimes, floorTimes, manifestTimes, setupPainted, manifestPainted;
    SIZE_T peakKb = 0;
    std::set<std::wstring> loaded, floorLoaded;
    // One run of each first, not counted: the first start of a program pays for the cache.
    TimeUntil(setup, kit::FindMainPage, Shown, nullptr);
    TimeUntil(floor, FindDialog, Shown, nullptr);
    TimeUntil(floorManifest, FindDialog, Shown, nullptr);
    for (int i = 0; i < runs; ++i) {
        SIZE_T peak = 0;
        double setupPaint = -1, manifestPaint = -1;
        double s = TimeUntil(setup, kit::FindMainPage, NextEnabled, &peak, i == 0 ? &loaded : nullptr, &setupPaint);
        double f = TimeUntil(floor, FindDialog, Shown, nullptr);
        double m =
            TimeUntil(floorManifest, FindDialog, Shown, nullptr, i == 0 ? &floorLoaded : nullptr, &manifestPaint);
        if (s < 0 || f < 0 || m < 0) {
            wprintf(L"run %d failed\n", i);
            return 1;
        }
        setupTimes.push_back(s);
        setupPainted.push_back(setupPaint);
        manifestPainted.push_back(manifestPaint);
        floorTimes.push_back(f);
        manifestTimes.push_back(m);
        peakKb = std::max(peakKb, peak);
    }
    double s = Median(setupTimes), f = Median(floorTimes);
    wprintf(L"main page ready, median of %d runs: %.1f ms\n", runs, s);
    wprintf(L"minimal dialog first window (floor), median of %d runs: %.1f ms\n", runs, f);
    wprintf(L"ratio main page / floor: %.2f (target at most 1.5)\n", s / f);
    double m = Median(manifestTimes);
    wprintf(L"minimal dialog with setup.exe's manifest (common controls 6), median of %d runs: %.1f ms\n", runs, m);
    wprintf(L"ratio main page / floor with the same manifest: %.2f (target at most 1.05)\n", s / m);
    // Each run's pair started moments apart, so a slower moment of the machine weighs on both.
    std::vector<double> ratios, paintRatios;
    for (int i = 0; i < runs; ++i) {
        ratios.push_back(setupTimes[i] / manifestTimes[i]);
        paintRatios.push_back(setupPainted[i] / manifestPainted[i]);
    }
    wprintf(L"the same ratio, median of the runs' own ratios: %.2f\n", Median(ratios));
    // The same two until nothing of the window or its items is left to paint: the page's bitmap
    // and items against the dialog's plain face and one text.
    const double sp = Median(setupPainted), mp = Median(manifestPainted);
    wprintf(L"painted: main page %.1f ms, minimal dialog with the same manifest %.1f ms, ratio %.2f "
            L"(median of the runs' own ratios %.2f)\n",
            sp, mp, sp / mp, Median(paintRatios));
    wprintf(L"peak working set of setup.exe: %lu KB\n", static_cast<unsigned long>(peakKb));
    std::wstring names, beyond;
    for (const std::wstring& name : loaded) {
        names += L" " + name;
        if (!floorLoaded.count(name)) beyond += L" " + name;
    }
    wprintf(L"DLLs loaded when the main page is ready (%u):%ls\n", static_cast<unsigned>(loaded.size()), names.c_str());
    wprintf(L"of them not loaded by the minimal dialog with the same manifest:%ls\n", beyond.empty() ? L" none" : beyond.c_str());
    return 0;
}
