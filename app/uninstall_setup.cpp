#include "app/uninstall_setup.h"

#include <msi.h>

#include "app/setup_run.h"
#include "install/msi_library.h"
#include "install/install_sequence.h"
#include "install/setup_result.h"
#include "system/setup_log.h"

UINT UninstallOutcome(UINT removalResult) {
    return removalResult == ERROR_UNKNOWN_PRODUCT ? ERROR_SUCCESS : removalResult;
}

DWORD RemoveProduct(SetupRun& run) {
    const bool quiet = run.options().ui == SetupUi::Quiet;
    LogEvent("The USB drivers package stays installed: other Korvel products use it");
    // Without the product code nothing says what to remove: removing nothing is no success.
    if (run.data.productCode.empty()) {
        LogEvent("No product code: setup.dat is missing beside setup.exe or names none; nothing was removed");
        return ERROR_INSTALL_PACKAGE_OPEN_FAILED;
    }
    // The installer's own user interface: none for /quiet; its progress alone otherwise, since a
    // removal asks nothing and neither /quiet nor /passive makes it a passive one.
    SetInstallerUiLevel(quiet ? INSTALLUILEVEL_NONE : INSTALLUILEVEL_BASIC | INSTALLUILEVEL_PROGRESSONLY);
    LogPackageTo(L"Uninstall");
    const UINT result = ConfigureProductAbsent(BracedProductCode(run.data.productCode), WithRestartSuppressed(L""));
    if (result == ERROR_UNKNOWN_PRODUCT) LogEvent("The product is not installed: nothing to remove");
    return run.EndByRestartRule(UninstallOutcome(result), AsksForRestart(result));
}
