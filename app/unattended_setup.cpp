#include "app/unattended_setup.h"

#include "app/setup_app.h"
#include "app/setup_data.h"
#include "env/bootstrap.h"
#include "env/system_checks.h"
#include "framework/strings.h"
#include "install/install_sequence.h"
#include "install/running_apps.h"
#include "install/setup_result.h"
#include "resources/resource.h"

namespace {

bool g_restartAtExit = false;

std::wstring WindowsDescription() {
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version))) {
        version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);  // systems before NT 4 SP6
        GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version));
    }
#pragma GCC diagnostic pop
    return fw::Format(L"Windows %lu.%lu.%lu %s, platform %lu, version code %d, %s", version.dwMajorVersion,
                      version.dwMinorVersion, version.dwBuildNumber, version.szCSDVersion, version.dwPlatformId,
                      GetWindowsVersion(), IsWow64() ? L"64-bit" : L"32-bit");
}

const wchar_t* UiName(SetupUi ui) {
    return ui == SetupUi::Quiet ? L"quiet" : ui == SetupUi::Passive ? L"passive" : L"interactive";
}


}  // namespace

void LogSetupData(const ProductSetupData& data) {
    LogEvent(fw::Format(L"Setup data: product code \"%s\", %I64u bytes required, product name \"%s\"",
                        data.productCode.c_str(), data.requiredSpaceBytes, data.productName.c_str()));
}

std::wstring UsageText() {
    std::wstring text = fw::LoadResString(IDS_USAGE);
    return text.empty() ? fw::LoadStringFrom(GetModuleHandleW(nullptr), IDS_USAGE) : text;
}

std::wstring DefaultLogPath(const std::wstring& productName) {
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    SYSTEMTIME today{};
    GetLocalTime(&today);
    const std::wstring name = DefaultLogFileName(productName, today);
    if (length == 0 || length > MAX_PATH) return name;
    return folder + name;
}

bool StartSetupLog(SetupLog& log, const std::wstring& path) {
    // The packages' logs are written by the installer, whose current folder is not ours.
    std::wstring full(MAX_PATH, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length);
        length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    full.resize(length < full.size() ? length : 0);
    if (full.empty()) full = path;
    if (!log.Open(full)) return false;
    SetActiveSetupLog(&log);
    LogEvent(L"Setup log: " + full);
    LogEvent(std::wstring(L"Command line: ") + GetCommandLineW());
    LogEvent(WindowsDescription());
    LogEvent(L"Medium: " + GetSetupFolder());
    return true;
}

bool IsWindowStationVisible() {
    USEROBJECTFLAGS flags{};
    HWINSTA station = GetProcessWindowStation();
    if (!station || !GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof(flags), nullptr)) return true;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

DWORD RunInvisibleStart(const SetupOptions& options, SetupLog& log) {
    const std::wstring path = options.logFile.empty() ? DefaultLogPath(ReadSetupData().productName) : options.logFile;
    if (log.Open(path)) SetActiveSetupLog(&log);
    if (ChooseStartAction(options, false) == StartAction::UsageToLog) {
        LogEvent(fw::LoadEnglishString(IDS_USAGE));
        return ERROR_SUCCESS;
    }
    LogEvent(std::wstring(L"No one can see this window station, so the setup shows no page or message: start it "
                          L"with /quiet (or /passive). Command line: ") +
             GetCommandLineW());
    return RefusalExitCode(Refusal::InvalidSwitch);
}

DWORD LogRefusal(Refusal refusal) {
    const UINT messageId = RefusalMessageId(refusal);
    if (messageId) LogEvent(fw::LoadEnglishString(messageId));
    return RefusalExitCode(refusal);
}

bool StartUnattendedRun(const SetupOptions& options, SetupLog& log, const std::wstring& productName,
                        const std::wstring& firstLine, HANDLE* instanceMutex, DWORD* exitCode) {
    const std::wstring logPath = options.logFile.empty() ? DefaultLogPath(productName) : options.logFile;
    // Without a log of its own choosing the run goes on unlogged; a log asked for must be written.
    if (!StartSetupLog(log, logPath) && !options.logFile.empty()) {
        *exitCode = RefusalExitCode(Refusal::LogNotWritable);
        return false;
    }
    LogEvent(firstLine);
    for (const std::wstring& argument : options.invalid) LogEvent(L"Not a switch of this setup: \"" + argument + L"\"");
    if (!options.invalid.empty() || options.showUsage) {
        LogEvent(fw::LoadEnglishString(IDS_USAGE));
        *exitCode = options.invalid.empty() ? ERROR_SUCCESS : RefusalExitCode(Refusal::InvalidSwitch);
        return false;
    }
    *instanceMutex = CreateMutexW(nullptr, FALSE, kInstanceMutexName);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        LogEvent(L"Single instance: another copy of the setup is running");
        *exitCode = LogRefusal(Refusal::SecondCopy);
        return false;
    }
    LogEvent(L"Single instance: passed");
    return true;
}

UnattendedStart BeginUnattendedSetup(const SetupOptions& options, SetupLog& log, HANDLE* instanceMutex) {
    UnattendedStart start;
    auto ended = [&start](DWORD exitCode) {
        start.ended = true;
        start.exitCode = exitCode;
        return start;
    };
    // The setup data names the default log; reading it first changes nothing else.
    start.data = ReadSetupData();
    const std::wstring firstLine =
        fw::Format(L"Unattended run: %s; restarts %s; running Korvel applications %s", UiName(options.ui),
                   options.noRestart ? L"suppressed" : L"done by the setup at the end",
                   options.closeApplications ? L"are closed" : L"end the run");
    DWORD exitCode = 0;
    if (!StartUnattendedRun(options, log, start.data.productName, firstLine, instanceMutex, &exitCode))
        return ended(exitCode);
    if (IsInternalNetworkUser()) return ended(LogRefusal(Refusal::InternalUser));
    LogEvent(L"Internal network user: no");

    CBootstrap().UpdateInstallerEngine(true);
    LogSetupData(start.data);
    LogEvent(CloseProgramByName(L"kStart.exe") ? L"kStart.exe: closed" : L"kStart.exe: not running");

    if (GetWindowsVersion() < Win2000) return ended(LogRefusal(Refusal::UnsupportedWindows));
    LogEvent(L"Windows version: supported");
    if (!IsLocalAdministrator()) return ended(LogRefusal(Refusal::NotAdministrator));
    LogEvent(L"Administrator: yes");
    if (IsAnotherInstallationRunning()) return ended(LogRefusal(Refusal::AnotherInstallation));
    LogEvent(L"Another installation running: no");

    InstallOptions install;
    install.ui = options.ui == SetupUi::Quiet ? InstallerUi::Quiet : InstallerUi::Passive;
    install.noRestart = options.noRestart;
    install.closeApplications = options.closeApplications;
    // A refusal here has logged its message already.
    const Refusal refusal =
        PrepareInstallation(start.data.productCode, start.data.requiredSpaceBytes, install, &start.plan);
    if (refusal != Refusal::None) return ended(RefusalExitCode(refusal));
    return start;
}

DWORD EndUnattendedSetup(const InstallPlan& plan, const InstallOutcome& outcome) {
    if (outcome.removalFailed) return outcome.removalResult;
    return EndWithRestartRule(outcome.productResult, outcome.restartNeeded, plan.options.noRestart);
}

DWORD EndWithRestartRule(UINT productResult, bool restartNeeded, bool noRestart) {
    const RunEnd end = DecideRunEnd(productResult, restartNeeded, true, noRestart);
    if (end.restart == RestartAction::RestartNow) {
        LogEvent(L"Restart: a package asked for one; Windows restarts as the setup ends");
        g_restartAtExit = true;
    } else if (end.exitCode == ERROR_SUCCESS_REBOOT_REQUIRED) {
        LogEvent(L"Restart: a package asked for one; /norestart leaves it to whoever runs the setup");
    }
    return end.exitCode;
}

bool RestartAtExit() { return g_restartAtExit; }

DWORD InstallQuietly(const InstallPlan& plan) {
    InstallObserver nobody;  // nothing shown, every question left to the installer
    return EndUnattendedSetup(plan, RunPackageOperations(plan, nobody));
}

DWORD RunUnattendedSetup(const SetupOptions& options, SetupLog& log, HANDLE* instanceMutex) {
    const UnattendedStart start = BeginUnattendedSetup(options, log, instanceMutex);
    return start.ended ? start.exitCode : InstallQuietly(start.plan);
}
