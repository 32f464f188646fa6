#include "install/setup_result.h"

#include "resources/resource.h"

namespace {
constexpr DWORD kElevationRequired = 740;
constexpr DWORD kRebootRequired = ERROR_SUCCESS_REBOOT_REQUIRED;    // 3010
constexpr DWORD kRebootInitiated = ERROR_SUCCESS_REBOOT_INITIATED;  // 1641
}  // namespace

DWORD RefusalExitCode(Refusal refusal) {
    switch (refusal) {
    case Refusal::None: return ERROR_SUCCESS;
    case Refusal::InvalidSwitch: return ERROR_INVALID_PARAMETER;
    case Refusal::LogNotWritable: return ERROR_INSTALL_LOG_FAILURE;
    case Refusal::SecondCopy: return ERROR_INSTALL_ALREADY_RUNNING;
    case Refusal::InternalUser: return ERROR_PRODUCT_VERSION;
    case Refusal::UnsupportedWindows: return ERROR_OLD_WIN_VERSION;
    case Refusal::NotAdministrator: return kElevationRequired;
    case Refusal::AnotherInstallation: return ERROR_INSTALL_ALREADY_RUNNING;
    case Refusal::ApplicationsRunning: return ERROR_SHARING_VIOLATION;
    case Refusal::NoDriveWithRoom: return ERROR_DISK_FULL;
    case Refusal::PackageUnusable: return ERROR_INSTALL_PACKAGE_OPEN_FAILED;
    }
    return ERROR_INVALID_FUNCTION;
}

UINT RefusalMessageId(Refusal refusal) {
    switch (refusal) {
    case Refusal::InternalUser: return IDS_INTERNAL_USER;
    case Refusal::UnsupportedWindows: return IDS_UNSUPPORTED_OS;
    case Refusal::NotAdministrator: return IDS_NOT_ADMINISTRATOR;
    case Refusal::AnotherInstallation: return IDS_ANOTHER_INSTALLATION;
    case Refusal::NoDriveWithRoom: return IDS_INSUFFICIENT_SPACE;
    default: return 0;
    }
}

bool AsksForRestart(UINT installerResult) {
    return installerResult == kRebootRequired || installerResult == kRebootInitiated;
}

RunEnd DecideRunEnd(UINT productResult, bool restartNeeded, bool unattended, bool noRestart) {
    const bool failed = productResult != ERROR_SUCCESS && !AsksForRestart(productResult);
    const DWORD result = failed ? productResult : ERROR_SUCCESS;
    if (!restartNeeded && !AsksForRestart(productResult)) return {result, RestartAction::None, false};
    if (!unattended) return {result, noRestart ? RestartAction::None : RestartAction::Offer, true};
    if (failed) return {result, RestartAction::None, true};
    if (noRestart) return {kRebootRequired, RestartAction::None, true};
    return {kRebootInitiated, RestartAction::RestartNow, true};
}

DWORD ExitCodeAfterRestart(DWORD exitCode, bool restarted) {
    return exitCode == kRebootInitiated && !restarted ? kRebootRequired : exitCode;
}
