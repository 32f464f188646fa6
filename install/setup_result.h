#pragma once
// How an unattended run ends: one Windows error code per outcome, so deployment tools that
// already read installer results understand it. The interactive run keeps its own exit codes.
#include <windows.h>

// Where an unattended run stops before anything is installed.
enum class Refusal {
    None,
    InvalidSwitch,        // 87   ERROR_INVALID_PARAMETER
    LogNotWritable,       // 1622 ERROR_INSTALL_LOG_FAILURE
    SecondCopy,           // 1618 ERROR_INSTALL_ALREADY_RUNNING: tools retry it later
    InternalUser,         // 1638 ERROR_PRODUCT_VERSION: the network edition must go first
    UnsupportedWindows,   // 1150 ERROR_OLD_WIN_VERSION
    NotAdministrator,     // 740  ERROR_ELEVATION_REQUIRED
    AnotherInstallation,  // 1618 ERROR_INSTALL_ALREADY_RUNNING
    ApplicationsRunning,  // 32   ERROR_SHARING_VIOLATION: the maker's programs hold their files
    NoDriveWithRoom,      // 112  ERROR_DISK_FULL
    PackageUnusable,      // 1619 ERROR_INSTALL_PACKAGE_OPEN_FAILED: a package or cabinet missing or damaged
};

DWORD RefusalExitCode(Refusal refusal);
// The string table entry a refusal is shown and logged with; 0 where the check tells its own
// (the running applications, named; an unusable package, with the file's name).
UINT RefusalMessageId(Refusal refusal);

// 3010 or 1641: the package asks for a restart (suppressed, or already started).
bool AsksForRestart(UINT installerResult);

// What the end of a run does about a restart: nothing, offer it to the user, or restart now.
enum class RestartAction { None, Offer, RestartNow };

struct RunEnd {
    DWORD exitCode = 0;  // of an unattended run; the interactive run keeps its own
    RestartAction restart = RestartAction::None;
    bool restartPending = false;  // Windows must restart to finish what the packages did
};

// How a run ends, from the product package's result (a cancelled or failed one included) and
// whether the removal or a package asked for a restart. A failed product package gives its own
// result, and a restart asked for before it is not forgotten: the interactive run still offers
// it, an unattended one says it is pending. Otherwise, when something asked for a restart, the
// interactive run offers it, an unattended run restarts Windows itself (1641) or, with
// /norestart, ends with 3010. /norestart in the interactive run: no offer, only the pending.
RunEnd DecideRunEnd(UINT productResult, bool restartNeeded, bool unattended, bool noRestart);

// The exit code once the restart at the end was tried: a restart Windows refused leaves a
// restart required (3010), not one under way (1641).
DWORD ExitCodeAfterRestart(DWORD exitCode, bool restarted);
