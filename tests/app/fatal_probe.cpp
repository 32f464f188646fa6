// setup.exe's entry point, delay-load hooks and fatal path around a body that fails on purpose:
//   fatal_probe [/quiet] /log FILE absent-dll|absent-function|out-of-memory|precondition|quit-behind
// It delay-loads korvelabsent.dll, which no system has, and a function psapi.dll lacks.
// quit-behind: a window stands for a page, whose timer posts the quit a page's "Finish" posts
// once the failure's box is up (and says so in its title); then the precondition fails.
#include <windows.h>

#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/fatal_exit.h"
#include "framework/strings.h"
#include "system/setup_log.h"

extern "C" int WINAPI KorvelAbsentFunction();
extern "C" int WINAPI KorvelMissingFunction();

namespace {
// Read through a volatile, so the compiler cannot tell the request cannot be met.
volatile size_t g_hugeSize = 0x7FFFFFF0;
volatile size_t g_pastTheEnd = 5;

void CALLBACK QuitOnce(HWND window, UINT, UINT_PTR timer, DWORD) {
    KillTimer(window, timer);
    SetWindowTextW(window, L"quit posted");
    PostQuitMessage(0);
}
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    const SetupOptions options = ParseSetupCommandLine(GetCommandLineW(), fw::ModulePath());
    // As the run decides once it knows its kind: a box where someone sees the pages.
    ShowFatalBox(!options.Unattended() && !options.uninstall);
    SetupLog log;
    if (!log.Open(options.logFile)) return 2;
    SetActiveSetupLog(&log);
    const std::wstring what = options.invalid.empty() ? L"" : options.invalid.back();
    LogEvent("Probe: ", what);
    if (what == L"absent-dll") return KorvelAbsentFunction();
    if (what == L"absent-function") return KorvelMissingFunction();
    if (what == L"out-of-memory") {
        std::vector<char> block;
        block.reserve(g_hugeSize);
        return block.data() != nullptr;
    }
    if (what == L"quit-behind") {
        HWND page = CreateWindowExW(0, L"STATIC", L"page", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                    nullptr, nullptr, nullptr);
        SetTimer(page, 1, 100, QuitOnce);
    }
    if (what == L"precondition" || what == L"quit-behind") {
        std::wstring text = L"abc";
        return text[g_pastTheEnd];
    }
    return 0;
}
