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
    LogEvent(L"The USB drivers package stays installed: other Korvel products use it");
    if (run.data.productCode.empty()) {
        LogEvent(L"No product code in the setup data: nothing to remove");
        return ERROR_SUCCESS;
    }
    // The installer's own user interface: none for /quiet; its progress alone otherwise, since a
    // removal asks nothing and neither /quiet nor /passive makes it a passive one.
    SetInstallerUiLevel(quiet ? INSTALLUILEVEL_NONE : INSTALLUILEVEL_BASIC | INSTALLUILEVEL_PROGRESSONLY);
    LogPackageTo(L"Uninstall");
    const UINT result = ConfigureProductAbsent(BracedProductCode(run.data.productCode), WithRestartSuppressed(L""));
    if (result == ERROR_UNKNOWN_PRODUCT) LogEvent(L"The product is not installed: nothing to remove");
    return run.EndByRestartRule(UninstallOutcome(result), AsksForRestart(result));
}
