#include "app/unattended_setup.h"

#include "app/setup_run.h"
#include "env/system_checks.h"
#include "framework/strings.h"
#include "install/install_sequence.h"
#include "resources/resource.h"
#include "setup_version.h"
#include "system/session_info.h"

namespace {

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
    return fw::Format("Windows %lu.%lu.%lu %s, platform %lu, version code %d, %hs", version.dwMajorVersion,
                      version.dwMinorVersion, version.dwBuildNumber, version.szCSDVersion, version.dwPlatformId,
                      GetWindowsVersion(), IsWow64() ? "64-bit" : "32-bit");
}

const char* UiName(SetupUi ui) {
    return ui == SetupUi::Quiet ? "quiet" : ui == SetupUi::Passive ? "passive" : "interactive";
}

}  // namespace

void LogSetupData(const ProductSetupData& data) {
    LogEvent(fw::Format("Setup data: product code \"%s\", %I64u bytes required, product name \"%s\"",
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
    LogEvent("Setup log: ", full);
    LogEvent("Setup version: " SETUP_VERSION_TEXT);
    LogEvent("Command line: ", GetCommandLineW());
    LogEvent(WindowsDescription());
    LogEvent(RunnerDescription());
    LogEvent("Medium: ", GetSetupFolder());
    return true;
}

bool IsWindowStationVisible() {
    USEROBJECTFLAGS flags{};
    HWINSTA station = GetProcessWindowStation();
    const bool visible = !station || !GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof(flags), nullptr) ||
                         (flags.dwFlags & WSF_VISIBLE) != 0;
    return SeenBySomeone(visible, ProcessSession(GetCurrentProcessId(), 1), GetWindowsVersion() >= WinVista);
}

DWORD RunInvisibleStart(const SetupOptions& options, SetupLog& log) {
    const std::wstring path = options.logFile.empty() ? DefaultLogPath(ReadSetupData().productName) : options.logFile;
    if (log.Open(path)) SetActiveSetupLog(&log);
    if (ChooseStartAction(options, false) == StartAction::UsageToLog) {
        LogEvent(fw::LoadEnglishString(IDS_USAGE));
        return ERROR_SUCCESS;
    }
    LogEvent("No one can see this window station, so the setup shows no page or message: start it "
             "with /quiet (or /passive). Command line: ",
             GetCommandLineW());
    return RefusalExitCode(Refusal::InvalidSwitch);
}

bool StartUnattendedRun(SetupRun& run, DWORD* exitCode) {
    const SetupOptions& options = run.options();
    const std::wstring logPath = options.logFile.empty() ? DefaultLogPath(run.data.productName) : options.logFile;
    // Without a log of its own choosing the run goes on unlogged; a log asked for must be written.
    if (!StartSetupLog(run.log, logPath) && !options.logFile.empty()) {
        *exitCode = RefusalExitCode(Refusal::LogNotWritable);
        return false;
    }
    const char* restarts = options.noRestart ? "suppressed" : "done by the setup at the end";
    if (run.kind() == RunKind::Uninstall)
        LogEvent(fw::Format("Removal of the product: %hs; restarts %hs",
                            options.ui == SetupUi::Quiet ? "quiet" : "passive", restarts));
    else
        LogEvent(fw::Format("Unattended run: %hs; restarts %hs; running Korvel applications %hs", UiName(options.ui),
                            restarts, options.closeApplications ? "are closed" : "end the run"));
    for (const std::wstring& argument : options.invalid) LogEvent("Not a switch of this setup: \"", argument, "\"");
    if (!options.invalid.empty() || options.showUsage) {
        LogEvent(fw::LoadEnglishString(IDS_USAGE));
        *exitCode = options.invalid.empty() ? ERROR_SUCCESS : RefusalExitCode(Refusal::InvalidSwitch);
        return false;
    }
    return true;
}

DWORD UnattendedExitCode(SetupRun& run, const InstallOutcome& outcome) {
    if (outcome.removalFailed) return outcome.removalResult;
    return run.EndByRestartRule(outcome.productResult, outcome.restartNeeded);
}

DWORD InstallQuietly(SetupRun& run) {
    InstallObserver nobody;  // nothing shown, every question left to the installer
    return UnattendedExitCode(run, RunPackageOperations(run.plan, nobody));
}
