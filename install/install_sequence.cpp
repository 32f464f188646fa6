#include "install/install_sequence.h"

#include "drivers/driver_info.h"
#include "env/system_checks.h"
#include "framework/app.h"
#include "framework/file.h"
#include "framework/handle.h"
#include "framework/strings.h"
#include "install/install_drive.h"
#include "install/package_check.h"
#include "system/launch.h"
#include "install/msi_library.h"
#include "install/registry_access.h"
#include "install/running_apps.h"
#include "system/setup_log.h"
#include "resources/resource.h"

namespace {

constexpr wchar_t kSuppressRestart[] = L"REBOOT=ReallySuppress";

UINT InstallLogged(const std::wstring& packagePath, const std::wstring& commandLine) {
    LogPackageTo(packagePath);
    return InstallProduct(packagePath, commandLine);
}

std::wstring NameList(const std::vector<AppProcessEntry>& applications) {
    std::wstring list;
    for (const AppProcessEntry& application : applications)
        list += (list.empty() ? L"" : L", ") + application.displayName + L" (" + application.executableName + L")";
    return list;
}

// No one to ask: with closeApplications every running copy of each guarded application is
// closed by its executable's name; true when none runs afterwards.
bool ApplicationsClosedUnattended(bool closeApplications) {
    std::vector<AppProcessEntry> running = FindRunningGuardedApplications();
    if (running.empty()) {
        LogEvent("Running applications: none");
        return true;
    }
    LogEvent("Running applications: ", NameList(running));
    if (closeApplications) {
        for (const std::wstring& line : CloseRunningApplications(running)) LogEvent(line);
        running = FindRunningGuardedApplications();
        if (running.empty()) return true;
        LogEvent("Still running: ", NameList(running));
    }
    std::vector<std::wstring> names;
    for (const AppProcessEntry& application : running) names.push_back(application.displayName);
    LogEvent(BuildCloseApplicationsMessage(fw::LoadEnglishString(IDS_CLOSE_APPLICATIONS), std::move(names)));
    return false;
}

// The earlier version, first by msiexec. A Task Scheduler task of the Users group runs only in
// a logged-on user's session, so an unattended run, which may have none and is elevated
// already, starts msiexec itself.
void RemoveByMsiexec(const InstallPlan& plan, InstallOutcome* outcome) {
    const SetupLog* log = ActiveSetupLog();
    std::wstring logPath = log ? PackageLogPath(log->path(), L"Removal") : L"";
    // A task would expand a "%" of the log's path into another file's name: msiexec then writes
    // no log of its own, and the installer's removal below still logs to the right one.
    if (!plan.options.Unattended() && UsesScheduledTask(GetWindowsVersion()) && !IsSafeForTask(logPath)) {
        LogEvent("Removal of the earlier version: msiexec's own log left out: its path holds \"%\"");
        logPath.clear();
    }
    const std::wstring removalLine = RemovalCommandLine(GetSystemFolder(), plan.productCode, logPath);
    if (removalLine.empty()) {
        LogEvent("Removal of the earlier version: not started: an argument holds a quotation mark or a control character");
        return;
    }
    std::wstring commandLine = removalLine;
    DWORD exitCode = 0;
    const bool started = plan.options.Unattended() ? RunProgramDirect(commandLine, true, exitCode)
                                                   : RunProgram(commandLine, true, exitCode);
    if (started)
        LogEvent(fw::Format(exitCode == kExitCodeUnknown ? "Removal of the earlier version: %s: ended, exit code %s"
                                                         : "Removal of the earlier version: %s: ended with %s",
                            removalLine.c_str(), ExitCodeText(exitCode).c_str()));
    else
        LogEvent("Removal of the earlier version: ", removalLine, ": not started");
    outcome->restartNeeded = outcome->restartNeeded || (started && AsksForRestart(exitCode));
    if (plan.options.Unattended() && started && IsFailedRemoval(exitCode)) {
        outcome->removalFailed = true;
        outcome->removalResult = exitCode;
    }
}

// Then by the installer's own removal of the product code, whatever msiexec did.
void ConfigureAbsent(const InstallPlan& plan, InstallOutcome* outcome) {
    LogPackageTo(L"Removal");
    const UINT configured = ConfigureProductAbsent(plan.productCode, kSuppressRestart);
    outcome->restartNeeded = outcome->restartNeeded || AsksForRestart(configured);
    if (configured == ERROR_INSTALL_USEREXIT) outcome->cancelled = true;
    if (plan.options.Unattended() && IsFailedRemoval(configured)) {
        outcome->removalFailed = true;
        outcome->removalResult = configured;
    }
}

// A package the run will install, opened read-only, and its cabinets found and opened, before
// anything is changed.
bool CheckedPackage(const std::wstring& package, std::vector<MediumCabinet>* cabinets, std::wstring* refusalText) {
    InstallerPackageReader reader;
    const PackageCheck check = CheckPackage(package, reader);
    if (check.problem == PackageProblem::None) {
        const size_t count = check.cabinets.size();
        LogEvent(fw::Format("Package: %s opens; %u %hs", package.c_str(), static_cast<unsigned>(count),
                            count == 1 ? "cabinet" : "cabinets"));
        cabinets->insert(cabinets->end(), check.cabinets.begin(), check.cabinets.end());
        return true;
    }
    if (*check.fault) LogEvent(fw::Format("Package: %s: %hs", check.file.c_str(), check.fault));
    const UINT message = check.problem == PackageProblem::Missing ? IDS_PACKAGE_MISSING
                         : check.cabinet                          ? IDS_MEDIUM_FILE_DAMAGED
                                                                  : IDS_PACKAGE_DAMAGED;
    *refusalText = LoggedMessage(message, check.file);
    return false;
}

// The medium's file names the string table gives (the license texts, the product package, the
// bitmap) each stay below the medium's folder. The log names the entry and the file it came
// from, never the name itself: a satellite's text could forge log lines.
bool MediumNamesBelowFolder(std::wstring* refusalText) {
    static constexpr UINT kNames[] = {IDS_DATA_LICENSE_FILE, IDS_PRODUCT_PACKAGE, IDS_GENERAL_LICENSE_FILE,
                                      IDS_BACKGROUND_BITMAP};
    const std::wstring folder = GetSetupFolder();
    for (const UINT id : kNames) {
        const std::wstring name = fw::LoadResString(id);
        if (!fw::JoinBelow(folder, name).empty()) continue;
        // Outside the folder: the satellite is damaged; below it but too long: that file does not open.
        const std::wstring file = fw::IsNameBelowFolder(name)
                                      ? folder + name
                                      : fw::SatelliteLibraryPath(fw::ModulePath(), fw::UserLanguageAbbreviation());
        LogEvent(fw::Format("Medium: entry %u of the string table names no file below %s", id, folder.c_str()));
        *refusalText = LoggedMessage(IDS_MEDIUM_FILE_DAMAGED, file);
        return false;
    }
    return true;
}

// Every cabinet read through; the log names a damaged one, its block and the fault, or gives
// the reading's size, time and speed.
MediumVerdict CabinetsReadThrough(const std::vector<MediumCabinet>& cabinets, std::wstring* refusalText,
                                  ReadThroughProgress* progress) {
    InstallerPackageReader reader;
    const DWORD started = GetTickCount();
    const MediumReading reading = ReadThroughCabinets(cabinets, reader, progress);
    const DWORD elapsed = GetTickCount() - started;
    if (reading.state == MediumState::Cancelled) {
        LogEvent(fw::Format("Medium: read-through cancelled after %I64u of %I64u bytes", reading.bytes, reading.total));
        return MediumVerdict::Cancelled;
    }
    if (reading.state == MediumState::Damaged) {
        const MediumCabinet& cabinet = cabinets[reading.cabinet];
        const std::wstring& file = cabinet.embedded ? cabinet.package : cabinet.name;
        std::wstring line = fw::Format("Package: %s%hs%s: ", file.c_str(), cabinet.embedded ? ", embedded cabinet " : "",
                                       cabinet.embedded ? cabinet.name.c_str() : L"");
        if (reading.reading.block) line += fw::Format("block %u: ", reading.reading.block);
        LogEvent(line + fw::Widen(CabinetFaultText(reading.reading.fault)));
        *refusalText = LoggedMessage(IDS_MEDIUM_FILE_DAMAGED, file);
        return MediumVerdict::Unusable;
    }
    // Megabytes of 10^6 bytes a second, to a tenth.
    const uint64_t tenths = reading.bytes / (elapsed ? elapsed : 1) / 100;
    LogEvent(fw::Format("Medium: %u %hs whole, %I64u bytes read through in %u ms, %u.%u MB/s",
                        static_cast<unsigned>(cabinets.size()), cabinets.size() == 1 ? "cabinet" : "cabinets",
                        reading.bytes, static_cast<unsigned>(elapsed), static_cast<unsigned>(tenths / 10),
                        static_cast<unsigned>(tenths % 10)));
    return MediumVerdict::Usable;
}

}  // namespace

std::wstring BracedProductCode(const std::wstring& productCode) {
    return productCode.empty() ? std::wstring() : L"{" + productCode + L"}";
}

std::wstring RemovalCommandLine(const std::wstring& systemFolder, const std::wstring& productCode,
                               const std::wstring& logPath) {
    std::wstring line = UninstallCommandLine(systemFolder, productCode, true);
    if (line.empty()) return {};
    if (!logPath.empty()) {
        const std::wstring log = QuotedArgument(logPath);
        if (log.empty()) return {};
        line += L" /l*v+ " + log;
    }
    return line + L" " + kSuppressRestart;
}

std::wstring PackageLanguage(const std::wstring& setupLanguage) {
    bool letters = setupLanguage.size() == 3;
    for (const wchar_t c : setupLanguage) letters = letters && ((c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'));
    return letters ? setupLanguage : L"ENU";
}

std::wstring UsbDriversCommandLine(const std::wstring& systemDrive, const std::wstring& language) {
    return fw::Format("TARGETDIR=\"%s\" LANG=%s", systemDrive.c_str(), language.c_str());
}

std::wstring UsbDriversPackagePath(const std::wstring& setupFolder, bool wow64) {
    return setupFolder + L"USB_Drivers\\USB_" + (wow64 ? L"64.msi" : L"32.msi");
}

std::wstring ProductCommandLine(const std::wstring& language, const std::wstring& driveRoot) {
    return L"LANG=" + language + L" TARGETDIR=" + driveRoot;
}

std::wstring WithRestartSuppressed(const std::wstring& commandLine) {
    return commandLine.empty() ? kSuppressRestart : commandLine + L" " + kSuppressRestart;
}

DriversResult ClassifyDriversResult(UINT result, bool cancelConfirmed) {
    if (result == ERROR_SUCCESS || AsksForRestart(result)) return DriversResult::Installed;
    if (result == ERROR_INSTALL_USEREXIT && cancelConfirmed) return DriversResult::Cancelled;
    return DriversResult::Failed;
}

bool ProductInstalled(UINT result) { return result == ERROR_SUCCESS || AsksForRestart(result); }

bool IsFailedRemoval(UINT result) {
    return result != ERROR_SUCCESS && result != ERROR_UNKNOWN_PRODUCT && !AsksForRestart(result);
}

bool ApplicationsClosed(const InstallOptions& options) {
    if (options.Unattended()) return ApplicationsClosedUnattended(options.closeApplications);
    if (PromptToCloseApplications()) return true;
    LogEvent("Running applications: the user cancelled");
    return false;
}

std::vector<std::wstring> PackagesOf(const InstallPlan& plan) {
    if (!plan.drivers) return {plan.productPackage};
    return {plan.productPackage, plan.driversPackage};
}

MediumVerdict CheckPackagesOnMedium(const std::vector<std::wstring>& packages, std::wstring* refusalText,
                                    ReadThroughProgress* progress) {
    if (!MediumNamesBelowFolder(refusalText)) return MediumVerdict::Unusable;
    // Every file found first, then the reading: its total is known before it starts.
    std::vector<MediumCabinet> cabinets;
    for (const std::wstring& package : packages)
        if (!CheckedPackage(package, &cabinets, refusalText)) return MediumVerdict::Unusable;
    return CabinetsReadThrough(cabinets, refusalText, progress);
}

bool ChooseInstallDrive(uint64_t requiredSpaceBytes, InstallPlan* plan) {
    LogEvent("Drive choice: a fixed drive with more than ", fw::Decimal(RequiredMegabytes(requiredSpaceBytes)),
             " MiB free");
    plan->driveRoot = ChooseDriveWithRoom(requiredSpaceBytes);
    if (plan->driveRoot.empty()) return false;
    LogEvent("Install drive: ", plan->driveRoot);
    plan->productCommandLine =
        WithRestartSuppressed(ProductCommandLine(PackageLanguage(fw::LoadResString(IDS_SETUP_LANGUAGE)), plan->driveRoot));
    return true;
}

void RegisterDriveFolders(InstallPlan* plan) {
    RegisterInstallFolders(plan->driveRoot);
    // What a support engineer asks first about a removal: which version goes, which comes.
    plan->earlierVersion = InstalledProductVersion(plan->productCode);
    PackageFacts facts;
    InstallerPackageReader reader;
    const std::wstring mediumVersion = reader.Read(plan->productPackage, &facts) ? facts.version : L"unknown";
    LogEvent(fw::Format("Version installed now: %s; version on the medium: %s",
                        plan->earlierVersion.empty() ? L"none" : plan->earlierVersion.c_str(),
                        mediumVersion.empty() ? L"none" : mediumVersion.c_str()));
}

void PlanPackages(const std::wstring& productCode, const InstallOptions& options, InstallPlan* plan) {
    const std::wstring language = PackageLanguage(fw::LoadResString(IDS_SETUP_LANGUAGE));
    const std::wstring programFolder = GetSetupFolder();
    plan->options = options;
    plan->productCode = BracedProductCode(productCode);
    if (productCode.empty()) LogEvent("No product code in the setup data: no removal of an earlier version");
    plan->driversPackage = UsbDriversPackagePath(programFolder, IsWow64());
    plan->driversCommandLine = WithRestartSuppressed(UsbDriversCommandLine(GetSystemDrive(), language));
    // A name that leaves the medium's folder is never opened: the medium check refuses it.
    plan->productPackage = fw::JoinBelow(programFolder, fw::LoadResString(IDS_PRODUCT_PACKAGE));
    if (plan->productPackage.empty() || !fw::FileExists(plan->productPackage))
        plan->productPackage = programFolder + L"Setup_ENU.msi";
}

bool DriversDecisionAsks(const InstallOptions& options) { return !options.Unattended() && IsTestMode(); }

void DecideDrivers(InstallPlan* plan) {
    // In test mode the interactive run asks whether the drivers are current; no one can answer
    // in an unattended run, so the file versions decide there.
    plan->drivers = !(plan->options.Unattended() ? UsbDriverVersionsCurrent() : AreUsbDriversCurrent());
    LogEvent(plan->drivers ? "USB drivers: older than the medium's" : "USB drivers: current, no drivers package");
}

InstallOutcome RunPackageOperations(const InstallPlan& plan, InstallObserver& observer) {
    InstallOutcome outcome;
    InstallProgress progress(!plan.productCode.empty(), plan.drivers);
    InstallerMessages messages(progress, observer, !plan.options.Unattended());
    auto begin = [&](InstallStep step) {
        progress.Begin(step);
        messages.BeginPackage();
        observer.OnStep(step);
        observer.OnProgress(progress.Permille());
    };
    // Between steps a cancel asked for stops the run; within a package it is the installer's
    // result that tells whether it was taken (a package may end before it sees the answer).
    auto stopped = [&](bool betweenSteps = true) {
        outcome.lastError = messages.LastError();
        outcome.cancelled = outcome.cancelled || (betweenSteps && observer.CancelRequested());
        if (outcome.cancelled) LogEvent("Cancelled by the user");
        if (outcome.removalFailed)
            LogEvent(fw::Format("The removal of the earlier version failed with %u: nothing more is installed",
                                outcome.removalResult));
        return outcome.cancelled || outcome.removalFailed;
    };

    if (plan.productRemoval) {
        LogEvent("The USB drivers package stays installed: other Korvel products use it");
        // Without the product code nothing says what to remove: removing nothing is no success.
        if (plan.productCode.empty()) {
            LogEvent("No product code: setup.dat is missing beside setup.exe or names none; nothing was removed");
            outcome.productResult = ERROR_INSTALL_PACKAGE_OPEN_FAILED;
            return outcome;
        }
    }
    outcome.earlier = plan.earlierVersion.empty() ? EarlierVersion::None : EarlierVersion::Kept;
    // Once the removal has run, the outcome says whether the earlier version is gone.
    auto removalEnded = [&] {
        if (outcome.earlier == EarlierVersion::Kept && InstalledProductVersion(plan.productCode).empty())
            outcome.earlier = EarlierVersion::Removed;
    };
    if (stopped()) return outcome;  // cancelled before anything was changed

    // msiexec removes the earlier version first, so the installer's own removal that follows
    // finds its work done.
    if (!plan.productCode.empty() && !plan.productRemoval) {
        begin(InstallStep::Removal);
        RemoveByMsiexec(plan, &outcome);
        if (stopped()) {
            removalEnded();
            return outcome;
        }
    }
    ExternalInstallerUi handler(messages, !plan.options.Unattended());
    LogEvent(fw::Format("Windows Installer messages: %hs handler; the installer's own user interface off",
                        handler.Kind()));
    if (plan.productRemoval) {
        begin(InstallStep::Removal);
        SetInstallerUiLevel(INSTALLUILEVEL_NONE);
        LogPackageTo(L"Uninstall");
        const UINT result = ConfigureProductAbsent(plan.productCode, kSuppressRestart);
        if (result == ERROR_UNKNOWN_PRODUCT) LogEvent("The product is not installed: nothing to remove");
        // Not installed is success; a restart asked for is the setup's, at the end.
        outcome.productResult = result == ERROR_UNKNOWN_PRODUCT ? ERROR_SUCCESS : result;
        outcome.restartNeeded = AsksForRestart(result);
        progress.Complete();
        observer.OnProgress(progress.Permille());
        return outcome;
    }
    if (!plan.productCode.empty()) {
        ConfigureAbsent(plan, &outcome);
        removalEnded();
        if (stopped()) return outcome;
    }
    if (plan.drivers) {
        begin(InstallStep::Drivers);
        const UINT drivers = InstallLogged(plan.driversPackage, plan.driversCommandLine);
        switch (ClassifyDriversResult(drivers, observer.CancelRequested())) {
        case DriversResult::Cancelled: outcome.cancelled = true; break;
        case DriversResult::Failed:
            LogEvent(fw::Format("Warning: the USB drivers package failed with %u; the installation goes on", drivers));
            break;
        case DriversResult::Installed: break;
        }
        outcome.restartNeeded = outcome.restartNeeded || AsksForRestart(drivers);
        if (stopped()) return outcome;
    }
    begin(InstallStep::Product);
    outcome.productResult = InstallLogged(plan.productPackage, plan.productCommandLine);
    outcome.restartNeeded = outcome.restartNeeded || AsksForRestart(outcome.productResult);
    if (outcome.productResult == ERROR_INSTALL_USEREXIT) outcome.cancelled = true;
    if (stopped(false)) return outcome;

    LogEvent("Registry access: opening Software\\Korvel to ordinary users");
    PrepareRegistryAccess();
    LogEvent("Registry access: prepared");
    // A failed package leaves the bar where the installation got to.
    if (ProductInstalled(outcome.productResult)) progress.Complete();
    observer.OnProgress(progress.Permille());
    return outcome;
}
