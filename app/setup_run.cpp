#include "app/setup_run.h"

#include "app/fatal_exit.h"
#include "app/verify_medium.h"
#include "env/bootstrap.h"
#include "env/system_checks.h"
#include "framework/app.h"
#include "framework/message_box.h"
#include "framework/strings.h"
#include "framework/thread.h"
#include "framework/wait_cursor.h"
#include "install/running_apps.h"
#include "resources/resource.h"
#include "system/restart.h"
#include "system/session_info.h"
#include "ui/app_title.h"

namespace {

// The run whose launcher closing and medium check wait for the main page's painting: a timer
// gives its procedure no context, and a process has one run.
SetupRun* g_pendingStart = nullptr;

DWORD WINAPI CloseCompanionLauncher(void* = nullptr) {
    LogEvent(LauncherLine(CloseProgramByName(L"kStart.exe")));
    return 0;
}

}  // namespace

RunKind RunKindOf(const SetupOptions& options, bool visibleWindowStation) {
    if (options.verify) return RunKind::Verify;  // changes nothing, whatever else was asked
    if (options.uninstall) return RunKind::Uninstall;
    if (options.ui == SetupUi::Quiet) return RunKind::Quiet;
    if (options.ui == SetupUi::Passive) return RunKind::Passive;
    const bool usage = options.showUsage || !options.invalid.empty();
    if (visibleWindowStation) return usage ? RunKind::UsageBox : RunKind::Pages;
    return options.showUsage && options.invalid.empty() ? RunKind::UsageToLog : RunKind::NeedsQuiet;
}

namespace {

// A start without /quiet or /passive where no one can see a window: the usage (for /? alone,
// exit code 0) or one line naming /quiet (exit code 87) goes to the log, /log's or the default.
DWORD InvisibleStart(const SetupOptions& options, const std::wstring& productName, bool usage, SetupLog& log) {
    const std::wstring path = options.logFile.empty() ? DefaultLogPath(productName) : options.logFile;
    if (log.Open(path)) SetActiveSetupLog(&log);
    if (usage) {
        LogEvent(fw::LoadEnglishString(IDS_USAGE));
        return ERROR_SUCCESS;
    }
    LogEvent("No one can see this window station, so the setup shows no page or message: start it "
             "with /quiet (or /passive). Command line: ",
             GetCommandLineW());
    return RefusalExitCode(Refusal::InvalidSwitch);
}

}  // namespace

void SetupRun::Start(RunWindows& windows) {
    windows_ = &windows;
    options_ = ParseSetupCommandLine(GetCommandLineW(), fw::ModulePath());
    data_ = ReadSetupData();  // it names the default log
    kind_ = RunKindOf(options_, IsWindowStationVisible());
    // The removal shows its progress alone, as /passive does, unless /quiet shows nothing.
    if (kind_ == RunKind::Uninstall && options_.ui == SetupUi::Full) options_.ui = SetupUi::Passive;
    // A fatal failure is shown in a box only where someone sees the pages or the usage box.
    ShowFatalBox(kind_ == RunKind::Pages || kind_ == RunKind::UsageBox);
    plan_.options = options_;
    plan_.productName = data_.productName;
    // A run without pages joins the single-threaded apartment before anything else. The pages
    // need none of COM's libraries, which take long to load: in the interactive run the GUI
    // thread joins COM only when a screen reader first asks a page (item_accessible).
    if (kind_ != RunKind::Pages) apartment_.Initialize(COINIT_APARTMENTTHREADED);
    switch (kind_) {
    case RunKind::UsageToLog:
    case RunKind::NeedsQuiet:
        End(InvisibleStart(options_, data_.productName, kind_ == RunKind::UsageToLog, log_));
        return;
    case RunKind::UsageBox:
        fw::AppMessageBox(IDS_USAGE, MB_ICONINFORMATION | MB_OK);
        End(options_.invalid.empty() ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER);
        return;
    case RunKind::Pages:
        if (!options_.logFile.empty()) StartSetupLog(log_, options_.logFile);  // unwritable: no log
        break;
    case RunKind::Passive:
    case RunKind::Quiet:
    case RunKind::Uninstall:
    case RunKind::Verify: {
        DWORD exitCode = 0;
        if (StartUnattended(&exitCode)) break;
        End(exitCode);
        return;
    }
    }
    if (kind_ == RunKind::Verify) {
        End(VerifyMedium());
        return;
    }
    fw::WaitCursor wait;  // covers the engine update, the pages and the system checks
    SetApplicationTitle(fw::LoadResString(IDS_APPLICATION_TITLE));
    if (!Walk(RunPhase::Start)) return;
    if (kind_ != RunKind::Pages) {
        Install();
        return;
    }
    // The launcher's closing and the medium check start once the main page has painted: a
    // timer's message comes only when no other message waits, painting included. Beside the
    // painting, the process listing would hold the page's every call to the system back, and
    // the installer's library its loading.
    g_pendingStart = this;
    startTimer_ = SetTimer(nullptr, 0, 0, &SetupRun::StartBesidePage);
    if (!startTimer_) StartBesidePage(nullptr, 0, 0, 0);
}

void CALLBACK SetupRun::StartBesidePage(HWND, UINT, UINT_PTR, DWORD) {
    SetupRun* run = g_pendingStart;
    if (!run) return;
    run->CancelPendingStart();
    if (run->launcherDue_) run->launcherClosing_ = fw::StartThread(CloseCompanionLauncher, nullptr);
    if (run->launcherClosing_) run->launcherDue_ = false;  // else it is closed when awaited
    run->StartMediumCheck();
}

void SetupRun::CancelPendingStart() {
    if (startTimer_) KillTimer(nullptr, startTimer_);
    startTimer_ = 0;
    g_pendingStart = nullptr;
}

bool SetupRun::StartUnattended(DWORD* exitCode) {
    const std::wstring logPath = options_.logFile.empty() ? DefaultLogPath(data_.productName) : options_.logFile;
    // Without a log of its own choosing the run goes on unlogged; a log asked for must be written.
    if (!StartSetupLog(log_, logPath) && !options_.logFile.empty()) {
        *exitCode = RefusalExitCode(Refusal::LogNotWritable);
        return false;
    }
    const char* restarts = options_.noRestart ? "suppressed" : "done by the setup at the end";
    const char* ui = options_.ui == SetupUi::Quiet ? "quiet" : "passive";
    if (kind_ == RunKind::Verify)
        LogEvent("Verification of the medium: every file is read and checked; nothing is installed or changed");
    else if (kind_ == RunKind::Uninstall)
        LogEvent(fw::Format("Removal of the product: %hs; restarts %hs", ui, restarts));
    else
        LogEvent(fw::Format("Unattended run: %hs; restarts %hs; running Korvel applications %hs", ui, restarts,
                            options_.closeApplications ? "are closed" : "end the run"));
    for (const std::wstring& argument : options_.invalid) LogEvent("Not a switch of this setup: \"", argument, "\"");
    if (!options_.invalid.empty() || options_.showUsage) {
        LogEvent(fw::LoadEnglishString(IDS_USAGE));
        *exitCode = options_.invalid.empty() ? ERROR_SUCCESS : RefusalExitCode(Refusal::InvalidSwitch);
        return false;
    }
    return true;
}

// The table's steps and checks, with the run's own state.
struct SetupRunRows {
    static bool SingleInstance(SetupRun& run, std::wstring*) {
        // Open until the process ends; never owned, only there to be found by a second copy.
        run.instanceMutex_.reset(CreateMutexW(nullptr, FALSE, kInstanceMutexName));
        if (GetLastError() == ERROR_ALREADY_EXISTS) {
            LogEvent("Single instance: another copy of the setup is running");
            return false;
        }
        LogEvent("Single instance: passed");
        return true;
    }

    static bool NotInternalUser(SetupRun&, std::wstring*) {
        if (IsInternalNetworkUser()) return false;
        LogEvent("Internal network user: no");
        return true;
    }

    static void UpdateInstallerEngine(SetupRun& run) {
        CBootstrap().UpdateInstallerEngine(run.kind_ != RunKind::Pages);
    }

    static void LogData(SetupRun& run) {
        if (!fw::SatelliteNote().empty()) LogEvent(fw::SatelliteNote());
        if (run.data_.readError)
            LogEvent(fw::Format("Setup data: %ssetup.dat exists but does not read: error %lu", GetSetupFolder().c_str(),
                                run.data_.readError));
        LogSetupData(run.data_);
        // Only the verdict: the field's text could forge log lines.
        if (run.data_.productCodeRefused)
            LogEvent("Setup data: the product code field holds no product code (8-4-4-4-12 hexadecimal digits); "
                     "taken as none");
    }

    static bool PagesCreated(SetupRun& run, std::wstring*) { return run.windows_->CreatePages(); }

    // With pages, the launcher is closed beside the shown main page: the page does not wait for
    // the process listing, nor for a launcher slow to close. The installation and the end of the
    // run wait for it.
    static void CloseLauncher(SetupRun& run) {
        if (run.kind_ == RunKind::Pages)
            run.launcherDue_ = true;
        else
            CloseCompanionLauncher();
    }

    static void ShowMainPage(SetupRun& run) { run.windows_->ShowMainPage(true); }

    static bool WindowsSupported(SetupRun&, std::wstring*) {
        if (GetWindowsVersion() < Win2000) return false;
        LogEvent("Windows version: supported");
        return true;
    }

    static bool Administrator(SetupRun&, std::wstring*) {
        if (!IsLocalAdministrator()) return false;
        LogEvent("Administrator: yes");
        return true;
    }

    static bool NoOtherInstallation(SetupRun&, std::wstring*) {
        if (IsAnotherInstallationRunning()) return false;
        LogEvent("Another installation running: no");
        return true;
    }

    // Another installation started since would make every package fail: it must end before
    // anything is closed or removed.
    static bool InstallerIdle(SetupRun&, std::wstring*) {
        LogEvent(fw::Format("Install sequence: setup language %s, medium %s",
                            fw::LoadResString(IDS_SETUP_LANGUAGE).c_str(), GetSetupFolder().c_str()));
        if (IsWindowsInstallerBusy()) return false;
        LogEvent("Windows Installer: idle");
        return true;
    }

    // The interactive run planned the packages once its main page had painted.
    static void MakePlan(SetupRun& run) {
        if (!run.medium_.Started()) PlanPackages(run.data_.productCode, run.plan_.options, &run.plan_);
        if (!run.driversDecided_) DecideDrivers(&run.plan_);
    }

    // A product code field that holds something else was written by no build of the medium: the
    // setup data is damaged or was altered, and the run would install without removing the
    // earlier version. One that exists and does not read is no absent one either: its defaults
    // would do the same, after closing the applications.
    static bool SetupDataWhole(SetupRun& run, std::wstring* text) {
        if (!run.data_.productCodeRefused && !run.data_.readError) return true;
        const std::wstring path = GetSetupFolder() + L"setup.dat";
        *text = LoggedMessage(run.data_.readError ? IDS_MEDIUM_FILE_DAMAGED : IDS_PACKAGE_DAMAGED, path);
        return false;
    }

    // A medium without its packages (a package manager that fetched setup.exe alone) or with a
    // damaged one ends here, while the earlier version is installed and the applications open.
    static bool PackagesOnTheMedium(SetupRun& run, std::wstring* text) {
        return SetupDataWhole(run, text) && run.MediumUsable(text);
    }

    static bool DriveWithRoom(SetupRun& run, std::wstring*) {
        return ChooseInstallDrive(run.data_.requiredSpaceBytes, &run.plan_);
    }

    static bool ApplicationsNotRunning(SetupRun& run, std::wstring*) { return ApplicationsClosed(run.plan_.options); }

    static void RegisterFolders(SetupRun& run) { RegisterDriveFolders(&run.plan_); }
};

namespace {

// The interactive run's exit codes: 0 for a start-up that refuses to run before the pages exist,
// 1 when the pages cannot be made or a system check on the shown main page refuses, 0 for a
// refusal as the installation begins (the setup ends as "Exit" ends it).
constexpr RunRow kRows[] = {
    {"single instance", RunPhase::Start, kEveryRun, nullptr, SetupRunRows::SingleInstance, Refusal::SecondCopy, 0},
    {"internal network user", RunPhase::Start, kInstallingRuns, nullptr, SetupRunRows::NotInternalUser,
     Refusal::InternalUser, 0},
    {"installer engine update", RunPhase::Start, kInstallingRuns, SetupRunRows::UpdateInstallerEngine},
    {"setup data", RunPhase::Start, kEveryRun, SetupRunRows::LogData},
    {"pages", RunPhase::Start, KindBit(RunKind::Pages), nullptr, SetupRunRows::PagesCreated, Refusal::None, 1},
    {"companion launcher", RunPhase::Start, kInstallingRuns, SetupRunRows::CloseLauncher},
    {"Windows version", RunPhase::Start, kEveryRun, nullptr, SetupRunRows::WindowsSupported,
     Refusal::UnsupportedWindows, 1},
    {"administrator", RunPhase::Start, kEveryRun, nullptr, SetupRunRows::Administrator, Refusal::NotAdministrator, 1},
    {"another installation", RunPhase::Start, kEveryRun, nullptr, SetupRunRows::NoOtherInstallation,
     Refusal::AnotherInstallation, 1},
    // The page shows ready: the checks passed before it, and a refusal shows it first, "Next"
    // disabled, behind its box.
    {"main page", RunPhase::Start, KindBit(RunKind::Pages), SetupRunRows::ShowMainPage},
    // What can already be known to fail comes before anything is closed or written.
    {"Windows Installer idle", RunPhase::Installation, kInstallingRuns, nullptr, SetupRunRows::InstallerIdle,
     Refusal::AnotherInstallation, 0},
    {"plan", RunPhase::Installation, kInstallingRuns, SetupRunRows::MakePlan},
    {"packages on the medium", RunPhase::Installation, kInstallingRuns, nullptr, SetupRunRows::PackagesOnTheMedium,
     Refusal::PackageUnusable, 0},
    {"drive choice", RunPhase::Installation, kInstallingRuns, nullptr, SetupRunRows::DriveWithRoom,
     Refusal::NoDriveWithRoom, 0},
    {"running applications", RunPhase::Installation, kInstallingRuns, nullptr, SetupRunRows::ApplicationsNotRunning,
     Refusal::ApplicationsRunning, 0},
    {"folder registrations", RunPhase::Installation, kInstallingRuns, SetupRunRows::RegisterFolders},
};

}  // namespace

std::span<const RunRow> RunRows() { return kRows; }

DWORD ExitCodeOf(const RunRow& row, RunKind kind) {
    return kind == RunKind::Pages ? static_cast<DWORD>(row.pagesExitCode) : RefusalExitCode(row.refusal);
}

bool SetupRun::Walk(RunPhase phase) {
    if (phase == RunPhase::Installation) AwaitLauncherClosed();
    std::wstring text;
    const RunRow* refused = WalkRows(kRows, kind_, phase, [&](const RunRow& row) {
        if (row.step) {
            row.step(*this);
            return true;
        }
        return row.check(*this, &text);
    });
    if (refused) Refuse(*refused, text);
    return !refused;
}

void SetupRun::Refuse(const RunRow& row, const std::wstring& refusalText) {
    // The log is in English whatever the user's language; the box in the user's.
    const UINT message = RefusalMessageId(row.refusal);
    const std::wstring own = message ? LoggedMessage(message) : std::wstring();
    const std::wstring& text = refusalText.empty() ? own : refusalText;
    // A check at the start refuses on the main page, made and not yet shown.
    if (kind_ == RunKind::Pages && row.phase == RunPhase::Start) windows_->ShowMainPage(false);
    if (kind_ == RunKind::Pages && !text.empty()) fw::AppMessageBox(text, MB_ICONINFORMATION | MB_OK);
    End(ExitCodeOf(row, kind_));
}

void SetupRun::Install() {
    CancelPendingStart();  // from here the installation's rows close the launcher and start the check
    if (kind_ == RunKind::Uninstall) {
        plan_.productRemoval = true;
        plan_.productCode = BracedProductCode(data_.productCode);
    } else if (!Walk(RunPhase::Installation)) {
        return;
    }
    installation_.SetPlan(plan_);
    // Only /quiet shows nothing; a page that cannot be made ends the interactive run, while a
    // passive one still installs, as a quiet one.
    if (options_.ui != SetupUi::Quiet && !windows_->ShowInstallation(installation_) && kind_ == RunKind::Pages) {
        End(1);
        return;
    }
    installation_.Start(RunPackageOperations);
    if (kind_ == RunKind::Pages) return;  // the page's "Finish" ends the run
    fw::WaitDispatchingAll(installation_.Ended());
    End(installation_.Finish().exitCode);
}

void SetupRun::StartMediumCheck() {
    PlanPackages(data_.productCode, plan_.options, &plan_);
    driversDecided_ = !DriversDecisionAsks(plan_.options);
    if (driversDecided_) DecideDrivers(&plan_);
    medium_.Start(PackagesOf(plan_));
}

bool SetupRun::MediumUsable(std::wstring* text) {
    if (!medium_.Started()) medium_.Start(PackagesOf(plan_));
    MediumVerdict verdict = AwaitMedium();
    if (verdict == MediumVerdict::Usable && plan_.drivers && !medium_.Checks(plan_.driversPackage)) {
        // The question came after the check began: the drivers package is read now, alone.
        medium_.Start({plan_.driversPackage});
        verdict = AwaitMedium();
    }
    *text = verdict == MediumVerdict::Cancelled ? LoggedMessage(IDS_CANCELLED_NOTHING_CHANGED) : medium_.refusalText();
    return verdict == MediumVerdict::Usable;
}

MediumVerdict SetupRun::AwaitMedium() {
    // The installation's page shows the check only when the user would otherwise wait for it.
    if (kind_ == RunKind::Pages && !medium_.HasEnded()) windows_->ShowMediumCheck(medium_);
    fw::WaitDispatchingAll(medium_.Ended());
    return medium_.verdict();
}

void SetupRun::End(DWORD exitCode) {
    exitCode_ = exitCode;
    PostQuitMessage(0);
}

void SetupRun::AwaitLauncherClosed() {
    if (launcherClosing_) fw::WaitDispatchingAll(launcherClosing_.get());
    launcherClosing_.reset();
    if (launcherDue_) CloseCompanionLauncher();  // a refusal or the installation came first
    launcherDue_ = false;
}

int SetupRun::Exit() {
    // The user has left the setup: its windows go at once, before anything the end waits for,
    // and no page takes a click or a key while the launcher closes or the installation stops.
    if (windows_) windows_->ClosePages();
    CancelPendingStart();
    AwaitLauncherClosed();
    medium_.Stop();
    installation_.Stop();
    // The exit code says what happened, so it is written after the restart was tried: a refused
    // restart leaves one required (3010), and the user who asked for it is told.
    if (installation_.RestartAtEnd() && !RestartWindows()) {
        LogEvent(fw::Format("Restart refused: error %lu; Windows must still be restarted", GetLastError()));
        exitCode_ = ExitCodeAfterRestart(exitCode_, false);
        // No page is left to own the box: it comes to the front of its own.
        if (kind_ == RunKind::Pages) fw::AppMessageBox(IDS_RESTART_FAILED, MB_ICONWARNING | MB_OK | MB_SETFOREGROUND);
    }
    LogEvent(fw::Format("Exit code %lu", exitCode_));
    return static_cast<int>(exitCode_);
}
