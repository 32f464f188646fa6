#pragma once
// Starting other programs and waiting for them. The waits are plain ones: programs are started
// from the package operations' thread or from a thread the GUI thread waits for while it
// dispatches its messages.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "system/processes.h"

// Program token and the rest of a command line, as a task action wants them: the program
// without its quotation marks, the arguments without the blanks that separate them from it.
struct CommandLineParts {
    std::wstring program;
    std::wstring arguments;
};
CommandLineParts SplitCommandLine(const std::wstring& commandLine);

// The file name a process of the command line's program reports as its module base name:
// no folder, ".exe" added when the name has no extension.
std::wstring ExecutableNameOf(const std::wstring& commandLine);

// An argument in quotation marks, for a command line the setup starts; empty when it is refused.
// A quotation mark would end the argument early and let the rest add switches, a control
// character (a line break) ends a task's or a log's line, and a backslash before the closing mark
// would escape it: no quoting keeps such a value one argument, so its program is not started.
// Every value from outside the setup (the medium, the command line, the system) that goes into a
// command line goes through here.
std::wstring QuotedArgument(const std::wstring& argument);

// The system folder's msiexec.exe in quotation marks, " /q /x" or " /x", a blank and the
// product code in quotation marks; empty when either is refused.
std::wstring UninstallCommandLine(const std::wstring& systemFolder, const std::wstring& productCode, bool quiet);

// From Vista on programs are started through a one-shot scheduled task.
bool UsesScheduledTask(int windowsVersion);
// Whether a text stays as it is in a task's action, which the Task Scheduler expands: no "%".
bool IsSafeForTask(const std::wstring& text);
// "Launch %d" for one pseudo-random value.
std::wstring TaskNameFor(int randomValue);
// Whether a CoInitializeSecurity result lets the launch go on: the process-wide security set by
// an earlier launch of this process is what this launch would set.
bool IsComSecurityUsable(HRESULT result);

// Each launch returns true when the program was started. With wait set it returns when the
// program has ended and writes its exit code; otherwise the exit code is left unchanged.
bool RunProgram(std::wstring& commandLine, bool wait, DWORD& exitCode);
bool RunProgramDirect(std::wstring& commandLine, bool wait, DWORD& exitCode);
bool RunProgramAsScheduledTask(std::wstring& commandLine, bool wait, DWORD& exitCode);
// The scheduled-task launch under a given task name; a command line that is not safe for a task
// is refused (logged, nothing registered).
bool RunProgramAsNamedTask(const std::wstring& taskName, const std::wstring& commandLine, bool wait,
                           DWORD& exitCode);

// What a wait writes when the program a task started had ended before it could be found, so
// its exit code cannot be known (GetExitCodeProcess's "no exit code yet").
constexpr DWORD kExitCodeUnknown = STILL_ACTIVE;
// "1605", or "unknown" for kExitCodeUnknown.
std::wstring ExitCodeText(DWORD exitCode);

// Whether a process could be the program a task started, going by who started it: not when a
// service did (its parent is services.exe: the Windows Installer service runs as msiexec.exe
// too), nor a program of its own name (the installer service's custom-action servers).
bool CouldBeTaskProgram(const RunningProcess& process, const std::vector<RunningProcess>& processes);

// Finds the running process whose program file name is the given one (without regard to case),
// that could be the task's program and that was started first at or after startedAfter (a
// FILETIME value; 0: any), waits for it and writes its exit code. False when none runs.
bool WaitForProgramByName(const std::wstring& fileName, DWORD& exitCode, uint64_t startedAfter = 0);

