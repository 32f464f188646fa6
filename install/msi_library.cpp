#include "install/msi_library.h"

#include <msi.h>

#include "framework/handle.h"
#include "framework/proc_address.h"
#include "framework/strings.h"
#include "system/setup_log.h"
#include "system/system_info.h"

namespace {

constexpr int kInstallLevelMaximum = 0xFFFF;
constexpr int kInstallStateAbsent = 2;
constexpr DWORD kVerboseLogMode = INSTALLLOGMODE_FATALEXIT | INSTALLLOGMODE_ERROR | INSTALLLOGMODE_WARNING |
                                  INSTALLLOGMODE_USER | INSTALLLOGMODE_INFO | INSTALLLOGMODE_RESOLVESOURCE |
                                  INSTALLLOGMODE_OUTOFDISKSPACE | INSTALLLOGMODE_ACTIONSTART |
                                  INSTALLLOGMODE_ACTIONDATA | INSTALLLOGMODE_COMMONDATA |
                                  INSTALLLOGMODE_PROPERTYDUMP | INSTALLLOGMODE_VERBOSE;

using MsiInstallProductFn = UINT(WINAPI*)(LPCWSTR, LPCWSTR);
using MsiConfigureProductFn = UINT(WINAPI*)(LPCWSTR, int, int);
using MsiConfigureProductExFn = UINT(WINAPI*)(LPCWSTR, int, int, LPCWSTR);
using MsiEnableLogFn = UINT(WINAPI*)(DWORD, LPCWSTR, DWORD);
using MsiSetInternalUiFn = int(WINAPI*)(int, HWND*);

UINT CallInstall(const std::wstring& packagePath, const std::wstring& commandLine) {
    auto install = fw::ProcAddress<MsiInstallProductFn>(MsiLibrary(), "MsiInstallProductW");
    return install ? install(packagePath.c_str(), commandLine.c_str()) : ERROR_PROC_NOT_FOUND;
}

UINT CallConfigureAbsent(const std::wstring& productCode, const std::wstring& properties) {
    if (auto configureEx = fw::ProcAddress<MsiConfigureProductExFn>(MsiLibrary(), "MsiConfigureProductExW"))
        return configureEx(productCode.c_str(), kInstallLevelMaximum, kInstallStateAbsent, properties.c_str());
    auto configure = fw::ProcAddress<MsiConfigureProductFn>(MsiLibrary(), "MsiConfigureProductW");
    return configure ? configure(productCode.c_str(), kInstallLevelMaximum, kInstallStateAbsent) : ERROR_PROC_NOT_FOUND;
}

}  // namespace

HMODULE MsiLibrary() { return fw::LoadSystemLibrary(L"msi.dll"); }

UINT InstallProduct(const std::wstring& packagePath, const std::wstring& commandLine) {
    const UINT result = CallInstall(packagePath, commandLine);
    LogEvent(fw::Format("MsiInstallProductW(\"%s\", \"%s\") = %u", packagePath.c_str(), commandLine.c_str(), result));
    return result;
}

UINT ConfigureProductAbsent(const std::wstring& productCode, const std::wstring& properties) {
    const UINT result = CallConfigureAbsent(productCode, properties);
    LogEvent(fw::Format("MsiConfigureProductExW(%s, 0xffff, absent, \"%s\") = %u", productCode.c_str(),
                        properties.c_str(), result));
    return result;
}

void LogPackageTo(const std::wstring& package) {
    const SetupLog* log = ActiveSetupLog();
    if (!log) return;
    const std::wstring path = PackageLogPath(log->path(), package);
    // The installer opens it by name: a link planted under that name is refused first.
    if (!fw::UniqueFileHandle(OpenLogFile(path))) {
        LogEvent("MsiEnableLogW: not called: ", path, " cannot be written or is a link");
        return;
    }
    auto enableLog = fw::ProcAddress<MsiEnableLogFn>(MsiLibrary(), "MsiEnableLogW");
    const UINT result =
        enableLog ? enableLog(kVerboseLogMode, path.c_str(), INSTALLLOGATTRIBUTES_APPEND) : ERROR_PROC_NOT_FOUND;
    LogEvent(fw::Format("MsiEnableLogW(verbose, \"%s\", append) = %u", path.c_str(), result));
}

int SetInstallerUiLevel(int level) {
    auto setUi = fw::ProcAddress<MsiSetInternalUiFn>(MsiLibrary(), "MsiSetInternalUI");
    const int previous = setUi ? setUi(level, nullptr) : 0;
    LogEvent(fw::Format("MsiSetInternalUI(0x%x) = 0x%x", level, previous));
    return previous;
}
