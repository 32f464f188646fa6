#pragma once
// How an unattended run ends: one Windows error code per outcome, so deployment tools that
// already read installer results understand it. The interactive run keeps its own exit codes.
#include <windows.h>

// How a run shows itself: Full is the run with pages; Passive shows the installation's progress
// and nothing else; Quiet shows nothing.
enum class SetupUi { Full, Passive, Quiet };

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
};

DWORD RefusalExitCode(Refusal refusal);
// The string table entry a refusal is shown and logged with; 0 where the check tells its own
// (the running applications, named).
UINT RefusalMessageId(Refusal refusal);

// 3010 or 1641: the package asks for a restart (suppressed, or already started).
bool AsksForRestart(UINT installerResult);

// What the end of a run does about a restart: nothing, offer it to the user, or restart now.
enum class RestartAction { None, Offer, RestartNow };

struct RunEnd {
    DWORD exitCode = 0;  // of an unattended run; the interactive run keeps its own
    RestartAction restart = RestartAction::None;
};

// How a finished installation ends. A failed product package gives its own result and no
// restart; otherwise, when something asked for a restart, the interactive run offers it, an
// unattended run restarts Windows itself (1641) or, with /norestart, ends with 3010.
RunEnd DecideRunEnd(UINT productResult, bool restartNeeded, bool unattended, bool noRestart);

// Restarts Windows as a planned restart for an application's installation, the shutdown
// privilege enabled first. False when Windows refuses.
bool RestartWindows();
