#pragma once
// The setup started with /quiet or /passive: no page, no message box, nothing that waits for a
// person. The same checks and the same install sequence as the interactive run, in its order;
// where that run shows a message and ends, this one logs the message and ends with its code.
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


// The unattended run up to the package operations: its checks and the steps before anything is
// changed. The instance mutex's handle goes to the caller, who holds it for the rest of the
// process.
struct UnattendedStart {
    bool ended = false;  // refused, or only the usage: exitCode is the run's
    DWORD exitCode = 0;
    ProductSetupData data;
    InstallPlan plan;
};
UnattendedStart BeginUnattendedSetup(const SetupOptions& options, SetupLog& log, HANDLE* instanceMutex);

// After the package operations: the run's exit code. When a package asked for a restart and
// /norestart was not given, Windows is restarted once the exit code is logged.
DWORD EndUnattendedSetup(const InstallPlan& plan, const InstallOutcome& outcome);
// Whether the setup restarts Windows as it ends.
bool RestartAtExit();
// The exit code of an unattended run that got this far, by the restart rule above; asks for the
// restart at the end when that is the rule's answer.
DWORD EndWithRestartRule(UINT productResult, bool restartNeeded, bool noRestart);

// What the unattended run and the removal by /uninstall do first: open the log (/log's or the
// default) and write firstLine, answer an invalid switch or /? there, and take the instance
// mutex. False, with the run's exit code, when the run ends there.
bool StartUnattendedRun(const SetupOptions& options, SetupLog& log, const std::wstring& productName,
                        const std::wstring& firstLine, HANDLE* instanceMutex, DWORD* exitCode);
// The refusal's message in the log; gives its exit code.
DWORD LogRefusal(Refusal refusal);

// The package operations with nothing shown, then the end of the run; gives its exit code.
DWORD InstallQuietly(const InstallPlan& plan);
// A whole quiet run, with nothing shown; gives its exit code.
DWORD RunUnattendedSetup(const SetupOptions& options, SetupLog& log, HANDLE* instanceMutex);
