#pragma once
// Who runs the setup, and where: the account, the session and the window station of this
// process, and the image path and account of another process. What a support engineer asks
// first, and what the log says of each copy of an application the setup closes.
#include <windows.h>

#include <string>

// "DOMAIN\user" of the process's token; its SID text when the name cannot be looked up; empty
// when the token cannot be read.
std::wstring ProcessAccount(HANDLE process);
// The full path of a process's executable; empty when it cannot be read.
std::wstring ProcessImagePath(DWORD processId);
// The session a process runs in; ownSession when it cannot be told.
DWORD ProcessSession(DWORD processId, DWORD ownSession);
// The name of this process's window station ("WinSta0", "Service-0x0-3e7$").
std::wstring WindowStationName();

// Whether someone could see a window of this process. A window station without WSF_VISIBLE
// (a service's) is seen by no one; from Vista on neither is session 0, where services run
// apart from every user's desktop.
bool SeenBySomeone(bool visibleStation, DWORD session, bool vistaOrLater);

// The run's first facts for the log: "Account: DOMAIN\user, session 1, window station WinSta0".
std::wstring RunnerDescription();

// Whether anyone could see a window of this process: false in a window station that is not
// visible (a service's), and from Vista on in session 0. True when it cannot be told.
bool IsWindowStationVisible();
