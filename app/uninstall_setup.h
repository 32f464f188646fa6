#pragma once
// setup.exe /uninstall: removes the product the setup data names, as deployment tools remove
// it, with the unattended run's log and exit codes. The USB drivers package stays: other
// products of the maker use it.
#include <windows.h>

#include <string>

#include "app/command_line.h"
#include "install/setup_log.h"

// The properties the removal gets for restarts: REBOOT=ReallySuppress with /norestart; else the
// unattended run's rule for its last package (the installer restarts when needed, without a
// prompt in a passive run).
std::wstring UninstallRestartProperties(const SetupOptions& options);

// Exit code of the removal from the installer's result: not installed (1605) is 0; otherwise as
// an unattended installation ends.
DWORD UninstallExitCode(UINT removalResult, bool noRestart);

// The whole run; gives its exit code. The instance mutex's handle goes to the caller.
DWORD RunUninstallSetup(const SetupOptions& options, SetupLog& log, HANDLE* instanceMutex);
