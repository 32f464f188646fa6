// Stand-in for the programs the setup starts (msiexec, the engine setups). Appends the command
// line it received, one line in UTF-16, to "<own path without .exe>.log", then follows the
// words "exit=N" and "sleep=MS" found in "<own path without .exe>.cfg" and on its command line,
// and when it is about to end writes "<own path without .exe>.done".
#include <windows.h>

#include <cwchar>
#include <string>

namespace {

std::wstring OwnBase() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring base(path);
    size_t dot = base.find_last_of(L'.');
    size_t slash = base.find_last_of(L'\\');
    if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash)) base.resize(dot);
    return base;
}

void Append(const std::wstring& path, const std::wstring& text) {
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(file);
}

std::wstring ReadAscii(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    char buffer[512] = {};
    DWORD read = 0;
    ReadFile(file, buffer, sizeof(buffer) - 1, &read, nullptr);
    CloseHandle(file);
    return std::wstring(buffer, buffer + read);
}

// The number after the last "key=" of the text, or the fallback.
unsigned long Setting(const std::wstring& text, const wchar_t* key, unsigned long fallback) {
    size_t at = text.rfind(key);
    if (at == std::wstring::npos) return fallback;
    return std::wcstoul(text.c_str() + at + std::wcslen(key), nullptr, 10);
}

}  // namespace

int wmain() {
    std::wstring base = OwnBase();
    std::wstring commandLine = GetCommandLineW();
    Append(base + L".log", commandLine + L"\n");
    std::wstring settings = ReadAscii(base + L".cfg") + L" " + commandLine;
    Sleep(Setting(settings, L"sleep=", 0));
    Append(base + L".done", L"done\n");
    return static_cast<int>(Setting(settings, L"exit=", 0));
}
