#include "framework/app.h"

#include <vector>

#include "framework/dialog.h"
#include "framework/file.h"
#include "framework/message_box.h"
#include "framework/pe_resources.h"
#include "framework/strings.h"

namespace fw {

App* App::current_ = nullptr;

namespace {

std::wstring g_satelliteNote;

}  // namespace

App::App() { current_ = this; }

App::~App() {
    if (current_ == this) current_ = nullptr;
}

App* App::Current() { return current_; }

BOOL App::InitInstance() {
    LoadSatelliteResources();
    return TRUE;
}

int RunApplication() {
    // No "insert a disk" or "cannot open file" boxes from the system: a missing medium or file
    // is the program's to report.
    SetErrorMode(SetErrorMode(0) | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    App* app = App::Current();
    if (!app || !app->InitInstance()) return 0;
    return RunMessageLoop();
}

void ProcessMessage(MSG& message) {
    HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (root && Dialog::FromHandle(root) && IsWindowVisible(root) && IsDialogMessageW(root, &message)) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

int RunMessageLoop() {
    MSG message{};
    for (;;) {
        BOOL result = GetMessageW(&message, nullptr, 0, 0);
        if (result == 0) return static_cast<int>(message.wParam);
        if (result == -1) return -1;
        ProcessMessage(message);
    }
}

std::wstring SatelliteLibraryPath(const std::wstring& executablePath, const std::wstring& languageAbbreviation) {
    return WithoutExtension(executablePath) + languageAbbreviation + L".dll";
}

std::wstring UserLanguageAbbreviation() {
    LCID locale = MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT);
    wchar_t abbreviation[16] = {};
    if (GetLocaleInfoW(locale, LOCALE_SABBREVLANGNAME, abbreviation, 16) <= 0) return {};
    return abbreviation;
}

bool LoadSatelliteResources() {
    std::wstring executable = ModulePath();
    std::wstring language = UserLanguageAbbreviation();
    if (executable.empty() || language.empty()) return false;
    const std::wstring path = SatelliteLibraryPath(executable, language);
    // Read once, and its resources taken from those bytes: nothing is written, loaded by name or
    // deleted, in a folder the user could change it in meanwhile.
    std::vector<uint8_t> bytes;
    uint64_t size = 0;
    const DWORD error = ReadFileHead(path, kMaxSatelliteBytes, &bytes, &size);
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return false;
    const char* fault = size != bytes.size() ? "larger than 16 MB or cut short while read"
                                             : ResourceOnlyLibraryFault(bytes.data(), bytes.size());
    char readError[32];
    if (error) {
        wsprintfA(readError, "read error %lu", error);
        fault = readError;
    }
    if (fault) {
        g_satelliteNote = Format("Satellite: %s: %hs; not used, the texts are English", path.c_str(), fault);
        return false;
    }
    g_satelliteNote = Format("Satellite: %s, %I64u bytes: its texts are used", path.c_str(), size);
    SetSatelliteResources(std::move(bytes));
    return true;
}

const std::wstring& SatelliteNote() { return g_satelliteNote; }

}  // namespace fw
