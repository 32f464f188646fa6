#include "install/install_sequence.h"

#include <msi.h>
#include <shlwapi.h>

#include "drivers/driver_info.h"
#include "env/system_checks.h"
#include "framework/message_box.h"
#include "framework/proc_address.h"
#include "framework/strings.h"
#include "framework/wait_cursor.h"
#include "install/install_drive.h"
#include "install/launch.h"
#include "install/registry_access.h"
#include "install/running_apps.h"
#include "install/setup_log.h"
#include "resources/resource.h"

namespace {

constexpr int kInstallLevelMaximum = 0xFFFF;
constexpr int kInstallStateAbsent = 2;
constexpr DWORD kVerboseLogMode = INSTALLLOGMODE_FATALEXIT | INSTALLLOGMODE_ERROR | INSTALLLOGMODE_WARNING |
                                  INSTALLLOGMODE_USER | INSTALLLOGMODE_INFO | INSTALLLOGMODE_RESOLVESOURCE |
                                  INSTALLLOGMODE_OUTOFDISKSPACE | INSTALLLOGMODE_ACTIONSTART |
                                  INSTALLLOGMODE_ACTIONDATA | INSTALLLOGMODE_COMMONDATA |
                                  INSTALLLOGMODE_PROPERTYDUMP | INSTALLLOGMODE_VERBOSE;

using MsiInstallProductFn = UINT(WINAPI*)(LPCWSTR, LPCWSTR);
using MsiConfigureProductFn = UINT(WINAPI*)(LPCWSTR, int, int);
using MsiConfigureProductExFn = UINT(WINAPI*)(LPCWSTR, int, int, LPCWSTR);
using MsiSetInternalUIFn = int(WINAPI*)(int, HWND*);
using MsiEnableLogFn = UINT(WINAPI*)(DWORD, LPCWSTR, DWORD);

InstallOptions g_interactiveOptions;

// msi.dll is not one of the system's known DLLs: a copy planted beside setup.exe would be
// loaded by a static import, so it is loaded from the system folder when first needed.
HMODULE Msi() {
    static HMODULE msi = LoadSystemLibrary(L"msi.dll");
    return msi;
}

// The package's installer log beside the setup log, when there is a setup log.
void LogPackageTo(const std::wstring& package) {
    const SetupLog* log = ActiveSetupLog();
    if (!log) return;
    const std::wstring path = PackageLogPath(log->path(), package);
    const UINT result = EnableInstallerLog(path);
    LogEvent(fw::Format(L"MsiEnableLogW(verbose, \"%s\", append) = %u", path.c_str(), result));
}

UINT InstallLogged(const std::wstring& packagePath, const std::wstring& commandLine) {
    LogPackageTo(packagePath);
    const UINT result = InstallProduct(packagePath, commandLine);
    LogEvent(fw::Format(L"MsiInstallProductW(\"%s\", \"%s\") = %u", packagePath.c_str(), commandLine.c_str(), result));
    return result;
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
        LogEvent(L"Running applications: none");
        return true;
    }
    LogEvent(L"Running applications: " + NameList(running));
    if (closeApplications) {
        for (const std::wstring& line : CloseRunningApplications(running)) LogEvent(line);
        running = FindRunningGuardedApplications();
        if (running.empty()) return true;
        LogEvent(L"Still running: " + NameList(running));
    }
    std::vector<std::wstring> names;
    for (const AppProcessEntry& application : running) names.push_back(application.displayName);
    LogEvent(BuildCloseApplicationsMessage(fw::LoadResString(IDS_CLOSE_APPLICATIONS), names));
    return false;
}

InstallResult Refused(Refusal refusal, const std::function<void()>& exitSetup) {
    exitSetup();
    return {refusal, RefusalExitCode(refusal)};
}

}  // namespace

std::wstring BracedProductCode(const std::wstring& productCode) { return L"{" + productCode + L"}"; }

std::wstring UsbDriversCommandLine(const std::wstring& systemDrive, const std::wstring& language) {
    return fw::Format(L"TARGETDIR=\"%s\" LANG=%s", systemDrive.c_str(), language.c_str());
}

std::wstring UsbDriversPackagePath(const std::wstring& setupFolder, bool wow64) {
    return setupFolder + L"USB_Drivers\\USB_" + (wow64 ? L"64.msi" : L"32.msi");
}

std::wstring ProductCommandLine(const std::wstring& language, const std::wstring& driveRoot) {
    return L"LANG=" + language + L" TARGETDIR=" + driveRoot;
}

std::wstring WithRestartPolicy(const std::wstring& commandLine, RestartPolicy policy) {
    const wchar_t* property = policy == RestartPolicy::Suppress   ? L"REBOOT=ReallySuppress"
                              : policy == RestartPolicy::NoPrompt ? L"REBOOTPROMPT=S"
                                                                  : nullptr;
    if (!property) return commandLine;
    return commandLine.empty() ? property : commandLine + L" " + property;
}

RestartPolicy PackageRestartPolicy(const InstallOptions& options, bool productPackage) {
    if (options.noRestart) return RestartPolicy::Suppress;
    if (!options.Unattended()) return RestartPolicy::InstallerDecides;
    if (!productPackage) return RestartPolicy::Suppress;
    return options.ui == InstallerUi::ProgressOnly ? RestartPolicy::NoPrompt : RestartPolicy::InstallerDecides;
}

int InstallerUiLevel(InstallerUi ui) {
    switch (ui) {
    case InstallerUi::None: return INSTALLUILEVEL_NONE;
    case InstallerUi::ProgressOnly: return INSTALLUILEVEL_BASIC | INSTALLUILEVEL_PROGRESSONLY;
    case InstallerUi::Default: break;
    }
    return INSTALLUILEVEL_DEFAULT;
}

UINT InstallProduct(const std::wstring& packagePath, const std::wstring& commandLine) {
    auto install = fw::ProcAddress<MsiInstallProductFn>(Msi(), "MsiInstallProductW");
    return install ? install(packagePath.c_str(), commandLine.c_str()) : ERROR_PROC_NOT_FOUND;
}

UINT ConfigureProductAbsent(const std::wstring& productCode) {
    auto configure = fw::ProcAddress<MsiConfigureProductFn>(Msi(), "MsiConfigureProductW");
    return configure ? configure(productCode.c_str(), kInstallLevelMaximum, kInstallStateAbsent)
                     : ERROR_PROC_NOT_FOUND;
}

UINT ConfigureProductAbsent(const std::wstring& productCode, const std::wstring& properties) {
    auto configure = fw::ProcAddress<MsiConfigureProductExFn>(Msi(), "MsiConfigureProductExW");
    return configure ? configure(productCode.c_str(), kInstallLevelMaximum, kInstallStateAbsent, properties.c_str())
                     : ERROR_PROC_NOT_FOUND;
}

int SetInstallerUiLevel(int level) {
    auto setUi = fw::ProcAddress<MsiSetInternalUIFn>(Msi(), "MsiSetInternalUI");
    return setUi ? setUi(level, nullptr) : 0;
}

UINT EnableInstallerLog(const std::wstring& path) {
    auto enableLog = fw::ProcAddress<MsiEnableLogFn>(Msi(), "MsiEnableLogW");
    return enableLog ? enableLog(kVerboseLogMode, path.c_str(), INSTALLLOGATTRIBUTES_APPEND) : ERROR_PROC_NOT_FOUND;
}

void SetInteractiveInstallOptions(const InstallOptions& options) { g_interactiveOptions = options; }

void RunInstallSequence(const std::wstring& productCode, uint64_t requiredSpaceBytes,
                        const std::function<void()>& exitSetup) {
    RunInstallSequence(productCode, requiredSpaceBytes, g_interactiveOptions, exitSetup);
}

InstallResult RunInstallSequence(const std::wstring& productCode, uint64_t requiredSpaceBytes,
                                 const InstallOptions& options, const std::function<void()>& exitSetup) {
    const std::wstring language = fw::LoadResString(IDS_SETUP_LANGUAGE);
    const std::wstring programFolder = fw::ProgramFolder();
    LogEvent(L"Install sequence: setup language " + language + L", medium " + programFolder);

    if (options.Unattended()) {
        if (!ApplicationsClosedUnattended(options.closeApplications))
            return Refused(Refusal::ApplicationsRunning, exitSetup);
    } else if (!PromptToCloseApplications()) {
        LogEvent(L"Running applications: the user cancelled");
        return Refused(Refusal::ApplicationsRunning, exitSetup);
    }

    LogEvent(L"Drive choice: a fixed drive with more than " + std::to_wstring(RequiredMegabytes(requiredSpaceBytes)) +
             L" MiB free");
    const std::wstring driveRoot = ResolveInstallDrive(requiredSpaceBytes);
    if (driveRoot.empty()) {
        LogEvent(fw::LoadResString(IDS_INSUFFICIENT_SPACE));
        if (!options.Unattended())
            fw::AppMessageBox(IDS_INSUFFICIENT_SPACE, MB_ICONINFORMATION, static_cast<UINT>(-1));
        return Refused(Refusal::NoDriveWithRoom, exitSetup);
    }
    LogEvent(L"Install drive: " + driveRoot);

    if (options.Unattended()) {
        const int level = InstallerUiLevel(options.ui);
        const int previous = SetInstallerUiLevel(level);
        LogEvent(fw::Format(L"MsiSetInternalUI(0x%x) = 0x%x", level, previous));
    }
    bool otherRestart = false;
    {
        fw::WaitCursor wait;
        if (!productCode.empty()) {
            const std::wstring braced = BracedProductCode(productCode);
            const RestartPolicy policy = PackageRestartPolicy(options, false);
            std::wstring moreArguments = WithRestartPolicy(L"", policy);
            if (const SetupLog* log = ActiveSetupLog())
                moreArguments = WithRestartPolicy(L"/l*v+ \"" + PackageLogPath(log->path(), L"Removal") + L"\"", policy);
            const int removal = UninstallByMsiexec(braced, true, moreArguments);
            std::wstring removalLine = UninstallCommandLine(GetSystemFolder(), braced, true);
            if (!moreArguments.empty()) removalLine += L" " + moreArguments;
            LogEvent(L"Removal of the earlier version: " + removalLine +
                     (removal == 0 ? L": not started" : removal == 2 ? L": ended, restart required" : L": ended"));
            LogPackageTo(L"Removal");
            UINT configured;
            if (policy == RestartPolicy::InstallerDecides) {
                configured = ConfigureProductAbsent(braced);
                LogEvent(fw::Format(L"MsiConfigureProductW(%s, 0xffff, absent) = %u", braced.c_str(), configured));
            } else {
                const std::wstring properties = WithRestartPolicy(L"", policy);
                configured = ConfigureProductAbsent(braced, properties);
                LogEvent(fw::Format(L"MsiConfigureProductExW(%s, 0xffff, absent, \"%s\") = %u", braced.c_str(),
                                    properties.c_str(), configured));
            }
            otherRestart = removal == 2 || AsksForRestart(configured);
        } else {
            LogEvent(L"No product code in the setup data: no removal of an earlier version");
        }
        // In test mode the interactive run asks whether the drivers are current; no one can
        // answer in an unattended run, so the file versions decide there.
        const bool driversCurrent = options.Unattended() ? UsbDriverVersionsCurrent() : AreUsbDriversCurrent();
        LogEvent(driversCurrent ? L"USB drivers: current, no drivers package" : L"USB drivers: older than the medium's");
        if (!driversCurrent) {
            const UINT drivers = InstallLogged(
                UsbDriversPackagePath(GetSetupFolder(), IsWow64()),
                WithRestartPolicy(UsbDriversCommandLine(GetSystemDrive(), language), PackageRestartPolicy(options, false)));
            if (drivers != ERROR_SUCCESS && !AsksForRestart(drivers))
                LogEvent(fw::Format(L"Warning: the USB drivers package failed with %u; the installation goes on", drivers));
            otherRestart = otherRestart || AsksForRestart(drivers);
        }
    }

    std::wstring packageName = fw::LoadResString(IDS_PRODUCT_PACKAGE);
    if (!PathFileExistsW((programFolder + packageName).c_str())) packageName = L"Setup_ENU.msi";
    const UINT product = InstallLogged(programFolder + packageName,
                                       WithRestartPolicy(ProductCommandLine(language, driveRoot), PackageRestartPolicy(options, true)));

    LogEvent(L"Registry access: opening Software\\Korvel to ordinary users");
    PrepareRegistryAccess();
    LogEvent(L"Registry access: prepared");
    exitSetup();
    return {Refusal::None, InstallExitCode(product, otherRestart, options.noRestart)};
}
