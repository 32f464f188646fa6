#include "app/uninstall_setup.h"

#include <msi.h>

#include "app/setup_app.h"
#include "app/setup_data.h"
#include "app/unattended_setup.h"
#include "env/system_checks.h"
#include "framework/proc_address.h"
#include "framework/strings.h"
#include "install/msi_library.h"
#include "install/install_sequence.h"
#include "install/setup_result.h"
#include "resources/resource.h"

namespace {

// The installer's own user interface: none for /quiet; its progress alone otherwise, since a
// removal asks nothing and neither /quiet nor /passive makes it a passive one.
int SetInstallerUiLevel(bool quiet) {
    using SetInternalUiFn = int(WINAPI*)(int, HWND*);
    auto setUi = fw::ProcAddress<SetInternalUiFn>(MsiLibrary(), "MsiSetInternalUI");
    const int level = quiet ? INSTALLUILEVEL_NONE : INSTALLUILEVEL_BASIC | INSTALLUILEVEL_PROGRESSONLY;
    const int previous = setUi ? setUi(level, nullptr) : 0;
    LogEvent(fw::Format(L"MsiSetInternalUI(0x%x) = 0x%x", level, previous));
    return previous;
}

DWORD Refuse(Refusal refusal) {
    const UINT messageId = RefusalMessageId(refusal);
    if (messageId) LogEvent(fw::LoadResString(messageId));
    return RefusalExitCode(refusal);
}

}  // namespace

UINT UninstallOutcome(UINT removalResult) {
    return removalResult == ERROR_UNKNOWN_PRODUCT ? ERROR_SUCCESS : removalResult;
}

DWORD RunUninstallSetup(const SetupOptions& options, SetupLog& log, HANDLE* instanceMutex) {
    const ProductSetupData data = ReadSetupData();
    const std::wstring logPath = options.logFile.empty() ? DefaultLogPath(data.productName) : options.logFile;
    if (!StartSetupLog(log, logPath) && !options.logFile.empty()) return RefusalExitCode(Refusal::LogNotWritable);
    const bool quiet = options.ui == SetupUi::Quiet;
    LogEvent(fw::Format(L"Removal of the product: %s; restarts %s", quiet ? L"quiet" : L"passive",
                        options.noRestart ? L"suppressed" : L"done by the setup at the end"));
    for (const std::wstring& argument : options.invalid) LogEvent(L"Not a switch of this setup: \"" + argument + L"\"");
    if (!options.invalid.empty() || options.showUsage) {
        LogEvent(UsageText());
        return options.invalid.empty() ? ERROR_SUCCESS : RefusalExitCode(Refusal::InvalidSwitch);
    }

    *instanceMutex = CreateMutexW(nullptr, FALSE, kInstanceMutexName);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        LogEvent(L"Single instance: another copy of the setup is running");
        return Refuse(Refusal::SecondCopy);
    }
    LogEvent(L"Single instance: passed");
    LogSetupData(data);
    if (!IsLocalAdministrator()) return Refuse(Refusal::NotAdministrator);
    LogEvent(L"Administrator: yes");
    if (IsAnotherInstallationRunning()) return Refuse(Refusal::AnotherInstallation);
    LogEvent(L"Another installation running: no");

    LogEvent(L"The USB drivers package stays installed: other Korvel products use it");
    if (data.productCode.empty()) {
        LogEvent(L"No product code in the setup data: nothing to remove");
        return ERROR_SUCCESS;
    }
    SetInstallerUiLevel(quiet);
    const std::wstring packageLog = PackageLogPath(log.path(), L"Uninstall");
    if (log.IsOpen())
        LogEvent(fw::Format(L"MsiEnableLogW(verbose, \"%s\", append) = %u", packageLog.c_str(),
                            EnableInstallerLog(packageLog)));
    const std::wstring braced = BracedProductCode(data.productCode);
    const std::wstring properties = WithRestartSuppressed(L"");
    const UINT result = ConfigureProductAbsent(braced, properties);
    LogEvent(fw::Format(L"MsiConfigureProductExW(%s, 0xffff, absent, \"%s\") = %u", braced.c_str(), properties.c_str(),
                        result));
    if (result == ERROR_UNKNOWN_PRODUCT) LogEvent(L"The product is not installed: nothing to remove");
    return EndWithRestartRule(UninstallOutcome(result), AsksForRestart(result), options.noRestart);
}
