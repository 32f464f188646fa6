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
};

DWORD RefusalExitCode(Refusal refusal);
// The string table entry the interactive run shows for it; 0 when it shows none of its own.
UINT RefusalMessageId(Refusal refusal);

// 3010 or 1641: the package asks for a restart (suppressed, or already started).
bool AsksForRestart(UINT installerResult);

// Exit code of a finished installation: a failed product package gives its own result; else
// 3010 when a package asked for a restart (1641 too, when restarts were suppressed); 1641 when
// the installer restarts the machine itself; 0 otherwise. Other packages' failures only warn.
DWORD InstallExitCode(UINT productResult, bool otherPackageAsksForRestart, bool noRestart);
