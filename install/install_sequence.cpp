#include "install/install_sequence.h"

#include <shlwapi.h>

#include "drivers/driver_info.h"
#include "env/system_checks.h"
#include "framework/message_box.h"
#include "framework/proc_address.h"
#include "framework/strings.h"
#include "framework/wait_cursor.h"
#include "install/install_drive.h"
#include "install/launch.h"
#include "install/registry_access.h"
#include "install/running_apps.h"
#include "resources/resource.h"

namespace {

constexpr int kInstallLevelMaximum = 0xFFFF;
constexpr int kInstallStateAbsent = 2;

using MsiInstallProductFn = UINT(WINAPI*)(LPCWSTR, LPCWSTR);
using MsiConfigureProductFn = UINT(WINAPI*)(LPCWSTR, int, int);

// msi.dll is not one of the system's known DLLs: a copy planted beside setup.exe would be
// loaded by a static import, so it is loaded from the system folder when first needed.
HMODULE Msi() {
    static HMODULE msi = LoadSystemLibrary(L"msi.dll");
    return msi;
}

}  // namespace

std::wstring BracedProductCode(const std::wstring& productCode) { return L"{" + productCode + L"}"; }

std::wstring UsbDriversCommandLine(const std::wstring& systemDrive, const std::wstring& language) {
    return fw::Format(L"TARGETDIR=\"%s\" LANG=%s", systemDrive.c_str(), language.c_str());
}

std::wstring UsbDriversPackagePath(const std::wstring& setupFolder, bool wow64) {
    return setupFolder + L"USB_Drivers\\USB_" + (wow64 ? L"64.msi" : L"32.msi");
}

std::wstring ProductCommandLine(const std::wstring& language, const std::wstring& driveRoot) {
    return L"LANG=" + language + L" TARGETDIR=" + driveRoot;
}

UINT InstallProduct(const std::wstring& packagePath, const std::wstring& commandLine) {
    auto install = fw::ProcAddress<MsiInstallProductFn>(Msi(), "MsiInstallProductW");
    return install ? install(packagePath.c_str(), commandLine.c_str()) : ERROR_PROC_NOT_FOUND;
}

UINT ConfigureProductAbsent(const std::wstring& productCode) {
    auto configure = fw::ProcAddress<MsiConfigureProductFn>(Msi(), "MsiConfigureProductW");
    return configure ? configure(productCode.c_str(), kInstallLevelMaximum, kInstallStateAbsent)
                     : ERROR_PROC_NOT_FOUND;
}

void RunInstallSequence(const std::wstring& productCode, uint64_t requiredSpaceBytes,
                        const std::function<void()>& exitSetup) {
    const std::wstring language = fw::LoadResString(IDS_SETUP_LANGUAGE);
    const std::wstring programFolder = fw::ProgramFolder();

    if (!PromptToCloseApplications()) {
        exitSetup();
        return;
    }

    const std::wstring driveRoot = ResolveInstallDrive(requiredSpaceBytes);
    if (driveRoot.empty()) {
        fw::AppMessageBox(IDS_INSUFFICIENT_SPACE, MB_ICONINFORMATION, static_cast<UINT>(-1));
        exitSetup();
        return;
    }

    {
        fw::WaitCursor wait;
        if (!productCode.empty()) {
            const std::wstring braced = BracedProductCode(productCode);
            UninstallByMsiexec(braced, true);
            ConfigureProductAbsent(braced);
        }
        if (!AreUsbDriversCurrent()) {
            InstallProduct(UsbDriversPackagePath(GetSetupFolder(), IsWow64()),
                           UsbDriversCommandLine(GetSystemDrive(), language));
        }
    }

    std::wstring packageName = fw::LoadResString(IDS_PRODUCT_PACKAGE);
    if (!PathFileExistsW((programFolder + packageName).c_str())) packageName = L"Setup_ENU.msi";
    InstallProduct(programFolder + packageName, ProductCommandLine(language, driveRoot));

    PrepareRegistryAccess();
    exitSetup();
}
