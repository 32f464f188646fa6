// A stand-in for the Task Scheduler 2.0 service, loaded in process in place of the system's
// client library (tests/taskstub/register.sh registers it under the scheduler's class id).
// It keeps the root folder's tasks in the process, and a task with a registration trigger
// starts its exec action when it is registered, as the service does: CreateProcess of the
// action's path (a bare name is looked up as the service finds it) with its arguments, in its
// working folder. On a 64-bit system the program is started with the file-system redirection
// off, as the 64-bit service would start it.
//
// Environment, read at each call:
//   TASKSTUB_RECORD  file that gets one line per call: the method, its values, "result=" and
//                    the HRESULT; "injected" marks a failure this stand-in was told to give.
//                    Programs started and ended add "start", "start-failed" and "ended" lines.
//   TASKSTUB_FAIL    "Interface::Method=HRESULT;..." — those calls fail with that HRESULT.
//                    "CreateInstance" names the class factory's creation.
//   TASKSTUB_START   how a registered task's program starts: empty at once; "after=MS" after
//                    that many milliseconds (queued meanwhile, even if the task is deleted
//                    first); "never" (queued for good); "finished" at once, and registration
//                    returns only when the program has ended.
#include <windows.h>
#include <taskschd.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cstdio>
#include <cwchar>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/com.h"
#include "framework/lock.h"

using fw::Bstr;
using fw::ComRef;

namespace {

LONG g_objects = 0;
fw::CriticalSection g_section;

// The stub's one lock, over every task and program.
struct Lock : fw::Lock {
    Lock() : fw::Lock(g_section) {}
};

std::wstring Env(const wchar_t* name) {
    wchar_t value[1024];
    DWORD length = GetEnvironmentVariableW(name, value, 1024);
    return length && length < 1024 ? std::wstring(value, length) : std::wstring();
}

std::wstring Hex(HRESULT value) {
    wchar_t text[16];
    swprintf(text, 16, L"%08lx", static_cast<unsigned long>(value));
    return text;
}

std::wstring Text(BSTR value) { return value ? std::wstring(value, SysStringLen(value)) : std::wstring(); }

std::wstring Describe(const VARIANT& value) {
    if (value.vt == VT_EMPTY) return L"(empty)";
    if (value.vt == VT_BSTR) return Text(value.bstrVal);
    return L"(vt " + std::to_wstring(value.vt) + L")";
}

void WriteRecord(const std::wstring& line) {
    std::wstring path = Env(L"TASKSTUB_RECORD");
    if (path.empty()) return;
    std::wstring full = line + L"\n";
    int size = WideCharToMultiByte(CP_UTF8, 0, full.data(), static_cast<int>(full.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, full.data(), static_cast<int>(full.size()), bytes.data(), size, nullptr, nullptr);
    Lock lock;
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// The failure the test asked this call to give, or S_OK.
HRESULT Injected(const std::wstring& method) {
    std::wstring faults = L";" + Env(L"TASKSTUB_FAIL");
    size_t at = faults.find(L";" + method + L"=");
    if (at == std::wstring::npos) return S_OK;
    return static_cast<HRESULT>(std::wcstoul(faults.c_str() + at + method.size() + 2, nullptr, 16));
}

// One line of the record: the method, its values and its result.
class Call {
public:
    explicit Call(const wchar_t* method) : line_(method), injected_(Injected(method)) {}
    Call& Add(const wchar_t* key, const std::wstring& value) {
        line_ += std::wstring(L"\t") + key + L"=" + value;
        return *this;
    }
    bool Failing() const { return FAILED(injected_); }
    HRESULT Fail() { return Done(injected_, true); }
    HRESULT Done(HRESULT result, bool injected = false) {
        WriteRecord(line_ + L"\tresult=" + Hex(result) + (injected ? L"\tinjected" : L""));
        return result;
    }

private:
    std::wstring line_;
    HRESULT injected_;
};

HRESULT NotModelled(const wchar_t* method) { return Call(method).Done(E_NOTIMPL); }
#define NOT_MODELLED(method) \
    { return NotModelled(method); }

// ---------------------------------------------------------------------------------------------
// Tasks of the root folder and the programs they started

struct Task {
    std::wstring name;
    std::wstring path, arguments, folder;
    bool queued = false;        // an instance waits to start
    HANDLE process = nullptr;   // the started instance
    HRESULT lastResult = 0;
};

struct Started {
    DWORD id;
    HANDLE process;
};

struct NoCase {
    bool operator()(const std::wstring& a, const std::wstring& b) const { return _wcsicmp(a.c_str(), b.c_str()) < 0; }
};
std::map<std::wstring, std::shared_ptr<Task>, NoCase> g_tasks;
std::vector<Started> g_started;

std::wstring TaskName(BSTR path) {
    std::wstring name = Text(path);
    if (!name.empty() && name[0] == L'\\') name.erase(0, 1);
    return name;
}

std::wstring Expand(const std::wstring& text) {
    wchar_t out[4096];
    DWORD length = ExpandEnvironmentStringsW(text.c_str(), out, 4096);
    return length && length <= 4096 ? std::wstring(out) : text;
}

std::wstring SystemFolder() {
    wchar_t path[MAX_PATH] = {};
    GetSystemDirectoryW(path, MAX_PATH);
    return path;
}

// The service of a 64-bit system is a 64-bit process: what it calls the system folder is the
// 64-bit one, so this 32-bit process turns the redirection off while it starts the program.
class NativeFileSystem {
public:
    NativeFileSystem() {
        HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        using IsWow64Fn = BOOL(WINAPI*)(HANDLE, BOOL*);
        using DisableFn = BOOL(WINAPI*)(void**);
        auto isWow64 = reinterpret_cast<IsWow64Fn>(reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")));
        auto disable = reinterpret_cast<DisableFn>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64DisableWow64FsRedirection")));
        revert_ = reinterpret_cast<RevertFn>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64RevertWow64FsRedirection")));
        BOOL wow64 = FALSE;
        if (isWow64 && disable && revert_ && isWow64(GetCurrentProcess(), &wow64) && wow64) off_ = disable(&old_);
    }
    ~NativeFileSystem() {
        if (off_) revert_(old_);
    }
    NativeFileSystem(const NativeFileSystem&) = delete;
    NativeFileSystem& operator=(const NativeFileSystem&) = delete;

private:
    using RevertFn = BOOL(WINAPI*)(void*);
    RevertFn revert_ = nullptr;
    void* old_ = nullptr;
    BOOL off_ = FALSE;
};

// The executable the service runs for an action path: a bare name is found in the system
// folders and on the search path, ".exe" added; anything else is taken as it is.
std::wstring ResolveProgram(const std::wstring& path) {
    if (path.empty() || path.find_first_of(L"\\/:") != std::wstring::npos) return path;
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    std::wstring folders = SystemFolder() + L";" + windows + L";" + Env(L"PATH");
    wchar_t found[MAX_PATH] = {};
    if (!SearchPathW(folders.c_str(), path.c_str(), L".exe", MAX_PATH, found, nullptr)) return path;
    return found;
}

std::wstring FileNameOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// Processes of that file name other than the given one.
int OthersNamed(const std::wstring& name, DWORD except) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    int count = 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        count += entry.th32ProcessID != except && _wcsicmp(entry.szExeFile, name.c_str()) == 0;
    CloseHandle(snapshot);
    return count;
}

struct Watch {
    std::wstring name;
    DWORD id;
    HANDLE process;
};

DWORD WINAPI WatchProgram(void* context) {
    std::unique_ptr<Watch> watch(static_cast<Watch*>(context));
    WaitForSingleObject(watch->process, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(watch->process, &exitCode);
    CloseHandle(watch->process);
    WriteRecord(L"ended\tname=" + watch->name + L"\tpid=" + std::to_wstring(watch->id) +
                L"\texit=" + std::to_wstring(exitCode));
    return 0;
}

void StartProgram(const std::shared_ptr<Task>& task) {
    std::wstring path, arguments, folder;
    {
        Lock lock;
        task->queued = false;
        path = Expand(task->path);
        arguments = Expand(task->arguments);
        folder = task->folder.empty() ? SystemFolder() : Expand(task->folder);
    }
    NativeFileSystem native;
    std::wstring image = ResolveProgram(path);
    std::wstring commandLine = L"\"" + image + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(image.c_str(), commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                        folder.c_str(), &startup, &info)) {
        DWORD error = GetLastError();
        Lock lock;
        task->lastResult = HRESULT_FROM_WIN32(error);
        WriteRecord(L"start-failed\tname=" + task->name + L"\tpath=" + path + L"\terror=" + std::to_wstring(error));
        return;
    }
    CloseHandle(info.hThread);
    int others = OthersNamed(FileNameOf(image), info.dwProcessId);
    HANDLE watched = nullptr;
    DuplicateHandle(GetCurrentProcess(), info.hProcess, GetCurrentProcess(), &watched, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    {
        Lock lock;
        task->process = info.hProcess;
        g_started.push_back(Started{info.dwProcessId, info.hProcess});
    }
    WriteRecord(L"start\tname=" + task->name + L"\timage=" + image + L"\tcommand=" + commandLine + L"\tfolder=" +
                folder + L"\tpid=" + std::to_wstring(info.dwProcessId) + L"\tothers=" + std::to_wstring(others));
    HANDLE thread = CreateThread(nullptr, 0, WatchProgram, new Watch{task->name, info.dwProcessId, watched}, 0, nullptr);
    if (thread) CloseHandle(thread);
}

struct LateStart {
    std::shared_ptr<Task> task;
    DWORD delayMs;
};

DWORD WINAPI StartLater(void* context) {
    std::unique_ptr<LateStart> late(static_cast<LateStart*>(context));
    Sleep(late->delayMs);
    StartProgram(late->task);
    return 0;
}

// What a registration trigger does once the task is registered.
void StartRegistered(const std::shared_ptr<Task>& task) {
    std::wstring mode = Env(L"TASKSTUB_START");
    if (mode == L"never") {
        task->queued = true;
    } else if (mode.rfind(L"after=", 0) == 0) {
        task->queued = true;
        DWORD delay = std::wcstoul(mode.c_str() + 6, nullptr, 10);
        HANDLE thread = CreateThread(nullptr, 0, StartLater, new LateStart{task, delay}, 0, nullptr);
        if (thread) CloseHandle(thread);
    } else {
        StartProgram(task);
        if (mode == L"finished" && task->process) WaitForSingleObject(task->process, 30000);
    }
}

TASK_STATE StateOf(const Task& task) {
    Lock lock;
    if (task.process && WaitForSingleObject(task.process, 0) == WAIT_TIMEOUT) return TASK_STATE_RUNNING;
    return task.queued ? TASK_STATE_QUEUED : TASK_STATE_READY;
}

// ---------------------------------------------------------------------------------------------
// COM objects

template <typename Interface>
class Object : public Interface {
public:
    Object() { InterlockedIncrement(&g_objects); }
    virtual ~Object() { InterlockedDecrement(&g_objects); }
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!Answers(iid)) return E_NOINTERFACE;
        this->AddRef();
        *out = static_cast<Interface*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG refs = InterlockedDecrement(&refs_);
        if (refs == 0) delete this;
        return refs;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // A new reference for an out-parameter.
    Interface* Share() {
        this->AddRef();
        return this;
    }

protected:
    virtual bool Answers(REFIID iid) {
        return iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(Interface);
    }

private:
    LONG refs_ = 1;
};

HRESULT GiveString(const std::wstring& value, BSTR* out) {
    if (!out) return E_POINTER;
    *out = Bstr(value).release();
    return *out ? S_OK : E_OUTOFMEMORY;
}

class Trigger : public Object<ITrigger> {
public:
    explicit Trigger(TASK_TRIGGER_TYPE2 type) : type_(type) {}
    TASK_TRIGGER_TYPE2 type() const { return type_; }
    bool enabled() const { return enabled_ != VARIANT_FALSE; }

    HRESULT STDMETHODCALLTYPE get_Type(TASK_TRIGGER_TYPE2* type) override {
        if (!type) return E_POINTER;
        *type = type_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* enabled) override {
        if (!enabled) return E_POINTER;
        *enabled = enabled_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL enabled) override {
        Call call(L"ITrigger::put_Enabled");
        call.Add(L"enabled", std::to_wstring(enabled != VARIANT_FALSE));
        enabled_ = enabled;
        return call.Done(S_OK);
    }
    HRESULT STDMETHODCALLTYPE get_Id(BSTR*) override NOT_MODELLED(L"ITrigger::get_Id")
    HRESULT STDMETHODCALLTYPE put_Id(BSTR) override NOT_MODELLED(L"ITrigger::put_Id")
    HRESULT STDMETHODCALLTYPE get_Repetition(IRepetitionPattern**) override NOT_MODELLED(L"ITrigger::get_Repetition")
    HRESULT STDMETHODCALLTYPE put_Repetition(IRepetitionPattern*) override NOT_MODELLED(L"ITrigger::put_Repetition")
    HRESULT STDMETHODCALLTYPE get_ExecutionTimeLimit(BSTR*) override
        NOT_MODELLED(L"ITrigger::get_ExecutionTimeLimit")
    HRESULT STDMETHODCALLTYPE put_ExecutionTimeLimit(BSTR) override
        NOT_MODELLED(L"ITrigger::put_ExecutionTimeLimit")
    HRESULT STDMETHODCALLTYPE get_StartBoundary(BSTR*) override NOT_MODELLED(L"ITrigger::get_StartBoundary")
    HRESULT STDMETHODCALLTYPE put_StartBoundary(BSTR) override NOT_MODELLED(L"ITrigger::put_StartBoundary")
    HRESULT STDMETHODCALLTYPE get_EndBoundary(BSTR*) override NOT_MODELLED(L"ITrigger::get_EndBoundary")
    HRESULT STDMETHODCALLTYPE put_EndBoundary(BSTR) override NOT_MODELLED(L"ITrigger::put_EndBoundary")

private:
    TASK_TRIGGER_TYPE2 type_;
    VARIANT_BOOL enabled_ = VARIANT_TRUE;
};

class TriggerCollection : public Object<ITriggerCollection> {
public:
    const std::vector<ComRef<Trigger>>& triggers() const { return triggers_; }

    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
        if (!count) return E_POINTER;
        *count = static_cast<LONG>(triggers_.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Create(TASK_TRIGGER_TYPE2 type, ITrigger** trigger) override {
        Call call(L"ITriggerCollection::Create");
        call.Add(L"type", std::to_wstring(type));
        if (call.Failing()) return call.Fail();
        if (!trigger) return call.Done(E_POINTER);
        triggers_.emplace_back(new Trigger(type));
        *trigger = triggers_.back()->Share();
        return call.Done(S_OK);
    }
    HRESULT STDMETHODCALLTYPE get_Item(LONG, ITrigger**) override NOT_MODELLED(L"ITriggerCollection::get_Item")
    HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown**) override NOT_MODELLED(L"ITriggerCollection::get__NewEnum")
    HRESULT STDMETHODCALLTYPE Remove(VARIANT) override NOT_MODELLED(L"ITriggerCollection::Remove")
    HRESULT STDMETHODCALLTYPE Clear() override NOT_MODELLED(L"ITriggerCollection::Clear")

private:
    std::vector<ComRef<Trigger>> triggers_;
};

class ExecAction : public Object<IExecAction> {
public:
    const std::wstring& path() const { return path_; }
    const std::wstring& arguments() const { return arguments_; }
    const std::wstring& folder() const { return folder_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid != __uuidof(IExecAction)) return Object::QueryInterface(iid, out);
        Call call(L"IAction::QueryInterface");
        call.Add(L"iid", L"IExecAction");
        if (call.Failing()) {
            if (out) *out = nullptr;
            return call.Fail();
        }
        return call.Done(Object::QueryInterface(iid, out));
    }
    HRESULT STDMETHODCALLTYPE get_Type(TASK_ACTION_TYPE* type) override {
        if (!type) return E_POINTER;
        *type = TASK_ACTION_EXEC;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Path(BSTR* path) override { return GiveString(path_, path); }
    HRESULT STDMETHODCALLTYPE put_Path(BSTR path) override { return Put(L"IExecAction::put_Path", path, path_); }
    HRESULT STDMETHODCALLTYPE get_Arguments(BSTR* arguments) override { return GiveString(arguments_, arguments); }
    HRESULT STDMETHODCALLTYPE put_Arguments(BSTR arguments) override {
        return Put(L"IExecAction::put_Arguments", arguments, arguments_);
    }
    HRESULT STDMETHODCALLTYPE get_WorkingDirectory(BSTR* folder) override { return GiveString(folder_, folder); }
    HRESULT STDMETHODCALLTYPE put_WorkingDirectory(BSTR folder) override {
        return Put(L"IExecAction::put_WorkingDirectory", folder, folder_);
    }
    HRESULT STDMETHODCALLTYPE get_Id(BSTR*) override NOT_MODELLED(L"IAction::get_Id")
    HRESULT STDMETHODCALLTYPE put_Id(BSTR) override NOT_MODELLED(L"IAction::put_Id")

protected:
    bool Answers(REFIID iid) override { return Object::Answers(iid) || iid == __uuidof(IAction); }

private:
    HRESULT Put(const wchar_t* method, BSTR value, std::wstring& field) {
        Call call(method);
        call.Add(L"value", Text(value));
        if (call.Failing()) return call.Fail();
        field = Text(value);
        return call.Done(S_OK);
    }

    std::wstring path_, arguments_, folder_;
};

class ActionCollection : public Object<IActionCollection> {
public:
    const std::vector<ComRef<ExecAction>>& actions() const { return actions_; }

    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
        if (!count) return E_POINTER;
        *count = static_cast<LONG>(actions_.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Create(TASK_ACTION_TYPE type, IAction** action) override {
        Call call(L"IActionCollection::Create");
        call.Add(L"type", std::to_wstring(type));
        if (call.Failing()) return call.Fail();
        if (!action) return call.Done(E_POINTER);
        if (type != TASK_ACTION_EXEC) return call.Done(E_NOTIMPL);
        actions_.emplace_back(new ExecAction);
        *action = actions_.back()->Share();
        return call.Done(S_OK);
    }
    HRESULT STDMETHODCALLTYPE get_Item(LONG, IAction**) override NOT_MODELLED(L"IActionCollection::get_Item")
    HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown**) override NOT_MODELLED(L"IActionCollection::get__NewEnum")
    HRESULT STDMETHODCALLTYPE get_XmlText(BSTR*) override NOT_MODELLED(L"IActionCollection::get_XmlText")
    HRESULT STDMETHODCALLTYPE put_XmlText(BSTR) override NOT_MODELLED(L"IActionCollection::put_XmlText")
    HRESULT STDMETHODCALLTYPE Remove(VARIANT) override NOT_MODELLED(L"IActionCollection::Remove")
    HRESULT STDMETHODCALLTYPE Clear() override NOT_MODELLED(L"IActionCollection::Clear")
    HRESULT STDMETHODCALLTYPE get_Context(BSTR*) override NOT_MODELLED(L"IActionCollection::get_Context")
    HRESULT STDMETHODCALLTYPE put_Context(BSTR) override NOT_MODELLED(L"IActionCollection::put_Context")

private:
    std::vector<ComRef<ExecAction>> actions_;
};

// A definition's settings: the two battery rules are kept as set, starting from the service's
// defaults; the rest keep the defaults and cannot be set here.
class Settings : public Object<ITaskSettings> {
public:
    // For the registration record.
    std::wstring Summary() const {
        return L"DisallowStartIfOnBatteries=" + std::to_wstring(disallowStartOnBatteries_ != VARIANT_FALSE) +
               L" StopIfGoingOnBatteries=" + std::to_wstring(stopGoingOnBatteries_ != VARIANT_FALSE) +
               L" ExecutionTimeLimit=PT72H MultipleInstances=IgnoreNew";
    }

    HRESULT STDMETHODCALLTYPE get_DisallowStartIfOnBatteries(VARIANT_BOOL* disallow) override {
        return Get(disallowStartOnBatteries_, disallow);
    }
    HRESULT STDMETHODCALLTYPE put_DisallowStartIfOnBatteries(VARIANT_BOOL disallow) override {
        return Put(L"ITaskSettings::put_DisallowStartIfOnBatteries", disallow, disallowStartOnBatteries_);
    }
    HRESULT STDMETHODCALLTYPE get_StopIfGoingOnBatteries(VARIANT_BOOL* stop) override {
        return Get(stopGoingOnBatteries_, stop);
    }
    HRESULT STDMETHODCALLTYPE put_StopIfGoingOnBatteries(VARIANT_BOOL stop) override {
        return Put(L"ITaskSettings::put_StopIfGoingOnBatteries", stop, stopGoingOnBatteries_);
    }
    HRESULT STDMETHODCALLTYPE get_AllowDemandStart(VARIANT_BOOL*) override
        NOT_MODELLED(L"ITaskSettings::get_AllowDemandStart")
    HRESULT STDMETHODCALLTYPE put_AllowDemandStart(VARIANT_BOOL) override
        NOT_MODELLED(L"ITaskSettings::put_AllowDemandStart")
    HRESULT STDMETHODCALLTYPE get_RestartInterval(BSTR*) override NOT_MODELLED(L"ITaskSettings::get_RestartInterval")
    HRESULT STDMETHODCALLTYPE put_RestartInterval(BSTR) override NOT_MODELLED(L"ITaskSettings::put_RestartInterval")
    HRESULT STDMETHODCALLTYPE get_RestartCount(INT*) override NOT_MODELLED(L"ITaskSettings::get_RestartCount")
    HRESULT STDMETHODCALLTYPE put_RestartCount(INT) override NOT_MODELLED(L"ITaskSettings::put_RestartCount")
    HRESULT STDMETHODCALLTYPE get_MultipleInstances(TASK_INSTANCES_POLICY*) override
        NOT_MODELLED(L"ITaskSettings::get_MultipleInstances")
    HRESULT STDMETHODCALLTYPE put_MultipleInstances(TASK_INSTANCES_POLICY) override
        NOT_MODELLED(L"ITaskSettings::put_MultipleInstances")
    HRESULT STDMETHODCALLTYPE get_AllowHardTerminate(VARIANT_BOOL*) override
        NOT_MODELLED(L"ITaskSettings::get_AllowHardTerminate")
    HRESULT STDMETHODCALLTYPE put_AllowHardTerminate(VARIANT_BOOL) override
        NOT_MODELLED(L"ITaskSettings::put_AllowHardTerminate")
    HRESULT STDMETHODCALLTYPE get_StartWhenAvailable(VARIANT_BOOL*) override
        NOT_MODELLED(L"ITaskSettings::get_StartWhenAvailable")
    HRESULT STDMETHODCALLTYPE put_StartWhenAvailable(VARIANT_BOOL) override
        NOT_MODELLED(L"ITaskSettings::put_StartWhenAvailable")
    HRESULT STDMETHODCALLTYPE get_XmlText(BSTR*) override NOT_MODELLED(L"ITaskSettings::get_XmlText")
    HRESULT STDMETHODCALLTYPE put_XmlText(BSTR) override NOT_MODELLED(L"ITaskSettings::put_XmlText")
    HRESULT STDMETHODCALLTYPE get_RunOnlyIfNetworkAvailable(VARIANT_BOOL*) override
        NOT_MODELLED(L"ITaskSettings::get_RunOnlyIfNetworkAvailable")
    HRESULT STDMETHODCALLTYPE put_RunOnlyIfNetworkAvailable(VARIANT_BOOL) override
        NOT_MODELLED(L"ITaskSettings::put_RunOnlyIfNetworkAvailable")
    HRESULT STDMETHODCALLTYPE get_ExecutionTimeLimit(BSTR*) override
        NOT_MODELLED(L"ITaskSettings::get_ExecutionTimeLimit")
    HRESULT STDMETHODCALLTYPE put_ExecutionTimeLimit(BSTR) override
        NOT_MODELLED(L"ITaskSettings::put_ExecutionTimeLimit")
    HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL*) override NOT_MODELLED(L"ITaskSettings::get_Enabled")
    HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL) override NOT_MODELLED(L"ITaskSettings::put_Enabled")
    HRESULT STDMETHODCALLTYPE get_DeleteExpiredTaskAfter(BSTR*) override
        NOT_MODELLED(L"ITaskSettings::get_DeleteExpiredTaskAfter")
    HRESULT STDMETHODCALLTYPE put_DeleteExpiredTaskAfter(BSTR) override
        NOT_MODELLED(L"ITaskSettings::put_DeleteExpiredTaskAfter")
    HRESULT STDMETHODCALLTYPE get_Priority(INT*) override NOT_MODELLED(L"ITaskSettings::get_Priority")
    HRESULT STDMETHODCALLTYPE put_Priority(INT) override NOT_MODELLED(L"ITaskSettings::put_Priority")
    HRESULT STDMETHODCALLTYPE get_Compatibility(TASK_COMPATIBILITY*) override
        NOT_MODELLED(L"ITaskSettings::get_Compatibility")
    HRESULT STDMETHODCALLTYPE put_Compatibility(TASK_COMPATIBILITY) override
        NOT_MODELLED(L"ITaskSettings::put_Compatibility")
    HRESULT STDMETHODCALLTYPE get_Hidden(VARIANT_BOOL*) override NOT_MODELLED(L"ITaskSettings::get_Hidden")
    HRESULT STDMETHODCALLTYPE put_Hidden(VARIANT_BOOL) override NOT_MODELLED(L"ITaskSettings::put_Hidden")
    HRESULT STDMETHODCALLTYPE get_IdleSettings(IIdleSettings**) override
        NOT_MODELLED(L"ITaskSettings::get_IdleSettings")
    HRESULT STDMETHODCALLTYPE put_IdleSettings(IIdleSettings*) override
        NOT_MODELLED(L"ITaskSettings::put_IdleSettings")
    HRESULT STDMETHODCALLTYPE get_RunOnlyIfIdle(VARIANT_BOOL*) override
        NOT_MODELLED(L"ITaskSettings::get_RunOnlyIfIdle")
    HRESULT STDMETHODCALLTYPE put_RunOnlyIfIdle(VARIANT_BOOL) override
        NOT_MODELLED(L"ITaskSettings::put_RunOnlyIfIdle")
    HRESULT STDMETHODCALLTYPE get_WakeToRun(VARIANT_BOOL*) override NOT_MODELLED(L"ITaskSettings::get_WakeToRun")
    HRESULT STDMETHODCALLTYPE put_WakeToRun(VARIANT_BOOL) override NOT_MODELLED(L"ITaskSettings::put_WakeToRun")
    HRESULT STDMETHODCALLTYPE get_NetworkSettings(INetworkSettings**) override
        NOT_MODELLED(L"ITaskSettings::get_NetworkSettings")
    HRESULT STDMETHODCALLTYPE put_NetworkSettings(INetworkSettings*) override
        NOT_MODELLED(L"ITaskSettings::put_NetworkSettings")

private:
    static HRESULT Get(VARIANT_BOOL field, VARIANT_BOOL* value) {
        if (!value) return E_POINTER;
        *value = field;
        return S_OK;
    }
    static HRESULT Put(const wchar_t* method, VARIANT_BOOL value, VARIANT_BOOL& field) {
        Call call(method);
        call.Add(L"value", std::to_wstring(value != VARIANT_FALSE));
        if (call.Failing()) return call.Fail();
        field = value;
        return call.Done(S_OK);
    }

    VARIANT_BOOL disallowStartOnBatteries_ = VARIANT_TRUE;
    VARIANT_BOOL stopGoingOnBatteries_ = VARIANT_TRUE;
};

// The principal object is not modelled: the principal is what RegisterTaskDefinition is given.

class Definition : public Object<ITaskDefinition> {
public:
    Definition() : triggers_(new TriggerCollection), actions_(new ActionCollection), settings_(new Settings) {}
    const TriggerCollection& triggers() const { return *triggers_.get(); }
    const ActionCollection& actions() const { return *actions_.get(); }
    const Settings& settings() const { return *settings_.get(); }

    HRESULT STDMETHODCALLTYPE get_Triggers(ITriggerCollection** triggers) override {
        Call call(L"ITaskDefinition::get_Triggers");
        if (call.Failing()) return call.Fail();
        if (!triggers) return call.Done(E_POINTER);
        *triggers = triggers_->Share();
        return call.Done(S_OK);
    }
    HRESULT STDMETHODCALLTYPE get_Actions(IActionCollection** actions) override {
        Call call(L"ITaskDefinition::get_Actions");
        if (call.Failing()) return call.Fail();
        if (!actions) return call.Done(E_POINTER);
        *actions = actions_->Share();
        return call.Done(S_OK);
    }
    HRESULT STDMETHODCALLTYPE get_RegistrationInfo(IRegistrationInfo**) override
        NOT_MODELLED(L"ITaskDefinition::get_RegistrationInfo")
    HRESULT STDMETHODCALLTYPE put_RegistrationInfo(IRegistrationInfo*) override
        NOT_MODELLED(L"ITaskDefinition::put_RegistrationInfo")
    HRESULT STDMETHODCALLTYPE put_Triggers(ITriggerCollection*) override NOT_MODELLED(L"ITaskDefinition::put_Triggers")
    HRESULT STDMETHODCALLTYPE get_Settings(ITaskSettings** settings) override {
        Call call(L"ITaskDefinition::get_Settings");
        if (call.Failing()) return call.Fail();
        if (!settings) return call.Done(E_POINTER);
        *settings = settings_->Share();
        return call.Done(S_OK);
    }
    HRESULT STDMETHODCALLTYPE put_Settings(ITaskSettings*) override NOT_MODELLED(L"ITaskDefinition::put_Settings")
    HRESULT STDMETHODCALLTYPE get_Data(BSTR*) override NOT_MODELLED(L"ITaskDefinition::get_Data")
    HRESULT STDMETHODCALLTYPE put_Data(BSTR) override NOT_MODELLED(L"ITaskDefinition::put_Data")
    HRESULT STDMETHODCALLTYPE get_Principal(IPrincipal**) override NOT_MODELLED(L"ITaskDefinition::get_Principal")
    HRESULT STDMETHODCALLTYPE put_Principal(IPrincipal*) override NOT_MODELLED(L"ITaskDefinition::put_Principal")
    HRESULT STDMETHODCALLTYPE put_Actions(IActionCollection*) override NOT_MODELLED(L"ITaskDefinition::put_Actions")
    HRESULT STDMETHODCALLTYPE get_XmlText(BSTR*) override NOT_MODELLED(L"ITaskDefinition::get_XmlText")
    HRESULT STDMETHODCALLTYPE put_XmlText(BSTR) override NOT_MODELLED(L"ITaskDefinition::put_XmlText")

private:
    ComRef<TriggerCollection> triggers_;
    ComRef<ActionCollection> actions_;
    ComRef<Settings> settings_;
};

class RegisteredTask : public Object<IRegisteredTask> {
public:
    explicit RegisteredTask(std::shared_ptr<Task> task) : task_(std::move(task)) {}

    HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override { return GiveString(task_->name, name); }
    HRESULT STDMETHODCALLTYPE get_Path(BSTR* path) override { return GiveString(L"\\" + task_->name, path); }
    HRESULT STDMETHODCALLTYPE get_State(TASK_STATE* state) override {
        Call call(L"IRegisteredTask::get_State");
        call.Add(L"name", task_->name);
        if (call.Failing()) return call.Fail();
        if (!state) return call.Done(E_POINTER);
        *state = StateOf(*task_);
        call.Add(L"state", std::to_wstring(*state));
        return call.Done(S_OK);
    }
    HRESULT STDMETHODCALLTYPE get_LastTaskResult(LONG* result) override {
        if (!result) return E_POINTER;
        Lock lock;
        *result = task_->lastResult;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL*) override NOT_MODELLED(L"IRegisteredTask::get_Enabled")
    HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL) override NOT_MODELLED(L"IRegisteredTask::put_Enabled")
    HRESULT STDMETHODCALLTYPE Run(VARIANT, IRunningTask**) override NOT_MODELLED(L"IRegisteredTask::Run")
    HRESULT STDMETHODCALLTYPE RunEx(VARIANT, LONG, LONG, BSTR, IRunningTask**) override
        NOT_MODELLED(L"IRegisteredTask::RunEx")
    HRESULT STDMETHODCALLTYPE GetInstances(LONG, IRunningTaskCollection**) override
        NOT_MODELLED(L"IRegisteredTask::GetInstances")
    HRESULT STDMETHODCALLTYPE get_LastRunTime(DATE*) override NOT_MODELLED(L"IRegisteredTask::get_LastRunTime")
    HRESULT STDMETHODCALLTYPE get_NumberOfMissedRuns(LONG*) override
        NOT_MODELLED(L"IRegisteredTask::get_NumberOfMissedRuns")
    HRESULT STDMETHODCALLTYPE get_NextRunTime(DATE*) override NOT_MODELLED(L"IRegisteredTask::get_NextRunTime")
    HRESULT STDMETHODCALLTYPE get_Definition(ITaskDefinition**) override
        NOT_MODELLED(L"IRegisteredTask::get_Definition")
    HRESULT STDMETHODCALLTYPE get_Xml(BSTR*) override NOT_MODELLED(L"IRegisteredTask::get_Xml")
    HRESULT STDMETHODCALLTYPE GetSecurityDescriptor(LONG, BSTR*) override
        NOT_MODELLED(L"IRegisteredTask::GetSecurityDescriptor")
    HRESULT STDMETHODCALLTYPE SetSecurityDescriptor(BSTR, LONG) override
        NOT_MODELLED(L"IRegisteredTask::SetSecurityDescriptor")
    HRESULT STDMETHODCALLTYPE Stop(LONG) override NOT_MODELLED(L"IRegisteredTask::Stop")
    HRESULT STDMETHODCALLTYPE GetRunTimes(const LPSYSTEMTIME, const LPSYSTEMTIME, DWORD*, LPSYSTEMTIME*) override
        NOT_MODELLED(L"IRegisteredTask::GetRunTimes")

private:
    std::shared_ptr<Task> task_;
};

class RootFolder : public Object<ITaskFolder> {
public:
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override { return GiveString(L"\\", name); }
    HRESULT STDMETHODCALLTYPE get_Path(BSTR* path) override { return GiveString(L"\\", path); }

    HRESULT STDMETHODCALLTYPE GetTask(BSTR path, IRegisteredTask** task) override {
        Call call(L"ITaskFolder::GetTask");
        std::wstring name = TaskName(path);
        call.Add(L"name", name);
        if (call.Failing()) return call.Fail();
        if (!task) return call.Done(E_POINTER);
        *task = nullptr;
        Lock lock;
        auto found = g_tasks.find(name);
        if (found == g_tasks.end()) return call.Done(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
        *task = new RegisteredTask(found->second);
        return call.Done(S_OK);
    }

    HRESULT STDMETHODCALLTYPE DeleteTask(BSTR path, LONG flags) override {
        Call call(L"ITaskFolder::DeleteTask");
        std::wstring name = TaskName(path);
        call.Add(L"name", name).Add(L"flags", std::to_wstring(flags));
        if (call.Failing()) return call.Fail();
        Lock lock;
        auto found = g_tasks.find(name);
        if (found == g_tasks.end()) return call.Done(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
        // A running instance goes on: deleting a task does not stop its program.
        call.Add(L"state", std::to_wstring(StateOf(*found->second)));
        g_tasks.erase(found);
        return call.Done(S_OK);
    }

    HRESULT STDMETHODCALLTYPE RegisterTaskDefinition(BSTR path, ITaskDefinition* definition, LONG flags, VARIANT user,
                                                     VARIANT password, TASK_LOGON_TYPE logon, VARIANT sddl,
                                                     IRegisteredTask** registered) override {
        Call call(L"ITaskFolder::RegisterTaskDefinition");
        std::wstring name = TaskName(path);
        auto task = std::make_shared<Task>();
        task->name = name;
        std::wstring triggers, settings;
        bool startsNow = false;
        if (definition) {
            // Definitions come from this stand-in's NewTask only.
            const auto* ours = static_cast<Definition*>(definition);
            for (const ComRef<Trigger>& trigger : ours->triggers().triggers()) {
                triggers += (triggers.empty() ? L"" : L",") + std::to_wstring(trigger->type());
                startsNow |= trigger->type() == TASK_TRIGGER_REGISTRATION && trigger->enabled();
            }
            const auto& actions = ours->actions().actions();
            if (!actions.empty()) {
                task->path = actions[0]->path();
                task->arguments = actions[0]->arguments();
                task->folder = actions[0]->folder();
            }
            call.Add(L"actions", std::to_wstring(actions.size()));
            settings = ours->settings().Summary();
        }
        call.Add(L"name", name)
            .Add(L"flags", std::to_wstring(flags))
            .Add(L"user", Describe(user))
            .Add(L"password", Describe(password))
            .Add(L"logon", std::to_wstring(logon))
            .Add(L"sddl", Describe(sddl))
            .Add(L"triggers", triggers)
            .Add(L"path", task->path)
            .Add(L"arguments", task->arguments)
            .Add(L"folder", task->folder)
            .Add(L"settings", settings);
        if (call.Failing()) return call.Fail();
        if (!definition || !registered || name.empty()) return call.Done(E_INVALIDARG);
        *registered = nullptr;
        {
            Lock lock;
            bool exists = g_tasks.count(name) != 0;
            if (exists && !(flags & TASK_UPDATE)) return call.Done(HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS));
            if (!exists && !(flags & TASK_CREATE)) return call.Done(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
            g_tasks[name] = task;
        }
        call.Done(S_OK);
        if (startsNow) StartRegistered(task);
        *registered = new RegisteredTask(task);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetFolder(BSTR, ITaskFolder**) override NOT_MODELLED(L"ITaskFolder::GetFolder")
    HRESULT STDMETHODCALLTYPE GetFolders(LONG, ITaskFolderCollection**) override
        NOT_MODELLED(L"ITaskFolder::GetFolders")
    HRESULT STDMETHODCALLTYPE CreateFolder(BSTR, VARIANT, ITaskFolder**) override
        NOT_MODELLED(L"ITaskFolder::CreateFolder")
    HRESULT STDMETHODCALLTYPE DeleteFolder(BSTR, LONG) override NOT_MODELLED(L"ITaskFolder::DeleteFolder")
    HRESULT STDMETHODCALLTYPE GetTasks(LONG, IRegisteredTaskCollection**) override
        NOT_MODELLED(L"ITaskFolder::GetTasks")
    HRESULT STDMETHODCALLTYPE RegisterTask(BSTR, BSTR, LONG, VARIANT, VARIANT, TASK_LOGON_TYPE, VARIANT,
                                           IRegisteredTask**) override NOT_MODELLED(L"ITaskFolder::RegisterTask")
    HRESULT STDMETHODCALLTYPE GetSecurityDescriptor(LONG, BSTR*) override
        NOT_MODELLED(L"ITaskFolder::GetSecurityDescriptor")
    HRESULT STDMETHODCALLTYPE SetSecurityDescriptor(BSTR, LONG) override
        NOT_MODELLED(L"ITaskFolder::SetSecurityDescriptor")
};

class Service : public Object<ITaskService> {
public:
    HRESULT STDMETHODCALLTYPE Connect(VARIANT server, VARIANT user, VARIANT domain, VARIANT password) override {
        Call call(L"ITaskService::Connect");
        call.Add(L"server", Describe(server))
            .Add(L"user", Describe(user))
            .Add(L"domain", Describe(domain))
            .Add(L"password", Describe(password));
        if (call.Failing()) return call.Fail();
        connected_ = true;
        return call.Done(S_OK);
    }
    HRESULT STDMETHODCALLTYPE GetFolder(BSTR path, ITaskFolder** folder) override {
        Call call(L"ITaskService::GetFolder");
        std::wstring name = Text(path);
        call.Add(L"path", name);
        if (call.Failing()) return call.Fail();
        if (!folder) return call.Done(E_POINTER);
        *folder = nullptr;
        if (!connected_) return call.Done(HRESULT_FROM_WIN32(ERROR_ONLY_IF_CONNECTED));
        if (name != L"\\" && !name.empty()) return call.Done(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
        *folder = new RootFolder;
        return call.Done(S_OK);
    }
    HRESULT STDMETHODCALLTYPE NewTask(DWORD flags, ITaskDefinition** definition) override {
        Call call(L"ITaskService::NewTask");
        call.Add(L"flags", std::to_wstring(flags));
        if (call.Failing()) return call.Fail();
        if (!definition) return call.Done(E_POINTER);
        *definition = nullptr;
        if (flags != 0) return call.Done(E_INVALIDARG);
        *definition = new Definition;
        return call.Done(S_OK);
    }
    HRESULT STDMETHODCALLTYPE get_Connected(VARIANT_BOOL* connected) override {
        if (!connected) return E_POINTER;
        *connected = connected_ ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRunningTasks(LONG, IRunningTaskCollection**) override
        NOT_MODELLED(L"ITaskService::GetRunningTasks")
    HRESULT STDMETHODCALLTYPE get_TargetServer(BSTR*) override NOT_MODELLED(L"ITaskService::get_TargetServer")
    HRESULT STDMETHODCALLTYPE get_ConnectedUser(BSTR*) override NOT_MODELLED(L"ITaskService::get_ConnectedUser")
    HRESULT STDMETHODCALLTYPE get_ConnectedDomain(BSTR*) override NOT_MODELLED(L"ITaskService::get_ConnectedDomain")
    HRESULT STDMETHODCALLTYPE get_HighestVersion(DWORD*) override NOT_MODELLED(L"ITaskService::get_HighestVersion")

private:
    bool connected_ = false;
};

class Factory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = iid == IID_IUnknown || iid == IID_IClassFactory ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        Call call(L"CreateInstance");
        if (!out) return call.Done(E_POINTER);
        *out = nullptr;
        if (call.Failing()) return call.Fail();
        if (outer) return call.Done(CLASS_E_NOAGGREGATION);
        ComRef<Service> service(new Service);
        return call.Done(service->QueryInterface(iid, out));
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        // Tasks and their programs live as long as the process, as they would in the service.
        HMODULE pinned = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<LPCWSTR>(&g_objects), &pinned);
    }
    return TRUE;
}

HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (clsid != CLSID_TaskScheduler) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(iid, out);
}

HRESULT WINAPI DllCanUnloadNow() { return S_FALSE; }

// Objects of this stand-in not yet released, for tests that check a client released them all.
LONG WINAPI TaskStubLiveObjects() { return g_objects; }

}  // extern "C"
