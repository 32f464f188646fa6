#include "framework/app.h"

#include "framework/dialog.h"
#include "framework/message_box.h"
#include "framework/strings.h"

namespace fw {

App* App::current_ = nullptr;

App::App() { current_ = this; }

App::~App() {
    if (current_ == this) current_ = nullptr;
}

App* App::Current() { return current_; }

BOOL App::InitInstance() {
    LoadSatelliteResources();
    return TRUE;
}

void App::SetMainWindow(HWND window) { fw::SetMainWindow(window); }

HWND App::MainWindow() const { return fw::MainWindow(); }

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
    size_t slash = executablePath.find_last_of(L"\\/");
    size_t nameStart = slash == std::wstring::npos ? 0 : slash + 1;
    size_t dot = executablePath.find_last_of(L'.');
    std::wstring stem = dot != std::wstring::npos && dot >= nameStart ? executablePath.substr(0, dot) : executablePath;
    return stem + languageAbbreviation + L".dll";
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
    std::wstring path = SatelliteLibraryPath(executable, language);
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
    // Mapped as data: no entry point or import of it ever runs. Systems before Vista do not
    // know the image-resource flag and refuse it, so they get the plain data-file mapping.
    HMODULE library = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!library) library = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!library) return false;
    SetResourceModule(library);
    return true;
}

}  // namespace fw
