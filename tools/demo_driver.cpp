// Runs setup.exe unattended as a user would: waits for the main page, clicks "Next", accepts
// both licenses, clicks "Next", answers what the setup asks, and then reports what the
// machine has installed. With --quiet it runs setup.exe with its own switches instead, as a
// deployment tool does, and prints the full exit code (a shell sees only its low 8 bits) and
// the setup log.
//   demo_driver.exe <path of setup.exe>
//   demo_driver.exe --quiet <path of setup.exe> <log file>
#include <windows.h>
#include <msi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdarg>
#include <cstdio>
#include <string>

#include "tests/kit/kit.h"
#include "tests/kit/setup_driver.h"

namespace {

// Output is UTF-8 whatever the locale of the machine or of Windows: the runtime's wide output
// would convert to the Windows code page (a German user's "ü" as one byte of code page 1252).
void Print(const wchar_t* format, ...) {
    wchar_t line[2048];
    va_list args;
    va_start(args, format);
    const int length = _vsnwprintf(line, 2047, format, args);
    va_end(args);
    line[length < 0 ? 2047 : length] = L'\0';
    char bytes[sizeof line * 3 / 2];
    const int size = WideCharToMultiByte(CP_UTF8, 0, line, -1, bytes, sizeof bytes, nullptr, nullptr);
    if (size > 1) fwrite(bytes, 1, size - 1, stdout);
    fflush(stdout);
}

void Say(const wchar_t* format, const std::wstring& text = L"") {
    std::wstring line = text.empty() ? format : std::wstring(format) + text;
    Print(L"%ls\n", line.c_str());
}

std::wstring OneLine(std::wstring text) {
    for (wchar_t& c : text)
        if (c == L'\n' || c == L'\r') c = L' ';
    return text;
}

void ReportInstalled() {
    Say(L"installed products:");
    wchar_t code[39];
    for (DWORD i = 0; MsiEnumProductsW(i, code) == ERROR_SUCCESS; ++i) {
        wchar_t name[256] = {};
        wchar_t version[64] = {};
        DWORD nameLength = 256;
        DWORD versionLength = 64;
        MsiGetProductInfoW(code, INSTALLPROPERTY_INSTALLEDPRODUCTNAME, name, &nameLength);
        MsiGetProductInfoW(code, INSTALLPROPERTY_VERSIONSTRING, version, &versionLength);
        Print(L"  %ls  %ls %ls\n", code, name, version);
    }
    for (const wchar_t* key : {L"Software\\Korvel\\Cartoline\\Products", L"Software\\Korvel\\TileWizard"}) {
        std::wstring folder;
        if (kit::GetString(HKEY_LOCAL_MACHINE, key, L"InstallDir", &folder))
            Print(L"  HKLM\\%ls  InstallDir = %ls\n", key, folder.c_str());
    }
    std::wstring lang;
    if (kit::GetString(HKEY_LOCAL_MACHINE, L"Software\\Korvel\\Example Maps", L"LANG", &lang))
        Print(L"  the product received LANG=%ls\n", lang.c_str());
}

int RunQuiet(const std::wstring& exe, const std::wstring& log) {
    std::wstring folder = exe.substr(0, exe.find_last_of(L"\\/") + 1);
    const std::wstring commandLine = L"\"" + exe + L"\" /quiet /norestart /log \"" + log + L"\"";
    Say(L"running: ", commandLine);
    kit::Process setup(commandLine, folder);
    if (!setup.started()) {
        Say(L"setup.exe could not be started: ", exe);
        return 2;
    }
    const DWORD code = setup.Wait(600000);
    Print(L"setup.exe ended with exit code %lu\n", code);
    Say(L"the setup log, ", log + L":");
    const std::string text = kit::ReadBytes(log);
    fwrite(text.data(), 1, text.size(), stdout);
    fflush(stdout);
    ReportInstalled();
    return code == 0 || code == ERROR_SUCCESS_REBOOT_REQUIRED ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);  // the bytes as written: "\n" ends a line, as on Linux
    if (argc == 4 && std::wstring(argv[1]) == L"--quiet") return RunQuiet(argv[2], argv[3]);
    if (argc < 2) {
        Say(L"usage: demo_driver <path of setup.exe> | demo_driver --quiet <path of setup.exe> <log file>");
        return 2;
    }
    std::wstring exe = argv[1];
    std::wstring folder = exe.substr(0, exe.find_last_of(L"\\/") + 1);
    kit::Process setup(L"\"" + exe + L"\"", folder);
    if (!setup.started()) {
        Say(L"setup.exe could not be started: ", exe);
        return 2;
    }
    Say(L"setup.exe started");

    HWND main = nullptr;
    kit::WaitUntil([&] {
        main = kit::FindMainPage(setup.id());
        if (HWND box = kit::FindMessageBox(setup.id())) {
            Say(L"the setup says: ", OneLine(kit::MessageBoxText(box)));
            kit::PressButton(box, IDOK);
            Sleep(500);
        }
        return !setup.Running() || (main && IsWindowVisible(main) && kit::ItemEnabled(main, kit::kNextItem));
    }, 60000, 50);
    if (!setup.Running()) {
        Print(L"setup.exe ended early with exit code %lu\n", setup.Wait(0));
        return 1;
    }
    Say(L"main page: ", kit::ItemText(main, kit::kTextItem));
    Sleep(1000);
    kit::ClickItem(main, kit::kNextItem);

    HWND license = kit::FindLicensePage(setup.id());
    if (!license || !kit::WaitVisible(license, 10000)) {
        Say(L"the license page did not show");
        return 1;
    }
    Say(L"license page: accepting both licenses");
    Sleep(1000);
    kit::ClickItem(license, kit::kSoftwareLicenseCheck);
    kit::ClickItem(license, kit::kDataLicenseCheck);
    kit::WaitUntil([&] { return kit::ItemEnabled(license, kit::kLicenseNextItem); }, 5000);
    Sleep(500);
    kit::ClickItem(license, kit::kLicenseNextItem);
    Say(L"installing...");

    // Questions of the installation: close applications (OK, then Cancel if they stay), no room;
    // then the installation's page, whose outcome is read and finished.
    int prompts = 0;
    std::wstring step;
    kit::WaitUntil([&] {
        if (HWND box = kit::FindMessageBox(setup.id())) {
            Say(L"the setup says: ", OneLine(kit::MessageBoxText(box)));
            kit::PressButton(box, ++prompts < 3 ? IDOK : IDCANCEL);
            Sleep(1000);
        }
        HWND page = kit::FindProgressPage(setup.id());
        if (page && IsWindowVisible(page)) {
            const std::wstring now = kit::ItemText(page, kit::kProgressStep);
            if (now != step) Say(L"installation page: ", step = now);
            if (kit::OutcomeShown(page)) {
                Say(L"outcome: ", OneLine(kit::ItemText(page, kit::kProgressAction)));
                Sleep(1000);  // a moment to see it
                kit::ClickItem(page, kit::kProgressFinish);
                Sleep(500);
            }
        }
        return !setup.Running();
    }, 600000, 100);
    DWORD code = setup.Wait(0);
    Print(L"setup.exe ended with exit code %lu\n", code);
    ReportInstalled();
    return code == 0 ? 0 : 1;
}
