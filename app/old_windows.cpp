#include "app/old_windows.h"

#include <string>

#include "app/command_line.h"
#include "install/setup_result.h"
#include "resources/resource.h"
#include "system/setup_log.h"

namespace {

// The buffer on the heap: the program's frames stay small enough to need no stack probe.
std::wstring Widen(const char* text) {
    std::wstring buffer(2048, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, buffer.data(), 2048);
    buffer[2047] = L'\0';
    return buffer.c_str();
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
        WriteFile(file, line, AnsiLogLine(now, offset, GetCurrentProcessId(), lines[i], line), &written, nullptr);
    }
    CloseHandle(file);
}

}  // namespace

bool IsOlderThanWindows2000(DWORD getVersionResult) {
    return (getVersionResult & 0x80000000u) != 0 || LOBYTE(LOWORD(getVersionResult)) < 5;
}

char* ProgramCaption(char* path) {
    char* name = path;
    for (char* c = path; *c; ++c)
        if (*c == '\\' || *c == '/') name = c + 1;
    for (char* c = name + lstrlenA(name); c > name; --c)
        if (*c == '.') {
            *c = '\0';
            break;
        }
    return name;
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
    MessageBoxA(nullptr, message, ProgramCaption(program), MB_OK | MB_ICONINFORMATION);
    return 1;
}
