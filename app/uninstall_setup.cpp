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

}  // namespace

UINT UninstallOutcome(UINT removalResult) {
    return removalResult == ERROR_UNKNOWN_PRODUCT ? ERROR_SUCCESS : removalResult;
}

DWORD RunUninstallSetup(const SetupOptions& options, SetupLog& log, HANDLE* instanceMutex) {
    const ProductSetupData data = ReadSetupData();
    const bool quiet = options.ui == SetupUi::Quiet;
    const std::wstring firstLine = fw::Format(L"Removal of the product: %s; restarts %s", quiet ? L"quiet" : L"passive",
                                              options.noRestart ? L"suppressed" : L"done by the setup at the end");
    DWORD exitCode = 0;
    if (!StartUnattendedRun(options, log, data.productName, firstLine, instanceMutex, &exitCode)) return exitCode;
    LogSetupData(data);
    if (!IsLocalAdministrator()) return LogRefusal(Refusal::NotAdministrator);
    LogEvent(L"Administrator: yes");
    if (IsAnotherInstallationRunning()) return LogRefusal(Refusal::AnotherInstallation);
    LogEvent(L"Another installation running: no");

    LogEvent(L"The USB drivers package stays installed: other Korvel products use it");
    // Without the product code nothing says what to remove: removing nothing is no success.
    if (data.productCode.empty()) {
        LogEvent(L"No product code: setup.dat is missing beside setup.exe or names none; nothing was removed");
        return ERROR_INSTALL_PACKAGE_OPEN_FAILED;
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
