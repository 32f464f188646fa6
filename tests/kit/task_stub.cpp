#include "tests/kit/task_stub.h"

#include <taskschd.h>

#include "framework/com.h"
#include "tests/kit/kit.h"

namespace kit {

namespace {

const CLSID kTaskScheduler = {0x0f87369f, 0xa4e5, 0x4cfc, {0xbd, 0x3e, 0x73, 0xe6, 0x15, 0x45, 0x72, 0xdd}};
const wchar_t* const kSettings[] = {L"TASKSTUB_FAIL", L"TASKSTUB_START"};

std::string Field(const std::string& text, size_t from, size_t to) { return text.substr(from, to - from); }

TaskCall ParseLine(const std::string& line) {
    TaskCall call;
    size_t start = 0;
    for (bool first = true;; first = false) {
        size_t tab = line.find('\t', start);
        std::string field = Field(line, start, tab == std::string::npos ? line.size() : tab);
        size_t equals = field.find('=');
        if (first) {
            call.method = field;
        } else if (field == "injected") {
            call.injected = true;
        } else if (equals != std::string::npos) {
            call.values[field.substr(0, equals)] = field.substr(equals + 1);
        }
        if (tab == std::string::npos) return call;
        start = tab + 1;
    }
}

HRESULT Connect(fw::ComRef<ITaskService>& service) {
    HRESULT hr = CoCreateInstance(kTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, __uuidof(ITaskService),
                                  service.putVoid());
    if (FAILED(hr)) return hr;
    fw::Variant empty;
    return service->Connect(empty.get(), empty.get(), empty.get(), empty.get());
}

HRESULT WithRootFolder(HRESULT (*use)(ITaskFolder*, BSTR), const std::wstring& name) {
    fw::ComScope com;
    com.Initialize();
    fw::ComRef<ITaskService> service;
    HRESULT hr = Connect(service);
    if (FAILED(hr)) return hr;
    fw::ComRef<ITaskFolder> folder;
    hr = service->GetFolder(fw::Bstr(L"\\"), folder.put());
    if (FAILED(hr)) return hr;
    return use(folder.get(), fw::Bstr(name));
}

HRESULT GetTask(ITaskFolder* folder, BSTR name) {
    fw::ComRef<IRegisteredTask> task;
    return folder->GetTask(name, task.put());
}

HRESULT DeleteTask(ITaskFolder* folder, BSTR name) { return folder->DeleteTask(name, 0); }

}  // namespace

std::string TaskCall::operator[](const std::string& key) const {
    auto found = values.find(key);
    return found == values.end() ? std::string() : found->second;
}

TaskStubRecord::TaskStubRecord() : path_(L"C:\\taskstub-" + std::to_wstring(GetCurrentProcessId()) + L".log") {
    for (const wchar_t* name : kSettings) SetEnvironmentVariableW(name, nullptr);
    Clear();
    SetEnvironmentVariableW(L"TASKSTUB_RECORD", path_.c_str());
}

TaskStubRecord::~TaskStubRecord() {
    for (const wchar_t* name : kSettings) SetEnvironmentVariableW(name, nullptr);
    SetEnvironmentVariableW(L"TASKSTUB_RECORD", nullptr);
    Clear();
}

std::vector<TaskCall> TaskStubRecord::Calls() const {
    std::string text = ReadBytes(path_);
    std::vector<TaskCall> calls;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        calls.push_back(ParseLine(Field(text, start, end)));
    return calls;
}

std::vector<TaskCall> TaskStubRecord::Calls(const std::string& method) const {
    std::vector<TaskCall> selected;
    for (TaskCall& call : Calls())
        if (call.method == method) selected.push_back(std::move(call));
    return selected;
}

void TaskStubRecord::Clear() const {
    // The stand-in opens the record for each line it adds, without sharing its deletion: a line
    // being written as the record is cleared would leave every earlier line in it.
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (DeleteFileW(path_.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND) return;
        Sleep(20);
    }
}

void SetTaskStub(const wchar_t* name, const std::wstring& value) {
    SetEnvironmentVariableW(name, value.empty() ? nullptr : value.c_str());
}

HRESULT FindRootTask(const std::wstring& name) { return WithRootFolder(GetTask, name); }

HRESULT RegisterRootTask(const std::wstring& name, const std::wstring& path, const std::wstring& arguments,
                         bool startsAtRegistration) {
    fw::ComScope com;
    com.Initialize();
    fw::ComRef<ITaskService> service;
    fw::ComRef<ITaskFolder> folder;
    fw::ComRef<ITaskDefinition> definition;
    fw::ComRef<ITriggerCollection> triggers;
    fw::ComRef<ITrigger> trigger;
    fw::ComRef<IActionCollection> actions;
    fw::ComRef<IAction> action;
    fw::ComRef<IExecAction> exec;
    HRESULT hr = Connect(service);
    if (SUCCEEDED(hr)) hr = service->GetFolder(fw::Bstr(L"\\"), folder.put());
    if (SUCCEEDED(hr)) hr = service->NewTask(0, definition.put());
    if (SUCCEEDED(hr) && startsAtRegistration) hr = definition->get_Triggers(triggers.put());
    if (SUCCEEDED(hr) && startsAtRegistration) hr = triggers->Create(TASK_TRIGGER_REGISTRATION, trigger.put());
    if (SUCCEEDED(hr)) hr = definition->get_Actions(actions.put());
    if (SUCCEEDED(hr)) hr = actions->Create(TASK_ACTION_EXEC, action.put());
    if (SUCCEEDED(hr)) hr = action->QueryInterface(__uuidof(IExecAction), exec.putVoid());
    if (SUCCEEDED(hr)) hr = exec->put_Path(fw::Bstr(path));
    if (SUCCEEDED(hr)) hr = exec->put_Arguments(fw::Bstr(arguments));
    if (FAILED(hr)) return hr;
    fw::Variant empty;
    fw::ComRef<IRegisteredTask> registered;
    return folder->RegisterTaskDefinition(fw::Bstr(name), definition.get(), TASK_CREATE_OR_UPDATE, empty.get(),
                                          empty.get(), TASK_LOGON_INTERACTIVE_TOKEN, empty.get(), registered.put());
}

HRESULT DeleteRootTask(const std::wstring& name) { return WithRootFolder(DeleteTask, name); }

LONG TaskStubLiveObjects() {
    using CountFn = LONG(WINAPI*)();
    HMODULE stub = GetModuleHandleW(L"taskstub.dll");
    auto count = stub ? reinterpret_cast<CountFn>(reinterpret_cast<void*>(GetProcAddress(stub, "TaskStubLiveObjects")))
                      : nullptr;
    return count ? count() : -1;
}

}  // namespace kit
