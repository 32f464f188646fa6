#include "app/uninstall_setup.h"

#include "install/install_progress.h"
#include "install/installer_messages.h"
#include "framework/strings.h"
#include "install/msi_library.h"
#include "system/setup_log.h"

InstallOutcome RemoveProduct(const std::wstring& productCode, InstallObserver& observer) {
    InstallOutcome outcome;
    LogEvent("The USB drivers package stays installed: other Korvel products use it");
    // Without the product code nothing says what to remove: removing nothing is no success.
    if (productCode.empty()) {
        LogEvent("No product code: setup.dat is missing beside setup.exe or names none; nothing was removed");
        outcome.productResult = ERROR_INSTALL_PACKAGE_OPEN_FAILED;
        return outcome;
    }
    // The installer's messages come to the setup, which shows the progress where there is a page;
    // the installer's own user interface stays off.
    InstallProgress progress(true, false);
    InstallerMessages messages(progress, observer, false);
    progress.Begin(InstallStep::Removal);
    observer.OnStep(InstallStep::Removal);
    SetInstallerUiLevel(INSTALLUILEVEL_NONE);
    ExternalInstallerUi handler(messages, false);
    LogEvent("Windows Installer messages: ", fw::Widen(handler.Kind()), " handler");
    LogPackageTo(L"Uninstall");
    const UINT result = ConfigureProductAbsent(BracedProductCode(productCode), WithRestartSuppressed(L""));
    if (result == ERROR_UNKNOWN_PRODUCT) LogEvent("The product is not installed: nothing to remove");
    // Not installed is success; a restart asked for is the setup's, at the end.
    outcome.productResult = result == ERROR_UNKNOWN_PRODUCT ? ERROR_SUCCESS : result;
    outcome.restartNeeded = AsksForRestart(result);
    progress.Complete();
    observer.OnProgress(progress.Permille());
    return outcome;
}
