#pragma once
// The installation that the license page's "Next" runs: close prompt, drive, removal of the
// earlier version, USB drivers when older, the product package, registry access, the end.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

// Every way out, cancel, no drive and the finished installation alike, calls exitSetup.
void RunInstallSequence(const std::wstring& productCode, uint64_t requiredSpaceBytes,
                        const std::function<void()>& exitSetup);

// Command lines and paths of the sequence.
std::wstring BracedProductCode(const std::wstring& productCode);
std::wstring UsbDriversCommandLine(const std::wstring& systemDrive, const std::wstring& language);
std::wstring UsbDriversPackagePath(const std::wstring& setupFolder, bool wow64);
std::wstring ProductCommandLine(const std::wstring& language, const std::wstring& driveRoot);

// Windows Installer, loaded from the system folder at first use.
UINT InstallProduct(const std::wstring& packagePath, const std::wstring& commandLine);
UINT ConfigureProductAbsent(const std::wstring& productCode);
