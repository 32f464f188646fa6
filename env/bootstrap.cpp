#include "env/bootstrap.h"

#include <utility>

#include "env/system_checks.h"
#include "env/version_loader.h"
#include "framework/strings.h"
#include "framework/thread.h"
#include "system/launch.h"
#include "system/registry.h"
#include "system/setup_log.h"

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

std::wstring EngineSetupCommandLine(const std::wstring& setupFolder, int osVersion, bool quiet) {
    // Quoted, so a setup folder with a blank cannot start a program named by its first word.
    const std::wstring program =
        QuotedArgument(setupFolder + L"bin\\Msi\\2.0" + (osVersion >= WinNT4 ? L"\\InstMsiW.exe" : L"\\InstMsiA.exe"));
    if (program.empty()) return {};
    if (quiet) return program + L" /q /c:\"msiinst /delayrebootq\"";
    return program + L" /c:\"msiinst /delayreboot\"";
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

void CBootstrap::UpdateInstallerEngine(bool quiet) {
    LogEvent(fw::Format("Windows Installer engine %u.%u", HIWORD(installerVersion_), LOWORD(installerVersion_)));
    if (!NeedsEngineUpdate(installerVersion_)) return;
    const std::wstring shown = EngineSetupCommandLine(setupFolder_, osVersion_, quiet);
    if (shown.empty()) {
        LogEvent("Engine update: not started: the medium's folder holds a quotation mark or a control character");
        return;
    }
    std::wstring commandLine = shown;
    DWORD exitCode = 0;
    // Neither a failed start nor the exit code changes the course of the setup.
    // On a thread of its own: the launch may go through the Task Scheduler, which needs a
    // multithreaded apartment and polls, while this thread keeps its windows answering.
    bool started = false;
    fw::RunOffThread([&] { started = RunProgram(commandLine, true, exitCode); });
    if (started)
        LogEvent(fw::Format("Engine update: %s: exit code %s", shown.c_str(), ExitCodeText(exitCode).c_str()));
    else
        LogEvent("Engine update: ", shown, ": not started");
}
