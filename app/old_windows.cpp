#include "app/old_windows.h"

#include <string>

#include "app/command_line.h"
#include "install/setup_result.h"
#include "resources/resource.h"
#include "system/setup_log.h"

namespace {

std::wstring Widen(const char* text) {
    wchar_t buffer[2048] = {};
    MultiByteToWideChar(CP_ACP, 0, text, -1, buffer, 2048);
    buffer[2047] = L'\0';
    return buffer;
}

void AppendToLog(const std::wstring& path, const char* const* lines, int count) {
    char ansiPath[MAX_PATH] = {};
    if (!WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, ansiPath, MAX_PATH, nullptr, nullptr)) return;
    HANDLE file = CreateFileA(ansiPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    SetFilePointer(file, 0, nullptr, FILE_END);
    int offset = 0;
    const SYSTEMTIME now = LocalTimeNow(&offset);
    for (int i = 0; i < count; ++i) {
        char line[600];
        DWORD written = 0;
        WriteFile(file, line, OldWindowsLogLine(now, offset, GetCurrentProcessId(), lines[i], line), &written, nullptr);
    }
    CloseHandle(file);
}

}  // namespace

bool IsOlderThanWindows2000(DWORD getVersionResult) {
    return (getVersionResult & 0x80000000u) != 0 || LOBYTE(LOWORD(getVersionResult)) < 5;
}

int OldWindowsLogLine(const SYSTEMTIME& time, int utcOffsetMinutes, DWORD processId, const char* text, char* buffer) {
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

UINT RefuseOldWindows() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    char message[512] = {};
    LoadStringA(instance, IDS_UNSUPPORTED_OS, message, sizeof message);
    char program[MAX_PATH] = {};
    GetModuleFileNameA(instance, program, MAX_PATH);
    const SetupOptions options = ParseSetupCommandLine(Widen(GetCommandLineA()), Widen(program));
    if (options.Unattended() || options.uninstall) {  // /uninstall is passive unless /quiet
        const UINT exitCode = RefusalExitCode(Refusal::UnsupportedWindows);
        char exitLine[32];
        wsprintfA(exitLine, "Exit code %u", exitCode);
        const char* lines[] = {message, exitLine};
        if (!options.logFile.empty()) AppendToLog(options.logFile, lines, 2);
        return exitCode;
    }
    // The framework's caption: the program's file name without its extension.
    char* name = program;
    for (char* c = program; *c; ++c)
        if (*c == '\\' || *c == '/') name = c + 1;
    for (char* c = name + lstrlenA(name); c > name; --c)
        if (*c == '.') {
            *c = '\0';
            break;
        }
    MessageBoxA(nullptr, message, name, MB_OK | MB_ICONINFORMATION);
    return 1;
}
