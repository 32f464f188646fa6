// An application built on the framework, driven by the framework tests:
//   strings OUT   writes string 131 and the text of dialog 200's item 300 to OUT, exits with 5
//   quit N        posts the quit message with N from start-up
//   refuse        start-up refuses to run
//   errormode     exits with the process error mode flags the start-up set
//   report PATH   opens PATH and reports the failure in the application's message box
//   satellite     exits with 6 when its satellite's strings are in use, the file beside it could
//                 be deleted meanwhile and the start-up wrote no file to the temporary folder,
//                 with 7 when not
#include <windows.h>

#include <shellapi.h>

#include <cstdlib>
#include <string>

#include "framework/app.h"
#include "framework/dialog.h"
#include "framework/file.h"
#include "framework/strings.h"

namespace {

std::wstring Argument(int index) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring value = index < count ? arguments[index] : L"";
    LocalFree(arguments);
    return value;
}

// The names in the temporary folder.
std::wstring TemporaryFiles() {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    std::wstring names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((std::wstring(temp) + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do names += std::wstring(found.cFileName) + L"|";
    while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

class HostApp : public fw::App {
public:
    BOOL InitInstance() override {
        const std::wstring temporaryBefore = TemporaryFiles();
        if (!fw::App::InitInstance()) return FALSE;
        std::wstring mode = Argument(1);
        if (mode == L"strings") {
            fw::Dialog dialog(200);
            dialog.Create();
            wchar_t item[128] = {};
            GetDlgItemTextW(dialog.hwnd(), 300, item, 128);
            std::wstring text = fw::LoadResString(131) + L"\n" + item;
            HANDLE file = CreateFileW(Argument(2).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            DWORD written = 0;
            WriteFile(file, text.data(), static_cast<DWORD>(text.size() * 2), &written, nullptr);
            CloseHandle(file);
            PostQuitMessage(5);
            return TRUE;
        }
        if (mode == L"quit") {
            PostQuitMessage(_wtoi(Argument(2).c_str()));
            return TRUE;
        }
        if (mode == L"satellite") {
            const std::wstring beside = fw::SatelliteLibraryPath(fw::ModulePath(), fw::UserLanguageAbbreviation());
            const bool deleted = DeleteFileW(beside.c_str()) != FALSE;
            const bool unwritten = TemporaryFiles() == temporaryBefore;
            PostQuitMessage(fw::LoadResString(131) == L"String of the satellite" && deleted && unwritten ? 6 : 7);
            return TRUE;
        }
        if (mode == L"errormode") {
            UINT flags = SetErrorMode(0);
            PostQuitMessage(static_cast<int>(flags & (SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX)));
            return TRUE;
        }
        if (mode == L"report") {
            fw::File file;
            fw::FileError error;
            if (!file.OpenForReading(Argument(2), &error)) PostQuitMessage(error.ReportError(MB_OK));
            return TRUE;
        }
        return FALSE;
    }
};

HostApp theApp;

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) { return fw::RunApplication(); }
