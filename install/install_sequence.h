#pragma once
// The installation that the license page's "Next" runs: close prompt, drive, removal of the
// earlier version, USB drivers when older, the product package, registry access, the end.
// An unattended run goes the same way with no one to ask.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "install/setup_result.h"

// The Windows Installer's user interface. Default leaves it as the installer has it and is the
// interactive run; the others are unattended runs, which show no message box of their own.
enum class InstallerUi { Default, None, ProgressOnly };

struct InstallOptions {
    InstallerUi ui = InstallerUi::Default;
    bool noRestart = false;          // REBOOT=ReallySuppress on every package
    bool closeApplications = false;  // unattended: close the running guarded applications

    bool Unattended() const { return ui != InstallerUi::Default; }
};

struct InstallResult {
    Refusal refusal = Refusal::None;
    DWORD exitCode = 0;  // what an unattended run ends with
};

// Every way out, cancel, no drive and the finished installation alike, calls exitSetup.
InstallResult RunInstallSequence(const std::wstring& productCode, uint64_t requiredSpaceBytes,
                                 const InstallOptions& options, const std::function<void()>& exitSetup);
// The interactive run, with the options start-up set (none: the installer's defaults).
void RunInstallSequence(const std::wstring& productCode, uint64_t requiredSpaceBytes,
                        const std::function<void()>& exitSetup);
void SetInteractiveInstallOptions(const InstallOptions& options);

// Command lines and paths of the sequence.
std::wstring BracedProductCode(const std::wstring& productCode);
std::wstring UsbDriversCommandLine(const std::wstring& systemDrive, const std::wstring& language);
std::wstring UsbDriversPackagePath(const std::wstring& setupFolder, bool wow64);
std::wstring ProductCommandLine(const std::wstring& language, const std::wstring& driveRoot);

// What a package's command line says about restarts. InstallerDecides adds nothing: with no
// user interface the installer restarts the machine itself when a package needs it.
enum class RestartPolicy { InstallerDecides, Suppress, NoPrompt };
// The command line with "REBOOT=ReallySuppress" (Suppress) or "REBOOTPROMPT=S" (NoPrompt, the
// installer restarts without asking) added after a blank.
std::wstring WithRestartPolicy(const std::wstring& commandLine, RestartPolicy policy);
// /norestart suppresses every restart. An unattended run also suppresses them for everything
// before the product package, since a restart there would cut the sequence short; the product
// package, the last, leaves the restart to the installer, without a prompt in a passive run.
RestartPolicy PackageRestartPolicy(const InstallOptions& options, bool productPackage);
// MsiSetInternalUI's level for the user interface.
int InstallerUiLevel(InstallerUi ui);

// Windows Installer, loaded from the system folder at first use.
UINT InstallProduct(const std::wstring& packagePath, const std::wstring& commandLine);
UINT ConfigureProductAbsent(const std::wstring& productCode);
// With properties, through MsiConfigureProductExW.
UINT ConfigureProductAbsent(const std::wstring& productCode, const std::wstring& properties);
// Sets the installer's user interface level; gives the previous one (0 when unknown).
int SetInstallerUiLevel(int level);
// A verbose log of the next installer calls in that file, appended to.
UINT EnableInstallerLog(const std::wstring& path);
