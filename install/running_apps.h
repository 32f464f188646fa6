#pragma once
// The maker's applications that must not run during the installation, and closing a named
// program (the companion launcher) at start-up.
#include <windows.h>

#include <string>
#include <vector>

struct AppWindowEntry {
    std::wstring displayName;
    std::wstring windowClassGuid;  // may be empty: then the executable name is looked for
    std::wstring executableName;
};

struct AppProcessEntry {
    std::wstring displayName;
    std::wstring executableName;
};

// Value of "SOFTWARE\Korvel\Application Guids" (HKLM); empty when it cannot be read.
std::wstring ReadApplicationGuid(const std::wstring& valueName);

// The guarded applications, with the GUIDs read from the registry.
void BuildGuardedApplications(std::vector<AppWindowEntry>* windowEntries,
                              std::vector<AppProcessEntry>* processEntries);

// Window entries without a GUID are looked for by process name instead, after the given
// process entries; the others by window class only.
void SplitApplicationEntries(const std::vector<AppWindowEntry>& windowEntries,
                             const std::vector<AppProcessEntry>& processEntries,
                             std::vector<AppWindowEntry>* byClass,
                             std::vector<AppProcessEntry>* byProcess);

// Display names of the entries whose GUID equals one of the class names (exact, with case),
// each entry at most once, in entry order.
std::vector<std::wstring> MatchWindowClasses(const std::vector<AppWindowEntry>& byClass,
                                             const std::vector<std::wstring>& classNames);

// For each running executable file name in snapshot order, the display name of the first
// entry whose executable name equals it without regard to case.
std::vector<std::wstring> MatchProcessNames(const std::vector<AppProcessEntry>& byProcess,
                                            const std::vector<std::wstring>& runningExecutables);

// The prompt: the header, then "\n" and each name, names sorted by UTF-16 code units.
std::wstring BuildCloseApplicationsMessage(const std::wstring& header, std::vector<std::wstring> names);

// Window-class hits first, then process hits. Changes nothing.
std::vector<std::wstring> FindRunningApplications(const std::vector<AppWindowEntry>& windowEntries,
                                                  const std::vector<AppProcessEntry>& processEntries);

// Asks the user to close the running guarded applications until none runs (true) or the user
// cancels (false).
bool PromptToCloseApplications();

// The guarded applications running now, each with the executable file name of its table entry.
// Asks no one. Besides what FindRunningApplications finds, an application known by its window
// class is also found by its executable in the process list, which spans sessions and desktops:
// from a service's session the window of a user's copy is out of sight.
std::vector<AppProcessEntry> FindRunningGuardedApplications();

// Window entries whose class was not among the hits, as process entries: found by executable
// name instead.
std::vector<AppProcessEntry> UnseenClassEntries(const std::vector<AppWindowEntry>& windowEntries,
                                                const std::vector<std::wstring>& classHits);

// How a running copy is closed. One that can get the close message (same session, a window on
// this desktop) is asked and ended after 5 seconds; any other is ended at once, since no
// message reaches it.
enum class CloseWay { AskThenEnd, EndAtOnce };
CloseWay ChooseCloseWay(DWORD copySession, DWORD ownSession, bool hasWindowOnThisDesktop);

// Closes every running copy of each executable named (each name once), as ChooseCloseWay says;
// gives one log line per copy: "Closing NAME: closed", "... ended after 5 seconds", "... ended
// at once, <why>", "... not ended", each followed by the copy's process id, full image path,
// user and session.
std::vector<std::wstring> CloseRunningApplications(const std::vector<AppProcessEntry>& applications);

// Asks every top-level window of the first running copy of the program to close, waits 5 s
// while this thread's messages are dispatched, then terminates it. NotClosed when it runs but
// could not be opened or ended.
enum class ProgramClose { NotRunning, Closed, NotClosed };
ProgramClose CloseProgramByName(const std::wstring& executableName);
// The log line of closing the companion launcher: "kStart.exe: closed", "kStart.exe: running,
// could not be closed", "kStart.exe: not running".
const char* LauncherLine(ProgramClose result);
