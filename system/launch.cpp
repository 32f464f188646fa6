#include "system/launch.h"

#include <taskschd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwchar>

#include "system/processes.h"
#include "system/setup_log.h"
#include "system/system_info.h"
#include "framework/com.h"
#include "framework/handle.h"
#include "framework/strings.h"

namespace {

const CLSID kClsidTaskScheduler = {0x0f87369f, 0xa4e5, 0x4cfc, {0xbd, 0x3e, 0x73, 0xe6, 0x15, 0x45, 0x72, 0xdd}};
const IID kIidTaskService = {0x2faba4c7, 0x4da9, 0x4013, {0x96, 0x97, 0x20, 0xcc, 0x3f, 0xd4, 0x0f, 0x85}};
const IID kIidExecAction = {0x4c3d624d, 0xfd6b, 0x49a3, {0xb9, 0xb7, 0x09, 0xcb, 0x3c, 0xd3, 0xf0, 0x47}};
constexpr wchar_t kUsersGroupSid[] = L"S-1-5-32-545";

constexpr DWORD kOpenForWait = SYNCHRONIZE | PROCESS_QUERY_INFORMATION;
constexpr int kStatePolls = 50;
constexpr DWORD kStatePollMs = 100;

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

using fw::Bstr;
using fw::ComRef;
using fw::ComScope;
using fw::Variant;

uint64_t FileTimeValue(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

uint64_t Now() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return FileTimeValue(now);
}

// When the process was created, or 0 when that cannot be read.
uint64_t CreationTime(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    return GetProcessTimes(process, &created, &exited, &kernel, &user) ? FileTimeValue(created) : 0;
}

// A step of the launch through the Task Scheduler that failed, in the setup log.
bool StepFailed(const char* step, HRESULT result) {
    LogEvent(fw::Format("Task Scheduler: %hs failed with 0x%08lx", step, static_cast<unsigned long>(result)));
    return false;
}

bool InitializeComSecurity() {
    const HRESULT hr = CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT_PRIVACY,
                                            RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    return IsComSecurityUsable(hr) || StepFailed("CoInitializeSecurity", hr);
}

// The service of this computer and its root folder.
bool ConnectToRootFolder(ComRef<ITaskService>& service, ComRef<ITaskFolder>& folder) {
    HRESULT hr =
        CoCreateInstance(kClsidTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, kIidTaskService, service.putVoid());
    if (FAILED(hr)) return StepFailed("CoCreateInstance", hr);
    {
        Variant server, user, domain, password;
        hr = service->Connect(server.get(), user.get(), domain.get(), password.get());
    }
    if (FAILED(hr)) return StepFailed("ITaskService::Connect", hr);
    hr = service->GetFolder(Bstr(L"\\"), folder.put());
    return SUCCEEDED(hr) || StepFailed("ITaskService::GetFolder", hr);
}

// A registration trigger with no settings: the task starts as soon as it is registered.
bool AddRegistrationTrigger(ITaskDefinition* task) {
    ComRef<ITriggerCollection> triggers;
    HRESULT hr = task->get_Triggers(triggers.put());
    if (FAILED(hr)) return StepFailed("ITaskDefinition::get_Triggers", hr);
    ComRef<ITrigger> trigger;
    hr = triggers->Create(TASK_TRIGGER_REGISTRATION, trigger.put());
    return SUCCEEDED(hr) || StepFailed("ITriggerCollection::Create", hr);
}

// The action takes the executable and its arguments apart; a whole command line as the path
// names no executable, and the task would start nothing.
bool SetProgram(ITaskDefinition* task, const std::wstring& commandLine) {
    ComRef<IExecAction> execAction;
    {
        ComRef<IActionCollection> actions;
        HRESULT hr = task->get_Actions(actions.put());
        if (FAILED(hr)) return StepFailed("ITaskDefinition::get_Actions", hr);
        ComRef<IAction> action;
        hr = actions->Create(TASK_ACTION_EXEC, action.put());
        if (FAILED(hr)) return StepFailed("IActionCollection::Create", hr);
        hr = action->QueryInterface(kIidExecAction, execAction.putVoid());
        if (FAILED(hr)) return StepFailed("IAction::QueryInterface", hr);
    }
    const CommandLineParts parts = SplitCommandLine(commandLine);
    HRESULT hr = execAction->put_Path(Bstr(parts.program));
    if (FAILED(hr)) return StepFailed("IExecAction::put_Path", hr);
    hr = execAction->put_Arguments(Bstr(parts.arguments));
    return SUCCEEDED(hr) || StepFailed("IExecAction::put_Arguments", hr);
}

// The service's defaults keep a task from starting on battery power and stop it when the
// charger is pulled: on a laptop the program would never run, or be cut off mid-way.
bool AllowOnBatteries(ITaskDefinition* task) {
    ComRef<ITaskSettings> settings;
    HRESULT hr = task->get_Settings(settings.put());
    if (FAILED(hr)) return StepFailed("ITaskDefinition::get_Settings", hr);
    hr = settings->put_DisallowStartIfOnBatteries(VARIANT_FALSE);
    if (FAILED(hr)) return StepFailed("ITaskSettings::put_DisallowStartIfOnBatteries", hr);
    hr = settings->put_StopIfGoingOnBatteries(VARIANT_FALSE);
    return SUCCEEDED(hr) || StepFailed("ITaskSettings::put_StopIfGoingOnBatteries", hr);
}

// The task of the Users group, which the registration starts.
bool RegisterTask(ITaskFolder* folder, const std::wstring& taskName, ITaskDefinition* task,
                  ComRef<IRegisteredTask>& registered) {
    Variant user(kUsersGroupSid), password, security(L"");
    const HRESULT hr = folder->RegisterTaskDefinition(Bstr(taskName), task, TASK_CREATE, user.get(), password.get(),
                                                      TASK_LOGON_GROUP, security.get(), registered.put());
    if (FAILED(hr)) return StepFailed("ITaskFolder::RegisterTaskDefinition", hr);
    LogEvent("Task Scheduler: task \"", taskName, "\" registered");
    return true;
}

// A short program may start and end between two polls, so not seeing it run is no failure.
void PollUntilRunning(IRegisteredTask* registered) {
    for (int poll = 0; poll < kStatePolls; ++poll) {
        TASK_STATE state = TASK_STATE_UNKNOWN;
        registered->get_State(&state);
        if (state == TASK_STATE_RUNNING) return;
        Sleep(kStatePollMs);
    }
}

bool DeleteTask(ITaskFolder* folder, const std::wstring& taskName) {
    const HRESULT hr = folder->DeleteTask(Bstr(taskName), 0);
    if (FAILED(hr)) return StepFailed("ITaskFolder::DeleteTask", hr);
    LogEvent("Task Scheduler: task \"", taskName, "\" deleted");
    return true;
}

// The task is registered, started and deleted again; everything of COM is released when this
// returns.
bool RegisterStartAndDeleteTask(const std::wstring& taskName, const std::wstring& commandLine) {
    ComScope com;
    const HRESULT hr = com.Initialize();
    if (FAILED(hr)) return StepFailed("CoInitializeEx", hr);
    ComRef<ITaskService> service;
    ComRef<ITaskFolder> folder;
    if (!InitializeComSecurity() || !ConnectToRootFolder(service, folder)) return false;
    folder->DeleteTask(Bstr(taskName), 0);  // a leftover of the same name, if any
    ComRef<ITaskDefinition> task;
    const HRESULT created = service->NewTask(0, task.put());
    service.reset();
    if (FAILED(created)) return StepFailed("ITaskService::NewTask", created);
    ComRef<IRegisteredTask> registered;
    if (!AddRegistrationTrigger(task.get()) || !SetProgram(task.get(), commandLine) ||
        !AllowOnBatteries(task.get()) || !RegisterTask(folder.get(), taskName, task.get(), registered))
        return false;
    PollUntilRunning(registered.get());
    return DeleteTask(folder.get(), taskName);
}

}  // namespace

CommandLineParts SplitCommandLine(const std::wstring& commandLine) {
    CommandLineParts parts;
    size_t i = 0;
    while (i < commandLine.size() && IsBlank(commandLine[i])) ++i;
    bool quoted = false;
    for (; i < commandLine.size(); ++i) {
        wchar_t c = commandLine[i];
        if (c == L'"') {
            quoted = !quoted;
        } else if (!quoted && IsBlank(c)) {
            break;
        } else {
            parts.program += c;
        }
    }
    while (i < commandLine.size() && IsBlank(commandLine[i])) ++i;
    parts.arguments = commandLine.substr(i);
    return parts;
}

std::wstring ExecutableNameOf(const std::wstring& commandLine) {
    std::wstring name = fw::FileNameOfPath(SplitCommandLine(commandLine).program);
    if (!name.empty() && name.find(L'.') == std::wstring::npos) name += L".exe";
    return name;
}

std::wstring QuotedArgument(const std::wstring& argument) {
    for (const wchar_t c : argument)
        if (c == L'"' || c < 0x20 || (c >= 0x7f && c <= 0x9f)) return {};
    if (!argument.empty() && argument.back() == L'\\') return {};
    return L"\"" + argument + L"\"";
}

std::wstring UninstallCommandLine(const std::wstring& systemFolder, const std::wstring& productCode, bool quiet) {
    const std::wstring program = QuotedArgument(systemFolder + L"\\msiexec.exe");
    const std::wstring code = QuotedArgument(productCode);
    if (program.empty() || code.empty()) return {};
    return program + (quiet ? L" /q /x " : L" /x ") + code;
}

bool UsesScheduledTask(int windowsVersion) { return windowsVersion >= WinVista; }

bool IsSafeForTask(const std::wstring& text) { return text.find(L'%') == std::wstring::npos; }

std::wstring TaskNameFor(int randomValue) {
    char name[20];
    _snprintf(name, sizeof(name), "Launch %d", randomValue);
    return std::wstring(name, name + std::strlen(name));
}

bool IsComSecurityUsable(HRESULT result) { return SUCCEEDED(result) || result == RPC_E_TOO_LATE; }

bool RunProgram(std::wstring& commandLine, bool wait, DWORD& exitCode) {
    if (UsesScheduledTask(GetWindowsVersion())) return RunProgramAsScheduledTask(commandLine, wait, exitCode);
    return RunProgramDirect(commandLine, wait, exitCode);
}

bool RunProgramDirect(std::wstring& commandLine, bool wait, DWORD& exitCode) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);  // 68
    PROCESS_INFORMATION info{};
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info) != 1)
        return false;
    fw::UniqueHandle process(info.hProcess);
    fw::UniqueHandle thread(info.hThread);
    if (wait) {
        WaitForSingleObject(process.get(), INFINITE);
        GetExitCodeProcess(process.get(), &exitCode);
    }
    return true;
}

std::wstring ExitCodeText(DWORD exitCode) {
    return exitCode == kExitCodeUnknown ? L"unknown" : fw::Format("%lu", exitCode);
}

bool CouldBeTaskProgram(const RunningProcess& process, const std::vector<RunningProcess>& processes) {
    for (const RunningProcess& parent : processes) {
        if (parent.processId != process.parentId) continue;
        return _wcsicmp(parent.executableName.c_str(), L"services.exe") != 0 &&
               _wcsicmp(parent.executableName.c_str(), process.executableName.c_str()) != 0;
    }
    return true;  // its parent has ended: no service, which runs as long as the system
}

bool WaitForProgramByName(const std::wstring& fileName, DWORD& exitCode, uint64_t startedAfter) {
    // Of the processes of that name started since the launch, the first one started: the
    // program the launch started rather than one its work brought up. Who started each tells
    // the Windows Installer service (also msiexec.exe) from the task's msiexec on every system
    // from Vista on; a 64-bit process's command line is out of a 32-bit program's reach there,
    // and the task's running instance names only the scheduler's own engine.
    const std::vector<RunningProcess> processes = RunningProcesses();
    fw::UniqueHandle found;
    uint64_t foundCreated = 0;
    for (const RunningProcess& candidate : processes) {
        if (_wcsicmp(candidate.executableName.c_str(), fileName.c_str()) != 0 ||
            !CouldBeTaskProgram(candidate, processes))
            continue;
        fw::UniqueHandle process(OpenProcess(kOpenForWait, FALSE, candidate.processId));
        if (!process) continue;
        const uint64_t created = CreationTime(process.get());
        if (created < startedAfter || (found && created >= foundCreated)) continue;
        found = std::move(process);
        foundCreated = created;
    }
    if (!found) return false;
    WaitForSingleObject(found.get(), INFINITE);
    GetExitCodeProcess(found.get(), &exitCode);
    return true;
}

bool RunProgramAsNamedTask(const std::wstring& taskName, const std::wstring& commandLine, bool wait,
                           DWORD& exitCode) {
    // The Task Scheduler expands "%NAME%" in the action's path and arguments, and has no escape
    // for "%": such a line would start another program, or the same with other arguments.
    if (!IsSafeForTask(commandLine)) {
        LogEvent("Task Scheduler: not started: the command line holds \"%\", which the Task Scheduler would expand");
        return false;
    }
    const uint64_t launched = Now();
    if (!RegisterStartAndDeleteTask(taskName, commandLine)) return false;
    if (wait && !WaitForProgramByName(ExecutableNameOf(commandLine), exitCode, launched)) {
        LogEvent("Task Scheduler: the program of \"", taskName, "\" ended before it could be waited for: exit code unknown");
        exitCode = kExitCodeUnknown;
    }
    return true;
}

bool RunProgramAsScheduledTask(std::wstring& commandLine, bool wait, DWORD& exitCode) {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    return RunProgramAsNamedTask(TaskNameFor(std::rand()), commandLine, wait, exitCode);
}
