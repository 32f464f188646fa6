#include "env/bootstrap.h"

#include <utility>

#include "env/system_checks.h"
#include "env/version_loader.h"
#include "install/launch.h"
#include "install/registry.h"

namespace {

constexpr wchar_t kInstallerKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer";

}  // namespace

DWORD DefaultInstallerVersion(int osVersion) {
    if (osVersion == WinMe) return 0x10002;
    if (osVersion == Win2000) return 0x10001;
    if (osVersion >= WinXP) return 0x20000;
    return 0;
}

std::wstring InstallerEnginePath(const std::wstring& installerLocation) {
    return installerLocation + L"\\msiexec.exe";
}

bool NeedsEngineUpdate(DWORD installerVersion) { return HIWORD(installerVersion) < 2; }

std::wstring EngineSetupCommandLine(const std::wstring& setupFolder, int osVersion) {
    std::wstring program = setupFolder + L"bin\\Msi\\2.0" + (osVersion >= WinNT4 ? L"\\InstMsiW.exe" : L"\\InstMsiA.exe");
    // Quoted, so a setup folder with a blank cannot start a program named by its first word.
    return L"\"" + program + L"\" /c:\"msiinst /delayreboot\"";
}

CBootstrap::CBootstrap() : CBootstrap(GetWindowsVersion(), GetSetupFolder()) {}

CBootstrap::CBootstrap(int osVersion, std::wstring setupFolder)
    : osVersion_(osVersion), setupFolder_(std::move(setupFolder)), installerVersion_(0) {
    installerVersion_ = GetInstallerVersion();
}

CBootstrap::~CBootstrap() = default;

DWORD CBootstrap::GetInstallerVersion() {
    if (osVersion_ == WinUnknown) return 0;
    DWORD version = DefaultInstallerVersion(osVersion_);
    std::wstring location;
    if (!ReadRegistryString(HKEY_LOCAL_MACHINE, kInstallerKey, L"InstallerLocation", &location)) return version;
    ReadFileVersionMS(InstallerEnginePath(location), &version);
    return version;
}

void CBootstrap::UpdateInstallerEngine() {
    if (!NeedsEngineUpdate(installerVersion_)) return;
    std::wstring commandLine = EngineSetupCommandLine(setupFolder_, osVersion_);
    DWORD exitCode = 0;
    // Neither a failed start nor the exit code changes the course of the setup.
    RunProgram(commandLine, true, exitCode);
}
