#include "framework/app.h"

#include <vector>

#include "framework/dialog.h"
#include "framework/file.h"
#include "framework/message_box.h"
#include "framework/strings.h"

namespace fw {

App* App::current_ = nullptr;

namespace {

// A satellite holds strings and a few dialogs: some hundred kilobytes.
constexpr size_t kMaxSatelliteBytes = 16u << 20;

// The loaded copy of the satellite, deleted when the application goes.
std::wstring g_satelliteCopy;

// The satellite read from the medium into memory and written to a file in the temporary folder,
// from which it is loaded: a library is mapped, and a read error of the medium inside a mapped
// view would end the process; the copy lies on a local disk. Empty when it cannot be made.
std::wstring LocalCopyOf(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    uint64_t size = 0;
    if (ReadFileHead(path, kMaxSatelliteBytes, &bytes, &size) != ERROR_SUCCESS || size != bytes.size()) return {};
    wchar_t folder[MAX_PATH + 1] = {};
    wchar_t name[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH || !GetTempFileNameW(folder, L"stl", 0, name)) return {};
    UniqueFileHandle file(CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
    DWORD written = 0;
    const bool whole = file && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                       written == bytes.size();
    file.reset();
    if (!whole) {
        DeleteFileW(name);
        return {};
    }
    return name;
}

void UnloadSatelliteResources() {
    if (g_satelliteCopy.empty()) return;
    HMODULE satellite = ResourceModule();
    SetResourceModule(nullptr);
    FreeLibrary(satellite);
    DeleteFileW(g_satelliteCopy.c_str());
    g_satelliteCopy.clear();
}

}  // namespace

App::App() { current_ = this; }

App::~App() {
    if (current_ == this) current_ = nullptr;
    UnloadSatelliteResources();
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
    const std::wstring copy = LocalCopyOf(path);
    if (copy.empty()) return false;
    // Mapped as data: no entry point or import of it ever runs. Systems before Vista do not
    // know the image-resource flag and refuse it, so they get the plain data-file mapping.
    HMODULE library = LoadLibraryExW(copy.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!library) library = LoadLibraryExW(copy.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!library) {
        DeleteFileW(copy.c_str());
        return false;
    }
    UnloadSatelliteResources();
    g_satelliteCopy = copy;
    SetResourceModule(library);
    return true;
}

}  // namespace fw
