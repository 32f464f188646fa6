#include "app/fatal_exit.h"

#include "app/old_windows.h"
#include "system/setup_log.h"

namespace {

bool g_showBox = false;
LONG g_endingThread = 0;  // the thread telling the first failure

// Appends text to buffer at length, cut where the room ends.
int Append(char* buffer, int length, const char* text) {
    for (; text && *text && length < kFatalTextSize - 1; ++text) buffer[length++] = *text;
    buffer[length] = '\0';
    return length;
}

}  // namespace

DWORD FatalExitCode(FatalCause cause) {
    switch (cause) {
    case FatalCause::MissingDll: return ERROR_MOD_NOT_FOUND;
    case FatalCause::MissingFunction: return ERROR_PROC_NOT_FOUND;
    case FatalCause::OutOfMemory:
    case FatalCause::BrokenPrecondition: break;
    }
    return ERROR_INSTALL_FAILURE;
}

void FatalText(FatalCause cause, const char* dll, const char* function, char* buffer) {
    int length = Append(buffer, 0, "Fatal: ");
    switch (cause) {
    case FatalCause::OutOfMemory: Append(buffer, length, "out of memory"); return;
    case FatalCause::BrokenPrecondition: Append(buffer, length, "a library precondition failed"); return;
    case FatalCause::MissingDll:
        Append(buffer, Append(buffer, length, dll), " cannot be loaded from the system folder");
        return;
    case FatalCause::MissingFunction:
        Append(buffer, Append(buffer, Append(buffer, length, dll), " has no function "), function);
        return;
    }
}

void ShowFatalBox(bool show) { g_showBox = show; }

void EndFatally(FatalCause cause, const char* dll, const char* function) {
    const LONG thread = static_cast<LONG>(GetCurrentThreadId());
    const LONG first = InterlockedCompareExchange(&g_endingThread, thread, 0);
    // A failure while the first is told: on the same thread (the box itself failing) the process
    // ends at once; another thread waits until the first has ended it.
    if (first == thread) ExitProcess(FatalExitCode(cause));
    if (first != 0) {
        for (;;) Sleep(INFINITE);
    }
    char line[kFatalTextSize];
    FatalText(cause, dll, function, line);
    const DWORD exitCode = FatalExitCode(cause);
    char exitLine[32];
    wsprintfA(exitLine, "Exit code %lu", exitCode);
    OutputDebugStringA(line);
    if (const SetupLog* log = ActiveSetupLog()) {
        log->WriteAnsi(line);
        log->WriteAnsi(exitLine);
    }
    if (g_showBox) {
        char program[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, program, MAX_PATH);
        // No window of this thread takes input behind the box; a quit posted meanwhile (a page's
        // "Finish") ends its loop unanswered: it shows again until its own button answers it.
        MSG quit;
        do {
            MessageBoxA(nullptr, line, ProgramCaption(program),
                        MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TASKMODAL);
        } while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    }
    ExitProcess(exitCode);
}
