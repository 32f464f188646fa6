#pragma once
// The installation that the license page's "Next" runs: close prompt, drive, removal of the
// earlier version, USB drivers when older, the product package, registry access. The steps that
// may ask the user run on the GUI thread first (PrepareInstallation); the package operations
// then run on a thread of their own (RunPackageOperations) while the page shows their progress.
// An unattended run goes the same way with no one to ask.
#include <windows.h>

#include <cstdint>
#include <string>

#include "install/installer_messages.h"
#include "install/setup_result.h"

// How the run shows itself. Interactive is the run with pages; Quiet shows nothing; Passive
// shows the installation's progress and nothing else.
enum class InstallerUi { Interactive, Quiet, Passive };

struct InstallOptions {
    InstallerUi ui = InstallerUi::Interactive;
    bool noRestart = false;          // the setup never restarts Windows itself
    bool closeApplications = false;  // unattended: close the running guarded applications

    bool Unattended() const { return ui != InstallerUi::Interactive; }
};

// What the package operations do, fixed before they start.
struct InstallPlan {
    InstallOptions options;
    std::wstring driveRoot;
    std::wstring productCode;  // braced; empty: no removal of an earlier version
    bool drivers = false;      // the drivers package is installed
    std::wstring driversPackage;
    std::wstring driversCommandLine;
    std::wstring productPackage;
    std::wstring productCommandLine;
    std::wstring earlierVersion;  // of the product code installed now; empty when none is
};

// Where the earlier version stands when the run ends.
enum class EarlierVersion { None, Kept, Removed };

struct InstallOutcome {
    UINT productResult = ERROR_INSTALL_FAILURE;
    bool restartNeeded = false;  // a package or the removal asked for a restart
    bool cancelled = false;
    bool removalFailed = false;  // an unattended run ends there, with removalResult
    UINT removalResult = 0;
    std::wstring lastError;  // the last error text of the package that ended the run
    EarlierVersion earlier = EarlierVersion::None;
};

// The steps before the package operations: another installation running, whether the drivers
// are current, the packages on the medium (each opened read-only, its external cabinets beside
// it), the drive with room, and only then the running applications (the prompt, or their
// closing in an unattended run) and the folder registrations on the drive. An interactive run
// shows the refusals' messages itself. Refusal::None and the plan when the installation can go on.
Refusal PrepareInstallation(const std::wstring& productCode, uint64_t requiredSpaceBytes, const InstallOptions& options,
                            InstallPlan* plan);

// The removal, the drivers, the product and the registry access, in this order, on the calling
// thread; the observer is told each step and the progress, and is asked the installer's
// questions. Stops before the next step once a cancel is asked for.
InstallOutcome RunPackageOperations(const InstallPlan& plan, InstallObserver& observer);

// The options start-up set for the interactive run.
void SetInteractiveInstallOptions(const InstallOptions& options);
const InstallOptions& InteractiveInstallOptions();

// Command lines and paths of the sequence.
std::wstring BracedProductCode(const std::wstring& productCode);
std::wstring UsbDriversCommandLine(const std::wstring& systemDrive, const std::wstring& language);
std::wstring UsbDriversPackagePath(const std::wstring& setupFolder, bool wow64);
std::wstring ProductCommandLine(const std::wstring& language, const std::wstring& driveRoot);
// Every package operation leaves the restart to the setup: "REBOOT=ReallySuppress" after a blank.
std::wstring WithRestartSuppressed(const std::wstring& commandLine);
// A removal result that ends an unattended run: anything but success, "not installed" (1605)
// and the restart codes.
bool IsFailedRemoval(UINT result);

// What a drivers package's result means for the run. 1602 counts as a cancel only when the user
// confirmed one: a package can end with it by itself. A failure is logged and the product is
// still installed.
enum class DriversResult { Installed, Failed, Cancelled };
DriversResult ClassifyDriversResult(UINT result, bool cancelConfirmed);
// Whether the product package's result counts as installed (a restart it asks for included).
bool ProductInstalled(UINT result);

// Windows Installer, loaded from the system folder at first use.
UINT InstallProduct(const std::wstring& packagePath, const std::wstring& commandLine);
// Through MsiConfigureProductExW, with properties.
UINT ConfigureProductAbsent(const std::wstring& productCode, const std::wstring& properties);
// A verbose log of the next installer calls in that file, appended to.
UINT EnableInstallerLog(const std::wstring& path);
