#include "system/launch.h"

#include <taskschd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwchar>

#include "system/system_info.h"
#include "framework/com.h"
#include "framework/handle.h"
#include "framework/proc_address.h"
#include "framework/strings.h"

namespace {

const CLSID kClsidTaskScheduler = {0x0f87369f, 0xa4e5, 0x4cfc, {0xbd, 0x3e, 0x73, 0xe6, 0x15, 0x45, 0x72, 0xdd}};
const IID kIidTaskService = {0x2faba4c7, 0x4da9, 0x4013, {0x96, 0x97, 0x20, 0xcc, 0x3f, 0xd4, 0x0f, 0x85}};
const IID kIidExecAction = {0x4c3d624d, 0xfd6b, 0x49a3, {0xb9, 0xb7, 0x09, 0xcb, 0x3c, 0xd3, 0xf0, 0x47}};
constexpr wchar_t kUsersGroupSid[] = L"S-1-5-32-545";

constexpr DWORD kWakeMask = QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_SENDMESSAGE;  // 0x78
constexpr DWORD kOpenForWait = SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
constexpr int kStatePolls = 50;
constexpr DWORD kStatePollMs = 100;
constexpr DWORD kMaxProcessIds = 1024;

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

// psapi.dll from the system folder: Windows 7 and later moved these functions into kernel32
// under other names, and a static import would tie the program to one or the other.
struct ProcessStatus {
    using EnumProcessesFn = BOOL(WINAPI*)(DWORD*, DWORD, DWORD*);
    using GetModuleBaseNameFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPWSTR, DWORD);
    using QueryImageNameFn = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, DWORD*);

    ProcessStatus() {
        HMODULE psapi = LoadSystemLibrary(L"psapi.dll");
        enumProcesses = fw::ProcAddress<EnumProcessesFn>(psapi, "EnumProcesses");
        getModuleBaseName = fw::ProcAddress<GetModuleBaseNameFn>(psapi, "GetModuleBaseNameW");
        queryImageName = fw::ProcAddress<QueryImageNameFn>(GetModuleHandleW(L"kernel32"), "QueryFullProcessImageNameW");
    }
    EnumProcessesFn enumProcesses = nullptr;
    GetModuleBaseNameFn getModuleBaseName = nullptr;
    QueryImageNameFn queryImageName = nullptr;  // Vista and later
};

const ProcessStatus& Psapi() {
    static const ProcessStatus entryPoints;
    return entryPoints;
}

// The file name of the process's program. From Vista on it comes from the image path, which
// the system gives across bitness; a 32-bit process cannot read the module list of a 64-bit
// one, so the module name is only the fallback of older systems.
std::wstring ProcessFileName(HANDLE process) {
    const ProcessStatus& psapi = Psapi();
    if (psapi.queryImageName) {
        wchar_t path[MAX_PATH * 2] = {};
        DWORD size = MAX_PATH * 2;
        if (psapi.queryImageName(process, 0, path, &size)) return fw::FileNameOfPath(std::wstring(path, size));
    }
    wchar_t name[50] = {};
    if (!psapi.getModuleBaseName || !psapi.getModuleBaseName(process, nullptr, name, 50)) return {};
    return name;
}

void DebugFailure(const wchar_t* format, HRESULT result) {
    OutputDebugStringW(fw::Format(format, static_cast<unsigned>(result)).c_str());
}

// Steps up to the deletion of the task; everything of COM is released when this returns.
bool RegisterStartAndDeleteTask(const std::wstring& taskName, const std::wstring& commandLine) {
    ComScope com;
    HRESULT hr = com.Initialize();
    if (FAILED(hr)) {
        DebugFailure(L"\nCoInitializeEx failed: %x", hr);
        return false;
    }
    hr = CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT_PRIVACY,
                              RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    if (!IsComSecurityUsable(hr)) {
        DebugFailure(L"\nCoInitializeSecurity failed: %x", hr);
        return false;
    }

    ComRef<ITaskService> service;
    hr = CoCreateInstance(kClsidTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, kIidTaskService, service.putVoid());
    if (FAILED(hr)) {
        DebugFailure(L"Failed to CoCreate an instance of the TaskService class: %x", hr);
        return false;
    }
    {
        Variant server, user, domain, password;
        hr = service->Connect(server.get(), user.get(), domain.get(), password.get());
    }
    if (FAILED(hr)) {
        DebugFailure(L"ITaskService::Connect failed: %x", hr);
        return false;
    }
    ComRef<ITaskFolder> folder;
    hr = service->GetFolder(Bstr(L"\\"), folder.put());
    if (FAILED(hr)) {
        DebugFailure(L"Cannot get Root Folder pointer: %x", hr);
        return false;
    }
    folder->DeleteTask(Bstr(taskName), 0);  // a leftover of the same name, if any

    ComRef<ITaskDefinition> task;
    hr = service->NewTask(0, task.put());
    service.reset();
    if (FAILED(hr)) {
        DebugFailure(L"Failed to CoCreate an instance of the TaskService class: %x", hr);
        return false;
    }

    {
        ComRef<ITriggerCollection> triggers;
        hr = task->get_Triggers(triggers.put());
        if (FAILED(hr)) {
            DebugFailure(L"\nCannot get trigger collection: %x", hr);
            return false;
        }
        // A registration trigger with no settings: the task starts as soon as it is registered.
        ComRef<ITrigger> trigger;
        hr = triggers->Create(TASK_TRIGGER_REGISTRATION, trigger.put());
        if (FAILED(hr)) {
            DebugFailure(L"\nCannot add registration trigger to the Task %x", hr);
            return false;
        }
    }

    ComRef<IExecAction> execAction;
    {
        ComRef<IActionCollection> actions;
        hr = task->get_Actions(actions.put());
        if (FAILED(hr)) {
            DebugFailure(L"\nCannot get Task collection pointer: %x", hr);
            return false;
        }
        ComRef<IAction> action;
        hr = actions->Create(TASK_ACTION_EXEC, action.put());
        actions.reset();
        if (FAILED(hr)) {
            DebugFailure(L"\npActionCollection->Create failed: %x", hr);
            return false;
        }
        hr = action->QueryInterface(kIidExecAction, execAction.putVoid());
        if (FAILED(hr)) {
            DebugFailure(L"\npAction->QueryInterface failed: %x", hr);
            return false;
        }
    }

    // The action takes the executable and its arguments apart; a whole command line as the
    // path names no executable, and the task would start nothing.
    CommandLineParts parts = SplitCommandLine(commandLine);
    hr = execAction->put_Path(Bstr(parts.program));
    if (FAILED(hr)) {
        DebugFailure(L"\nCannot set path of executable: %x", hr);
        return false;
    }
    hr = execAction->put_Arguments(Bstr(parts.arguments));
    if (FAILED(hr)) {
        DebugFailure(L"\nCannot set arguments of executable: %x", hr);
        return false;
    }

    // The service's defaults keep a task from starting on battery power and stop it when the
    // charger is pulled: on a laptop the program would never run, or be cut off mid-way.
    {
        ComRef<ITaskSettings> settings;
        hr = task->get_Settings(settings.put());
        if (FAILED(hr)) {
            DebugFailure(L"\nCannot get task settings: %x", hr);
            return false;
        }
        hr = settings->put_DisallowStartIfOnBatteries(VARIANT_FALSE);
        if (SUCCEEDED(hr)) hr = settings->put_StopIfGoingOnBatteries(VARIANT_FALSE);
        if (FAILED(hr)) {
            DebugFailure(L"\nCannot set the task's battery settings: %x", hr);
            return false;
        }
    }

    ComRef<IRegisteredTask> registered;
    {
        Variant user(kUsersGroupSid), password, security(L"");
        hr = folder->RegisterTaskDefinition(Bstr(taskName), task.get(), TASK_CREATE, user.get(), password.get(),
                                            TASK_LOGON_GROUP, security.get(), registered.put());
    }
    if (FAILED(hr)) {
        DebugFailure(L"\nError saving the Task : %x", hr);
        return false;
    }
    OutputDebugStringW(L"\n Success! Task successfully registered. ");

    // A short program may start and end between two polls, so not seeing it run is no failure.
    for (int poll = 0; poll < kStatePolls; ++poll) {
        TASK_STATE state = TASK_STATE_UNKNOWN;
        registered->get_State(&state);
        if (state == TASK_STATE_RUNNING) break;
        Sleep(kStatePollMs);
    }

    hr = folder->DeleteTask(Bstr(taskName), 0);
    if (FAILED(hr)) {
        DebugFailure(L"\nError deleting the Task : %x", hr);
        return false;
    }
    OutputDebugStringW(L"\n Success! Task successfully deleted. ");
    return true;
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

std::wstring UninstallCommandLine(const std::wstring& systemFolder, const std::wstring& productCode, bool quiet) {
    return L"\"" + systemFolder + L"\\msiexec.exe\"" + (quiet ? L" /q /x" : L" /x") + L" \"" + productCode + L"\"";
}

int UninstallResult(bool started, DWORD exitCode) {
    if (!started) return 0;
    return exitCode == ERROR_SUCCESS_REBOOT_REQUIRED ? 2 : 1;
}

bool UsesScheduledTask(int windowsVersion) { return windowsVersion >= WinVista; }

std::wstring TaskNameFor(int randomValue) {
    char name[20];
    _snprintf(name, sizeof(name), "Launch %d", randomValue);
    return std::wstring(name, name + std::strlen(name));
}

bool IsDroppedInputMessage(UINT message) {
    return (message >= WM_MOUSEFIRST && message <= 0x20A) || (message >= WM_KEYFIRST && message <= 0x108);
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
        WaitDispatchingMessages(process.get());
        GetExitCodeProcess(process.get(), &exitCode);
    }
    return true;
}

bool WaitDispatchingMessages(HANDLE process) {
    for (;;) {
        DWORD result = MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, kWakeMask);
        if (result == WAIT_OBJECT_0) return true;
        if (result != WAIT_OBJECT_0 + 1) return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            bool unicode = IsWindowUnicode(msg.hwnd) != FALSE;
            BOOL got = unicode ? GetMessageW(&msg, nullptr, 0, 0) : GetMessageA(&msg, nullptr, 0, 0);
            if (got > 0 && !IsDroppedInputMessage(msg.message)) {
                TranslateMessage(&msg);
                if (unicode) {
                    DispatchMessageW(&msg);
                } else {
                    DispatchMessageA(&msg);
                }
            }
            if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) return true;
        }
    }
}

bool WaitForProgramByName(const std::wstring& fileName, DWORD& exitCode, uint64_t startedAfter) {
    auto enumProcesses = Psapi().enumProcesses;
    DWORD ids[kMaxProcessIds] = {};
    DWORD bytes = 0;
    if (!enumProcesses || !enumProcesses(ids, sizeof(ids), &bytes)) return false;
    // Of the processes of that name started since the launch, the first one started: the
    // program the launch started rather than one its work brought up (the installer service
    // runs under msiexec's name too).
    fw::UniqueHandle found;
    uint64_t foundCreated = 0;
    for (DWORD i = 0; i < bytes / sizeof(DWORD); ++i) {
        if (ids[i] == 0) continue;
        fw::UniqueHandle process(OpenProcess(kOpenForWait, FALSE, ids[i]));
        if (!process || _wcsicmp(ProcessFileName(process.get()).c_str(), fileName.c_str()) != 0) continue;
        const uint64_t created = CreationTime(process.get());
        if (created < startedAfter) continue;
        if (found && created >= foundCreated) continue;
        found = std::move(process);
        foundCreated = created;
    }
    if (!found) return false;
    WaitDispatchingMessages(found.get());
    GetExitCodeProcess(found.get(), &exitCode);
    return true;
}

bool RunProgramAsNamedTask(const std::wstring& taskName, const std::wstring& commandLine, bool wait,
                           DWORD& exitCode) {
    const uint64_t launched = Now();
    if (!RegisterStartAndDeleteTask(taskName, commandLine)) return false;
    if (wait) WaitForProgramByName(ExecutableNameOf(commandLine), exitCode, launched);
    return true;
}

bool RunProgramAsScheduledTask(std::wstring& commandLine, bool wait, DWORD& exitCode) {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    return RunProgramAsNamedTask(TaskNameFor(std::rand()), commandLine, wait, exitCode);
}

int UninstallByMsiexec(const std::wstring& productCode, bool quiet, const std::wstring& moreArguments) {
    // By its full path: a bare name would be looked for beside setup.exe and in the current
    // folder first, and a copy planted there would run with administrator rights.
    std::wstring commandLine = UninstallCommandLine(GetSystemFolder(), productCode, quiet);
    if (!moreArguments.empty()) commandLine += L" " + moreArguments;
    DWORD exitCode = 0;
    bool started = RunProgram(commandLine, true, exitCode);
    return UninstallResult(started, exitCode);
}
