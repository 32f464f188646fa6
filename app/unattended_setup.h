#pragma once
// The setup started with /quiet, /passive or /uninstall: no page (but the installation's with
// /passive), no message box, nothing that waits for a person; its log, its first lines and its
// exit code. Its checks are the run's table (app/setup_run.h).
#include <windows.h>

#include <string>

#include "app/command_line.h"
#include "app/setup_data.h"
#include "install/install_sequence.h"
#include "system/setup_log.h"

// The setup data as read, one log line.
void LogSetupData(const ProductSetupData& data);

// The switches' usage: the string table's text, the English one when a satellite lacks it.
std::wstring UsageText();

// Where an unattended run without /log writes its log: the temporary folder, under a name with
// the product and the date.
std::wstring DefaultLogPath(const std::wstring& productName);

// Opens the log, makes it the one the setup writes to and writes the run's first lines: where
// the log is, the setup's version, the command line, Windows and its bitness, the account,
// session and window station, the medium. False when it cannot be
// written (nothing is logged then).
bool StartSetupLog(SetupLog& log, const std::wstring& path);

// Whether anyone could see a window of this process: false in a window station that is not
// visible (a service's), and from Vista on in session 0. True when it cannot be told.
bool IsWindowStationVisible();

// A start without /quiet or /passive where no one can see a window: the usage (for /? alone,
// exit code 0) or one line naming /quiet (exit code 87) goes to the log, /log's or the default.
DWORD RunInvisibleStart(const SetupOptions& options, SetupLog& log);

class SetupRun;

// What an unattended run and a removal by /uninstall do first: open the log (/log's or the
// default) and write the run's first line, and answer an invalid switch or /? there. False, with
// the run's exit code, when the run ends there.
bool StartUnattendedRun(SetupRun& run, DWORD* exitCode);

// The package operations with nothing shown; gives the run's exit code.
DWORD InstallQuietly(SetupRun& run);
// An unattended installation's exit code: a failed removal of the earlier version ends it with
// its result; otherwise the product's result by the restart rule.
DWORD UnattendedExitCode(SetupRun& run, const InstallOutcome& outcome);
