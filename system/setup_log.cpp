#include "system/setup_log.h"

#include <cstdio>

namespace {

SetupLog* g_activeLog = nullptr;

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(size > 0 ? size : 0, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                            nullptr);
    return bytes;
}

size_t NameStart(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? 0 : separator + 1;
}

// Position of the extension's dot within the file name, or npos.
size_t ExtensionStart(const std::wstring& path) {
    const size_t dot = path.find_last_of(L'.');
    return dot != std::wstring::npos && dot >= NameStart(path) ? dot : std::wstring::npos;
}

}  // namespace

SetupLog::~SetupLog() {
    if (g_activeLog == this) g_activeLog = nullptr;
}

bool SetupLog::Open(const std::wstring& path) {
    // Append-only access: every write lands at the end, also between two processes' writes.
    file_.reset(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    path_ = file_ ? path : std::wstring();
    return IsOpen();
}

void SetupLog::Write(const std::wstring& text) {
    if (!file_) return;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const std::string line = LogLineBytes(now, GetCurrentProcessId(), text);
    DWORD written = 0;
    WriteFile(file_.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

SetupLog* ActiveSetupLog() { return g_activeLog; }
void SetActiveSetupLog(SetupLog* log) { g_activeLog = log; }

void LogEvent(const std::wstring& text) {
    if (g_activeLog) g_activeLog->Write(text);
}

std::string LogLineBytes(const SYSTEMTIME& time, DWORD processId, const std::wstring& text) {
    std::wstring flat;
    bool inBreak = false;
    for (wchar_t c : text) {
        const bool lineBreak = c == L'\r' || c == L'\n';
        if (lineBreak && !inBreak) flat += L' ';
        if (!lineBreak) flat += c;
        inBreak = lineBreak;
    }
    char stamp[48];
    // The runtime DLL's formatting: the library's own C99 one would add some 30 KB to setup.exe.
    _snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u [%lu] ", time.wYear, time.wMonth,
                  time.wDay, time.wHour, time.wMinute, time.wSecond, time.wMilliseconds,
                  static_cast<unsigned long>(processId));
    return stamp + Utf8(flat) + "\r\n";
}

std::wstring DefaultLogFileName(const std::wstring& productName, const SYSTEMTIME& date) {
    std::wstring name;
    for (wchar_t c : productName) name += (c < 32 || std::wstring(L"\\/:*?\"<>|").find(c) != std::wstring::npos) ? L'_' : c;
    wchar_t day[16];
    _snwprintf(day, 16, L"%04u-%02u-%02u", date.wYear, date.wMonth, date.wDay);
    return (name.empty() ? L"" : name + L" ") + L"Setup " + day + L".log";
}

std::wstring PackageLogPath(const std::wstring& setupLogPath, const std::wstring& package) {
    const size_t packageDot = ExtensionStart(package);
    const size_t packageStart = NameStart(package);
    const std::wstring packageName =
        package.substr(packageStart, packageDot == std::wstring::npos ? std::wstring::npos : packageDot - packageStart);
    const size_t logDot = ExtensionStart(setupLogPath);
    if (logDot == std::wstring::npos) return setupLogPath + L"_" + packageName;
    return setupLogPath.substr(0, logDot) + L"_" + packageName + setupLogPath.substr(logDot);
}
