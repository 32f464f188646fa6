#include "app/setup_run.h"

#include "app/unattended_setup.h"
#include "env/bootstrap.h"
#include "env/system_checks.h"
#include "framework/message_box.h"
#include "framework/strings.h"
#include "framework/thread.h"
#include "install/running_apps.h"
#include "resources/resource.h"

namespace {

bool SingleInstance(SetupRun& run) {
    run.instanceMutex = CreateMutexW(nullptr, FALSE, kInstanceMutexName);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        LogEvent("Single instance: another copy of the setup is running");
        return false;
    }
    LogEvent("Single instance: passed");
    return true;
}

bool NotInternalUser(SetupRun&) {
    if (IsInternalNetworkUser()) return false;
    LogEvent("Internal network user: no");
    return true;
}

bool EngineUpdated(SetupRun& run) {
    CBootstrap().UpdateInstallerEngine(run.kind() != RunKind::Pages);
    return true;
}

bool SetupDataLogged(SetupRun& run) {
    LogSetupData(run.data);
    // Only the verdict: the field's text could forge log lines.
    if (run.data.productCodeRefused)
        LogEvent("Setup data: the product code field holds no product code (8-4-4-4-12 hexadecimal digits); taken as none");
    return true;
}

bool PagesCreated(SetupRun& run) { return run.pages->CreatePages(); }

void CloseLauncher() {
    LogEvent(LauncherLine(CloseProgramByName(L"kStart.exe")));
}

// With pages, the launcher is closed beside the start-up: the main page does not wait for the
// process listing, nor for a launcher slow to close. The installation waits for it.
bool LauncherClosed(SetupRun& run) {
    if (run.kind() == RunKind::Pages) run.launcherClosing = fw::StartThread(CloseLauncher);
    if (!run.launcherClosing) CloseLauncher();
    return true;
}

bool MainPageShown(SetupRun& run) {
    run.pages->ShowMainPage();
    return true;
}

bool WindowsSupported(SetupRun&) {
    if (GetWindowsVersion() < Win2000) return false;
    LogEvent("Windows version: supported");
    return true;
}

bool Administrator(SetupRun&) {
    if (!IsLocalAdministrator()) return false;
    LogEvent("Administrator: yes");
    return true;
}

bool NoOtherInstallation(SetupRun&) {
    if (IsAnotherInstallationRunning()) return false;
    LogEvent("Another installation running: no");
    return true;
}

// Another installation started since would make every package fail: it must end before
// anything is closed or removed.
bool InstallerIdle(SetupRun&) {
    LogEvent(fw::Format("Install sequence: setup language %s, medium %s", fw::LoadResString(IDS_SETUP_LANGUAGE).c_str(),
                        GetSetupFolder().c_str()));
    if (IsWindowsInstallerBusy()) return false;
    LogEvent("Windows Installer: idle");
    return true;
}

bool PlanMade(SetupRun& run) {
    CompletePlan(run.data.productCode, run.installOptions(), &run.plan);
    return true;
}

// A product code field that holds something else was written by no build of the medium: the
// setup data is damaged or was altered, and the run would install without removing the earlier
// version.
bool SetupDataWhole(SetupRun& run) {
    if (!run.data.productCodeRefused) return true;
    const std::wstring path = GetSetupFolder() + L"setup.dat";
    LogEvent(fw::ReplaceFirst(fw::LoadEnglishString(IDS_PACKAGE_DAMAGED), L"%s", path));
    run.refusalText = fw::ReplaceFirst(fw::LoadResString(IDS_PACKAGE_DAMAGED), L"%s", path);
    return false;
}

// A medium without its packages (a package manager that fetched setup.exe alone) or with a
// damaged one ends here, while the earlier version is installed and the applications open.
bool PackagesOnTheMedium(SetupRun& run) { return SetupDataWhole(run) && PackagesUsable(run.plan, &run.refusalText); }

bool DriveWithRoom(SetupRun& run) { return ChooseInstallDrive(run.data.requiredSpaceBytes, &run.plan); }

bool ApplicationsNotRunning(SetupRun& run) { return ApplicationsClosed(run.installOptions()); }

bool FoldersRegistered(SetupRun& run) {
    RegisterDriveFolders(&run.plan);
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
        {"single instance", kStart, kEveryRun, Refusal::SecondCopy, 0, SingleInstance},
        {"internal network user", kStart, kInstallingRuns, Refusal::InternalUser, 0, NotInternalUser},
        {"installer engine update", kStart, kInstallingRuns, Refusal::None, 0, EngineUpdated},
        {"setup data", kStart, kEveryRun, Refusal::None, 0, SetupDataLogged},
        {"pages", kStart, kPagesOnly, Refusal::None, 1, PagesCreated},
        {"companion launcher", kStart, kInstallingRuns, Refusal::None, 0, LauncherClosed},
        {"main page", kStart, kPagesOnly, Refusal::None, 0, MainPageShown},
        {"Windows version", kStart, kEveryRun, Refusal::UnsupportedWindows, 1, WindowsSupported},
        {"administrator", kStart, kEveryRun, Refusal::NotAdministrator, 1, Administrator},
        {"another installation", kStart, kEveryRun, Refusal::AnotherInstallation, 1, NoOtherInstallation},
        // What can already be known to fail comes before anything is closed or written.
        {"Windows Installer idle", kInstallation, kInstallingRuns, Refusal::AnotherInstallation, 0, InstallerIdle},
        {"plan", kInstallation, kInstallingRuns, Refusal::None, 0, PlanMade},
        {"packages on the medium", kInstallation, kInstallingRuns, Refusal::PackageUnusable, 0, PackagesOnTheMedium},
        {"drive choice", kInstallation, kInstallingRuns, Refusal::NoDriveWithRoom, 0, DriveWithRoom},
        {"running applications", kInstallation, kInstallingRuns, Refusal::ApplicationsRunning, 0,
         ApplicationsNotRunning},
        {"folder registrations", kInstallation, kInstallingRuns, Refusal::None, 0, FoldersRegistered},
    };
    return table;
}

std::vector<std::wstring> CheckNames(RunKind kind, CheckPhase phase) {
    std::vector<std::wstring> names;
    for (const StartCheck& check : StartChecks())
        if (check.phase == phase && (check.kinds & KindBit(kind))) names.push_back(fw::Widen(check.name));
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
    if (phase == CheckPhase::Installation) AwaitLauncherClosed();
    for (const StartCheck& check : StartChecks()) {
        if (check.phase != phase || !(check.kinds & KindBit(kind_)) || check.passes(*this)) continue;
        Refuse(check);
        return false;
    }
    if (phase == CheckPhase::Start && pages) pages->StartChecksPassed();
    return true;
}

void SetupRun::Refuse(const StartCheck& check) {
    // The log is in English whatever the user's language; the box in the user's.
    const UINT message = RefusalMessageId(check.refusal);
    if (message) LogEvent(fw::LoadEnglishString(message));
    const std::wstring text = !refusalText.empty() ? refusalText : message ? fw::LoadResString(message) : L"";
    if (kind_ != RunKind::Pages) {
        End(RefusalExitCode(check.refusal));
        return;
    }
    if (!text.empty()) fw::AppMessageBox(text, MB_ICONINFORMATION | MB_OK, static_cast<UINT>(-1));
    End(check.pagesExitCode);
}

void SetupRun::End(DWORD exitCode) { PostQuitMessage(static_cast<int>(exitCode)); }

DWORD SetupRun::EndByRestartRule(UINT result, bool restartNeeded) {
    const RunEnd end = DecideRunEnd(result, restartNeeded, true, options_.noRestart);
    if (end.restart == RestartAction::RestartNow) {
        LogEvent("Restart: a package asked for one; Windows restarts as the setup ends");
        restartAtExit_ = true;
    } else if (end.exitCode == ERROR_SUCCESS_REBOOT_REQUIRED) {
        LogEvent("Restart: a package asked for one; /norestart leaves it to whoever runs the setup");
    } else if (end.restartPending) {
        LogEvent(fw::Format("Restart: pending, asked for before the failure; the run ends with %lu", end.exitCode));
    }
    return end.exitCode;
}

void SetupRun::AwaitLauncherClosed() {
    if (launcherClosing) fw::WaitDispatchingAll(launcherClosing.get());
    launcherClosing.reset();
}

int SetupRun::Exit(int exitCode) {
    AwaitLauncherClosed();
    // The exit code says what happened, so it is written after the restart was tried: a refused
    // restart leaves one required (3010), and the user who asked for it is told.
    if (restartAtExit_ && !RestartWindows()) {
        LogEvent(fw::Format("Restart refused: error %lu; Windows must still be restarted", GetLastError()));
        exitCode = static_cast<int>(ExitCodeAfterRestart(static_cast<DWORD>(exitCode), false));
        if (kind_ == RunKind::Pages) fw::AppMessageBox(IDS_RESTART_FAILED, MB_ICONWARNING | MB_OK);
    }
    LogEvent(fw::Format("Exit code %d", exitCode));
    return exitCode;
}

void SetupRun::StartInstallation() {
    if (Walk(CheckPhase::Installation)) pages->ShowInstallation(plan);
}

void SetupRun::RestartAtExit() {
    LogEvent("Restart now: Windows restarts as the setup ends");
    restartAtExit_ = true;
}
