#include "system/setup_log.h"

#include <cstdio>

#include "framework/path.h"
#include "framework/strings.h"
#include "setup_version.h"
#include "system/session_info.h"
#include "system/system_info.h"

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

std::wstring WindowsDescription() {
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version))) {
        version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);  // systems before NT 4 SP6
        GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version));
    }
#pragma GCC diagnostic pop
    return fw::Format("Windows %lu.%lu.%lu %s, platform %lu, version code %d, %hs", version.dwMajorVersion,
                      version.dwMinorVersion, version.dwBuildNumber, version.szCSDVersion, version.dwPlatformId,
                      GetWindowsVersion(), IsWow64() ? "64-bit" : "32-bit");
}

}  // namespace

SetupLog::~SetupLog() {
    if (g_activeLog == this) g_activeLog = nullptr;
}

HANDLE OpenLogFile(const std::wstring& path) {
    // Append-only access: every write lands at the end, also between two processes' writes.
    // A log may lie in a temporary folder an ordinary user can write: a link put there under its
    // name (a symbolic link, a hard link to another file) is never written through.
    fw::UniqueFileHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (file && (!GetFileInformationByHandle(file.get(), &information) || information.nNumberOfLinks != 1 ||
                 (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)))
        file.reset();
    return file ? file.release() : INVALID_HANDLE_VALUE;
}

bool SetupLog::Open(const std::wstring& path) {
    file_.reset(OpenLogFile(path));
    path_ = file_ ? path : std::wstring();
    return IsOpen();
}

void SetupLog::Write(const std::wstring& text) {
    if (!file_) return;
    int offset = 0;
    const SYSTEMTIME now = LocalTimeNow(&offset);
    const std::string line = LogLineBytes(now, offset, GetCurrentProcessId(), text);
    DWORD written = 0;
    WriteFile(file_.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void SetupLog::WriteAnsi(const char* text) const {
    if (!file_) return;
    char line[600];
    if (lstrlenA(text) > static_cast<int>(sizeof line) - 64) return;
    int offset = 0;
    const SYSTEMTIME now = LocalTimeNow(&offset);
    DWORD written = 0;
    WriteFile(file_.get(), line, AnsiLogLine(now, offset, GetCurrentProcessId(), text, line), &written, nullptr);
}

SYSTEMTIME LocalTimeNow(int* utcOffsetMinutes) {
    // The offset of this moment, daylight saving time included.
    FILETIME utc{}, local{};
    GetSystemTimeAsFileTime(&utc);
    FileTimeToLocalFileTime(&utc, &local);
    SYSTEMTIME now{};
    FileTimeToSystemTime(&local, &now);
    const auto ticks = [](const FILETIME& time) {
        return static_cast<long long>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    };
    constexpr long long kTicksPerMinute = 600000000;
    const long long difference = ticks(local) - ticks(utc);
    // Rounded to the nearest minute. In units of 512 ticks an offset of up to a day fits in 32
    // bits: no 64-bit division (the library's routine for it would be part of setup.exe).
    const int units =
        static_cast<int>((difference + (difference < 0 ? -kTicksPerMinute : kTicksPerMinute) / 2) / 512);
    *utcOffsetMinutes = units / static_cast<int>(kTicksPerMinute / 512);
    return now;
}

SetupLog* ActiveSetupLog() { return g_activeLog; }
void SetActiveSetupLog(SetupLog* log) { g_activeLog = log; }

void LogEvent(const std::wstring& text) {
    if (g_activeLog) g_activeLog->Write(text);
}

void LogEvent(const char* text) {
    if (g_activeLog) g_activeLog->Write(fw::Widen(text));
}

void LogEvent(const char* start, const std::wstring& text, const char* end) {
    if (g_activeLog) g_activeLog->Write(fw::Widen(start) + text + fw::Widen(end));
}

std::wstring LoggedMessage(UINT message, const std::wstring& value) {
    LogEvent(fw::ReplaceFirst(fw::LoadEnglishString(message), L"%s", value));
    return fw::ReplaceFirst(fw::LoadResString(message), L"%s", value);
}

std::string LogLineBytes(const SYSTEMTIME& time, int utcOffsetMinutes, DWORD processId, const std::wstring& text) {
    std::wstring flat;
    bool inBreak = false;
    for (wchar_t c : text) {
        const bool lineBreak = c == L'\r' || c == L'\n';
        if (lineBreak && !inBreak) flat += L' ';
        if (!lineBreak) flat += c;
        inBreak = lineBreak;
    }
    const int offset = utcOffsetMinutes < 0 ? -utcOffsetMinutes : utcOffsetMinutes;
    char stamp[64];
    // The runtime DLL's formatting: the library's own C99 one would add some 30 KB to setup.exe.
    _snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u %c%02d:%02d [%lu] ", time.wYear, time.wMonth,
              time.wDay, time.wHour, time.wMinute, time.wSecond, time.wMilliseconds, utcOffsetMinutes < 0 ? '-' : '+',
              offset / 60, offset % 60, static_cast<unsigned long>(processId));
    return stamp + Utf8(flat) + "\r\n";
}

int AnsiLogLine(const SYSTEMTIME& time, int utcOffsetMinutes, DWORD processId, const char* text, char* buffer) {
    const int offset = utcOffsetMinutes < 0 ? -utcOffsetMinutes : utcOffsetMinutes;
    int length = wsprintfA(buffer, "%04u-%02u-%02u %02u:%02u:%02u.%03u %c%02d:%02d [%lu] ", time.wYear, time.wMonth,
                           time.wDay, time.wHour, time.wMinute, time.wSecond, time.wMilliseconds,
                           utcOffsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60, processId);
    bool inBreak = false;
    for (const char* c = text; *c; ++c) {
        const bool lineBreak = *c == '\r' || *c == '\n';
        if (lineBreak && !inBreak) buffer[length++] = ' ';
        if (!lineBreak) buffer[length++] = *c;
        inBreak = lineBreak;
    }
    buffer[length++] = '\r';
    buffer[length++] = '\n';
    buffer[length] = '\0';
    return length;
}

std::wstring DefaultLogFileName(const std::wstring& productName, const SYSTEMTIME& date) {
    std::wstring name;
    for (wchar_t c : productName) name += (c < 32 || std::wstring(L"\\/:*?\"<>|").find(c) != std::wstring::npos) ? L'_' : c;
    wchar_t day[16];
    _snwprintf(day, 16, L"%04u-%02u-%02u", date.wYear, date.wMonth, date.wDay);
    return (name.empty() ? L"" : name + L" ") + L"Setup " + day + L".log";
}

std::wstring PackageLogPath(const std::wstring& setupLogPath, const std::wstring& package) {
    return fw::WithoutExtension(setupLogPath) + L"_" + fw::WithoutExtension(fw::FileNameOfPath(package)) +
           fw::ExtensionOfPath(setupLogPath);
}

std::wstring DefaultLogPath(const std::wstring& productName) {
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    SYSTEMTIME today{};
    GetLocalTime(&today);
    const std::wstring name = DefaultLogFileName(productName, today);
    if (length == 0 || length > MAX_PATH) return name;
    return folder + name;
}

bool StartSetupLog(SetupLog& log, const std::wstring& path) {
    // The packages' logs are written by the installer, whose current folder is not ours.
    std::wstring full(MAX_PATH, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length);
        length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    full.resize(length < full.size() ? length : 0);
    if (full.empty()) full = path;
    if (!log.Open(full)) return false;
    SetActiveSetupLog(&log);
    LogEvent("Setup log: ", full);
    LogEvent("Setup version: " SETUP_VERSION_TEXT);
    LogEvent("Command line: ", GetCommandLineW());
    LogEvent(WindowsDescription());
    LogEvent(RunnerDescription());
    LogEvent("Medium: ", GetSetupFolder());
    return true;
}
