#include "app/setup_run.h"

#include "app/unattended_setup.h"
#include "env/bootstrap.h"
#include "env/system_checks.h"
#include "framework/message_box.h"
#include "framework/strings.h"
#include "install/running_apps.h"
#include "resources/resource.h"

namespace {

bool SingleInstance(SetupRun& run) {
    run.instanceMutex = CreateMutexW(nullptr, FALSE, kInstanceMutexName);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        LogEvent(L"Single instance: another copy of the setup is running");
        return false;
    }
    LogEvent(L"Single instance: passed");
    return true;
}

bool NotInternalUser(SetupRun&) {
    if (IsInternalNetworkUser()) return false;
    LogEvent(L"Internal network user: no");
    return true;
}

bool EngineUpdated(SetupRun& run) {
    CBootstrap().UpdateInstallerEngine(run.kind() != RunKind::Pages);
    return true;
}

bool SetupDataLogged(SetupRun& run) {
    LogSetupData(run.data);
    return true;
}

bool PagesCreated(SetupRun& run) { return run.pages->CreatePages(); }

bool LauncherClosed(SetupRun&) {
    LogEvent(CloseProgramByName(L"kStart.exe") ? L"kStart.exe: closed" : L"kStart.exe: not running");
    return true;
}

bool MainPageShown(SetupRun& run) {
    run.pages->ShowMainPage();
    return true;
}

bool WindowsSupported(SetupRun&) {
    if (GetWindowsVersion() < Win2000) return false;
    LogEvent(L"Windows version: supported");
    return true;
}

bool Administrator(SetupRun&) {
    if (!IsLocalAdministrator()) return false;
    LogEvent(L"Administrator: yes");
    return true;
}

bool NoOtherInstallation(SetupRun&) {
    if (IsAnotherInstallationRunning()) return false;
    LogEvent(L"Another installation running: no");
    return true;
}

// Another installation started since would make every package fail: it must end before
// anything is closed or removed.
bool InstallerIdle(SetupRun&) {
    LogEvent(L"Install sequence: setup language " + fw::LoadResString(IDS_SETUP_LANGUAGE) + L", medium " +
             GetSetupFolder());
    if (IsWindowsInstallerBusy()) return false;
    LogEvent(L"Windows Installer: idle");
    return true;
}

bool ApplicationsNotRunning(SetupRun& run) { return ApplicationsClosed(run.installOptions()); }

bool DriveWithRoom(SetupRun& run) { return ChooseInstallDrive(run.data.requiredSpaceBytes, &run.plan); }

bool PlanMade(SetupRun& run) {
    CompletePlan(run.data.productCode, run.installOptions(), &run.plan);
    return true;
}

constexpr unsigned kPagesOnly = KindBit(RunKind::Pages);
constexpr CheckPhase kStart = CheckPhase::Start;
constexpr CheckPhase kInstallation = CheckPhase::Installation;

}  // namespace

const std::vector<StartCheck>& StartChecks() {
    // The interactive run's exit codes: 0 for a start-up that refuses to run before the pages
    // exist, 1 when the pages cannot be made or a system check on the shown main page refuses,
    // 0 for a refusal as the installation begins (the setup ends as "Exit" ends it).
    static const std::vector<StartCheck> table = {
        {L"single instance", kStart, kEveryRun, Refusal::SecondCopy, 0, SingleInstance},
        {L"internal network user", kStart, kInstallingRuns, Refusal::InternalUser, 0, NotInternalUser},
        {L"installer engine update", kStart, kInstallingRuns, Refusal::None, 0, EngineUpdated},
        {L"setup data", kStart, kEveryRun, Refusal::None, 0, SetupDataLogged},
        {L"pages", kStart, kPagesOnly, Refusal::None, 1, PagesCreated},
        {L"companion launcher", kStart, kInstallingRuns, Refusal::None, 0, LauncherClosed},
        {L"main page", kStart, kPagesOnly, Refusal::None, 0, MainPageShown},
        {L"Windows version", kStart, kEveryRun, Refusal::UnsupportedWindows, 1, WindowsSupported},
        {L"administrator", kStart, kEveryRun, Refusal::NotAdministrator, 1, Administrator},
        {L"another installation", kStart, kEveryRun, Refusal::AnotherInstallation, 1, NoOtherInstallation},
        {L"Windows Installer idle", kInstallation, kInstallingRuns, Refusal::AnotherInstallation, 0, InstallerIdle},
        {L"running applications", kInstallation, kInstallingRuns, Refusal::ApplicationsRunning, 0,
         ApplicationsNotRunning},
        {L"drive choice", kInstallation, kInstallingRuns, Refusal::NoDriveWithRoom, 0, DriveWithRoom},
        {L"plan", kInstallation, kInstallingRuns, Refusal::None, 0, PlanMade},
    };
    return table;
}

std::vector<std::wstring> CheckNames(RunKind kind, CheckPhase phase) {
    std::vector<std::wstring> names;
    for (const StartCheck& check : StartChecks())
        if (check.phase == phase && (check.kinds & KindBit(kind))) names.push_back(check.name);
    return names;
}

RunKind RunKindOf(const SetupOptions& options) {
    if (options.uninstall) return RunKind::Uninstall;
    switch (options.ui) {
    case SetupUi::Quiet: return RunKind::Quiet;
    case SetupUi::Passive: return RunKind::Passive;
    case SetupUi::Full: break;
    }
    return RunKind::Pages;
}

void SetupRun::Begin(const SetupOptions& options) {
    options_ = options;
    kind_ = RunKindOf(options);
    data = ReadSetupData();
}

InstallOptions SetupRun::installOptions() const {
    InstallOptions install;
    install.ui = options_.ui;
    install.noRestart = options_.noRestart;
    install.closeApplications = options_.closeApplications;
    return install;
}

bool SetupRun::Walk(CheckPhase phase) {
    for (const StartCheck& check : StartChecks()) {
        if (check.phase != phase || !(check.kinds & KindBit(kind_)) || check.passes(*this)) continue;
        Refuse(check);
        return false;
    }
    if (phase == CheckPhase::Start && pages) pages->StartChecksPassed();
    return true;
}

void SetupRun::Refuse(const StartCheck& check) {
    const UINT message = RefusalMessageId(check.refusal);
    if (message) LogEvent(fw::LoadEnglishString(message));
    if (kind_ != RunKind::Pages) {
        End(RefusalExitCode(check.refusal));
        return;
    }
    if (message) fw::AppMessageBox(message, MB_ICONINFORMATION | MB_OK, static_cast<UINT>(-1));
    End(check.pagesExitCode);
}

void SetupRun::End(DWORD exitCode) { PostQuitMessage(static_cast<int>(exitCode)); }

DWORD SetupRun::EndByRestartRule(UINT result, bool restartNeeded) {
    const RunEnd end = DecideRunEnd(result, restartNeeded, true, options_.noRestart);
    if (end.restart == RestartAction::RestartNow) {
        LogEvent(L"Restart: a package asked for one; Windows restarts as the setup ends");
        restartAtExit_ = true;
    } else if (end.exitCode == ERROR_SUCCESS_REBOOT_REQUIRED) {
        LogEvent(L"Restart: a package asked for one; /norestart leaves it to whoever runs the setup");
    }
    return end.exitCode;
}

int SetupRun::Exit(int exitCode) {
    LogEvent(fw::Format(L"Exit code %d", exitCode));
    if (restartAtExit_ && !RestartWindows()) LogEvent(fw::Format(L"Restart refused: error %lu", GetLastError()));
    return exitCode;
}

void SetupRun::StartInstallation() {
    if (Walk(CheckPhase::Installation)) pages->ShowInstallation(plan);
}

void SetupRun::RestartAtExit() {
    LogEvent(L"Restart now: Windows restarts as the setup ends");
    restartAtExit_ = true;
}
