#pragma once
// The one way out when the run cannot go on: memory that cannot be had, a broken precondition of
// the library, a system DLL or function the program cannot have. One line prepared without
// allocating goes to the open log, then the "Exit code" line; the interactive run shows the line
// in a box as well, which only its own button answers; the process ends with the cause's exit code.
#include <windows.h>

enum class FatalCause { OutOfMemory, BrokenPrecondition, MissingDll, MissingFunction };

// 1603 (ERROR_INSTALL_FAILURE, the installer's fatal error) for the runtime's causes; 126
// (ERROR_MOD_NOT_FOUND) and 127 (ERROR_PROC_NOT_FOUND) for the loader's.
DWORD FatalExitCode(FatalCause cause);

// "Fatal: out of memory", "Fatal: a library precondition failed", "Fatal: NAME.dll cannot be
// loaded from the system folder", "Fatal: NAME.dll has no function FUNCTION" ("#N" for an
// ordinal), into buffer (at least kFatalTextSize bytes); names are cut to fit.
constexpr int kFatalTextSize = 256;
void FatalText(FatalCause cause, const char* dll, const char* function, char* buffer);

// Whether the line is shown in a box too: the interactive run, decided once at start.
void ShowFatalBox(bool show);

// Never returns. A failure on another thread while the first is told waits for its end; one on
// the same thread (the box failing) ends the process at once.
[[noreturn]] void EndFatally(FatalCause cause, const char* dll = nullptr, const char* function = nullptr);
