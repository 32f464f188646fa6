// Starts setup.exe, waits for its main page and prints what the page shows, then ends it.
//   main_page_probe.exe <path of setup.exe>
// Exit code 0 when the main page appeared, 1 when it did not.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/kit/kit.h"
#include "tests/kit/setup_driver.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    std::wstring exe = argv[1];
    kit::Process setup(L"\"" + exe + L"\"", exe.substr(0, exe.find_last_of(L'\\') + 1));
    if (!setup.started()) return 1;
    HWND page = kit::WaitForMainPage(setup.id(), 60000);
    if (!page) {
        wprintf(L"no main page\n");
        return 1;
    }
    wprintf(L"main page: %ls | %ls\n", kit::TextOf(page).c_str(), kit::ItemText(page, kit::kNextItem).c_str());
    fflush(stdout);
    setup.Kill();
    return 0;
}
