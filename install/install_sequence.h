#pragma once
// The installation that the license page's "Next" runs: close prompt, drive, removal of the
// earlier version, USB drivers when older, the product package, registry access. The steps that
// may ask the user run on the GUI thread first, as the run's start checks; the package
// operations then run on a thread of their own (RunPackageOperations) while the page shows their
// progress. An unattended run goes the same way with no one to ask.
#include <windows.h>

#include <cstdint>
#include <string>

#include "install/installer_messages.h"
#include "install/package_check.h"
#include "install/setup_result.h"

// How a run shows itself: Full is the run with pages; Passive shows the installation's progress
// and nothing else; Quiet shows nothing.
enum class SetupUi { Full, Passive, Quiet };

struct InstallOptions {
    SetupUi ui = SetupUi::Full;
    bool noRestart = false;          // the setup never restarts Windows itself
    bool closeApplications = false;  // unattended: close the running guarded applications

    bool Unattended() const { return ui != SetupUi::Full; }
    bool operator==(const InstallOptions&) const = default;
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
    bool productRemoval = false;  // /uninstall: the product itself is removed, nothing installed
    std::wstring productName;     // for the outcome's texts
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

// The steps before anything is changed, each logging what it found; the start checks of the run
// call them in their order: the plan, the packages on the medium, the drive, the running
// applications, and only then the folder registrations on the drive.
// The rest of the plan, in two parts: the removal and the packages, which asks nothing, and
// whether the drivers package is installed, which asks the user in test mode's interactive run.
void PlanPackages(const std::wstring& productCode, const InstallOptions& options, InstallPlan* plan);
void DecideDrivers(InstallPlan* plan);
bool DriversDecisionAsks(const InstallOptions& options);
enum class MediumVerdict { Usable, Unusable, Cancelled };
// The packages the plan installs: the product's, then the drivers' when they are installed.
std::vector<std::wstring> PackagesOf(const InstallPlan& plan);
// The packages, each opened read-only with its cabinets, beside it and embedded in it, read
// through; Unusable with *refusalText naming the missing or damaged file. Runs on any thread;
// the progress, when given, is told on that thread as the cabinets are read.
MediumVerdict CheckPackagesOnMedium(const std::vector<std::wstring>& packages, std::wstring* refusalText,
                                    ReadThroughProgress* progress = nullptr);
// The fixed drive with room and the product's command line for it; false when there is none.
// Writes nothing.
bool ChooseInstallDrive(uint64_t requiredSpaceBytes, InstallPlan* plan);
// The running applications: the prompt, or their closing in an unattended run; true when none
// runs any more.
bool ApplicationsClosed(const InstallOptions& options);
// The maker's folder registrations on the chosen drive, and the versions the removal concerns.
void RegisterDriveFolders(InstallPlan* plan);

// The removal, the drivers, the product and the registry access, in this order, on the calling
// thread; the observer is told each step and the progress, and is asked the installer's
// questions. Stops before the next step once a cancel is asked for. A plan for the product's
// removal (/uninstall) removes it by the installer alone, its result the product result.
InstallOutcome RunPackageOperations(const InstallPlan& plan, InstallObserver& observer);

// Command lines and paths of the sequence.
std::wstring BracedProductCode(const std::wstring& productCode);  // empty for none
// msiexec's quiet removal of the braced product code, with its own verbose log when a log path is
// given, restarts suppressed; empty when an argument is refused (see QuotedArgument).
std::wstring RemovalCommandLine(const std::wstring& systemFolder, const std::wstring& productCode,
                                const std::wstring& logPath);
// The satellite's setup language as the packages' LANG property, which stands unquoted among
// the properties: three letters ("DEU"); anything else, which could add properties, gives "ENU".
std::wstring PackageLanguage(const std::wstring& setupLanguage);
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
