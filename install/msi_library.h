#pragma once
// Windows Installer's calls, each with its line in the setup log. msi.dll is not one of the
// system's known DLLs: a copy planted beside setup.exe would be loaded by a static import, so it
// is loaded from the system folder when first needed.
#include <windows.h>

#include <string>

// Null when the system has none. Loaded at the first installer call, on whichever thread makes
// it (the medium check's, the GUI thread's or the installation's); safe from any thread.
HMODULE MsiLibrary();

// MsiInstallProductW.
UINT InstallProduct(const std::wstring& packagePath, const std::wstring& commandLine);
// MsiConfigureProductExW with properties, MsiConfigureProductW where the installer lacks it.
UINT ConfigureProductAbsent(const std::wstring& productCode, const std::wstring& properties);
// The package's verbose installer log beside the setup log, when there is a setup log; the next
// installer calls append to it.
void LogPackageTo(const std::wstring& package);
// The installer's own user interface level; gives the previous one.
int SetInstallerUiLevel(int level);
