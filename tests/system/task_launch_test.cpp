// The scheduled-task launch against the Task Scheduler stand-in registered in the prefix: the
// program really starts through the task, the wait, the removal of the task, and every step
// that can fail.
#include "system/launch.h"

#include <shellapi.h>

#include <gtest/gtest.h>
#include <objbase.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "install/install_sequence.h"
#include "tests/kit/log_capture.h"
#include "tests/kit/kit.h"
#include "tests/kit/recorder.h"
#include "tests/kit/task_stub.h"

namespace {

// The log's lines of a task registered and deleted, and of a failed step.
const std::string kRegistered = "registered";
const std::string kDeleted = "deleted";
const std::string kUnknown = "program ended before it could be waited for: exit code unknown";
std::string Failed(const char* step, const char* result) {
    return std::string("Task Scheduler: ") + step + " failed with 0x" + result;
}
constexpr DWORD kUntouched = 12345;
constexpr HRESULT kFileNotFound = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }
std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// The one task name the record shows registered.
std::wstring RegisteredName(const kit::TaskStubRecord& record) {
    std::vector<kit::TaskCall> calls = record.Calls("ITaskFolder::RegisterTaskDefinition");
    return calls.size() == 1 ? Wide(calls[0]["name"]) : L"";
}

bool ComLeftOnThread() {
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(hr)) CoUninitialize();
    return hr != S_OK;
}

class TaskLaunch : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(log_.ok()); }
    // The log's texts, with the lines of a task "Launch N" shortened to kRegistered, kDeleted and
    // kUnknown.
    std::vector<std::string> Logged() const {
        const std::string task = "Task Scheduler: task \"Launch ";
        const std::string program = "Task Scheduler: the program of \"Launch ";
        std::vector<std::string> texts = log_.Texts();
        for (std::string& text : texts) {
            const size_t end = text.find("\" ", task.size());
            if (text.rfind(task, 0) == 0 && end != std::string::npos) text = text.substr(end + 2);
            const size_t unknown = text.find("\" ended before");
            if (text.rfind(program, 0) == 0 && unknown != std::string::npos) text = "program" + text.substr(unknown + 1);
        }
        return texts;
    }
    kit::TaskStubRecord record_;
    kit::LogCapture log_;
};

// ---------------------------------------------------------------------------------------------

// The stand-in starts what the service would: the action's path as the program, unquoted.
TEST_F(TaskLaunch, TheStandInStartsThePathAsTheProgram) {
    kit::TempFolder folder;
    kit::PlantedRecorder child(folder / L"direct.exe");
    ASSERT_TRUE(child.planted());
    struct Row {
        std::wstring path;
        bool starts;
    } rows[] = {
        {child.path() + L" exit=1", false},
        {L"\"" + child.path() + L"\"", false},
        {child.path(), true},
    };
    for (const Row& row : rows) {
        record_.Clear();
        const std::wstring name = L"Direct " + std::to_wstring(GetCurrentProcessId());
        EXPECT_EQ(kit::RegisterRootTask(name, row.path, L"exit=2", true), S_OK);
        EXPECT_EQ(record_.Calls("start").size(), row.starts ? 1u : 0u) << Narrow(row.path);
        EXPECT_EQ(record_.Calls("start-failed").size(), row.starts ? 0u : 1u) << Narrow(row.path);
        EXPECT_EQ(kit::DeleteRootTask(name), S_OK);
    }
    EXPECT_TRUE(kit::WaitUntil([&] { return child.Done(); }));
    EXPECT_EQ(child.CommandLines(), std::vector<std::wstring>{L"\"" + child.path() + L"\" exit=2"});
}

TEST_F(TaskLaunch, StartsTheProgramWaitsForItAndRemovesTheTask) {
    kit::TempFolder folder;
    kit::PlantedRecorder child(folder / L"with space\\tasked.exe");
    ASSERT_TRUE(child.planted());
    kit::SetTaskStub(L"TASKSTUB_START", L"after=350");  // queued for a few polls first
    const std::wstring arguments = L"exit=7 sleep=1500 /x \"{A B}\"";
    std::wstring line = L"\"" + child.path() + L"\" " + arguments;
    DWORD exitCode = kUntouched;
    EXPECT_TRUE(RunProgram(line, true, exitCode));
    bool doneOnReturn = child.Done();

    // It ran once with exactly those arguments (the service quotes the program it starts), and
    // had ended when RunProgram returned.
    EXPECT_EQ(child.CommandLines(), std::vector<std::wstring>{L"\"" + child.path() + L"\" " + arguments});
    EXPECT_TRUE(doneOnReturn);
    EXPECT_EQ(exitCode, 7u);
    EXPECT_EQ(Logged(), (std::vector<std::string>{kRegistered, kDeleted}));

    // The task as the scheduler was given it: the program apart from its arguments, for the
    // Users group, started by its registration, and allowed to start and go on on battery.
    std::vector<kit::TaskCall> registered = record_.Calls("ITaskFolder::RegisterTaskDefinition");
    ASSERT_EQ(registered.size(), 1u);
    const kit::TaskCall& task = registered[0];
    EXPECT_EQ(task["name"].rfind("Launch ", 0), 0u);
    EXPECT_EQ(task["path"], Narrow(child.path()));
    EXPECT_EQ(task["arguments"], Narrow(arguments));
    EXPECT_EQ(task["folder"], "");
    EXPECT_EQ(task["triggers"], "7");
    EXPECT_EQ(task["flags"], "2");
    EXPECT_EQ(task["user"], "S-1-5-32-545");
    EXPECT_EQ(task["password"], "(empty)");
    EXPECT_EQ(task["logon"], "4");
    EXPECT_EQ(task["sddl"], "");
    EXPECT_EQ(task["settings"], "DisallowStartIfOnBatteries=0 StopIfGoingOnBatteries=0 "
                                "ExecutionTimeLimit=PT72H MultipleInstances=IgnoreNew");
    EXPECT_EQ(task["result"], "00000000");

    // Polled while queued, until it ran; then deleted while its program still ran.
    std::vector<kit::TaskCall> polls = record_.Calls("IRegisteredTask::get_State");
    ASSERT_GE(polls.size(), 2u);
    EXPECT_LE(polls.size(), 50u);
    EXPECT_EQ(polls.front()["state"], "2");
    EXPECT_EQ(polls.back()["state"], "4");
    std::vector<kit::TaskCall> deletions = record_.Calls("ITaskFolder::DeleteTask");
    ASSERT_EQ(deletions.size(), 2u);  // a leftover of the name first, then the task itself
    EXPECT_EQ(deletions[0]["result"], "80070002");
    EXPECT_EQ(deletions[1]["result"], "00000000");
    EXPECT_EQ(deletions[1]["state"], "4");
    EXPECT_EQ(kit::FindRootTask(Wide(task["name"])), kFileNotFound);
    EXPECT_EQ(kit::TaskStubLiveObjects(), 0);
    EXPECT_FALSE(ComLeftOnThread());
}

TEST_F(TaskLaunch, WaitsForASixtyFourBitProgram) {
    if (!kit::Is64BitPrefix()) GTEST_SKIP() << "a 32-bit Windows has no 64-bit programs";
    kit::TempFolder folder;
    kit::PlantedRecorder child(folder / L"wide64.exe", L"launch_record64.exe");
    ASSERT_TRUE(child.planted());
    const std::wstring arguments = L"exit=9 sleep=1500";
    std::wstring line = L"\"" + child.path() + L"\" " + arguments;
    DWORD exitCode = kUntouched;
    EXPECT_TRUE(RunProgram(line, true, exitCode));
    EXPECT_TRUE(child.Done());
    EXPECT_EQ(exitCode, 9u);
    EXPECT_EQ(child.CommandLines(), std::vector<std::wstring>{L"\"" + child.path() + L"\" " + arguments});
}

TEST_F(TaskLaunch, EachFailingStepReportsItselfAndLeavesNothingBehind) {
    kit::TempFolder folder;
    kit::PlantedRecorder child(folder / L"failing.exe");
    ASSERT_TRUE(child.planted());
    struct Row {
        const wchar_t* step;
        HRESULT result;
        std::vector<std::string> texts;
        bool started;       // RunProgram's result
        bool ran;           // the program was started all the same
        bool taskStays;     // registered under its name afterwards
    } rows[] = {
        {L"CreateInstance", REGDB_E_CLASSNOTREG, {Failed("CoCreateInstance", "80040154")}, false, false, false},
        {L"ITaskService::Connect", E_ACCESSDENIED, {Failed("ITaskService::Connect", "80070005")}, false, false, false},
        {L"ITaskService::GetFolder", HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND),
         {Failed("ITaskService::GetFolder", "80070003")}, false, false, false},
        {L"ITaskService::NewTask", E_OUTOFMEMORY, {Failed("ITaskService::NewTask", "8007000e")}, false, false, false},
        {L"ITaskDefinition::get_Triggers", E_FAIL, {Failed("ITaskDefinition::get_Triggers", "80004005")}, false,
         false, false},
        {L"ITriggerCollection::Create", E_INVALIDARG, {Failed("ITriggerCollection::Create", "80070057")}, false,
         false, false},
        {L"ITaskDefinition::get_Actions", E_POINTER, {Failed("ITaskDefinition::get_Actions", "80004003")}, false,
         false, false},
        {L"IActionCollection::Create", static_cast<HRESULT>(0x80041318),
         {Failed("IActionCollection::Create", "80041318")}, false, false, false},
        {L"IAction::QueryInterface", E_NOINTERFACE, {Failed("IAction::QueryInterface", "80004002")}, false, false,
         false},
        {L"IExecAction::put_Path", E_UNEXPECTED, {Failed("IExecAction::put_Path", "8000ffff")}, false, false, false},
        {L"IExecAction::put_Arguments", HRESULT_FROM_WIN32(ERROR_BAD_ARGUMENTS),
         {Failed("IExecAction::put_Arguments", "800700a0")}, false, false, false},
        {L"ITaskDefinition::get_Settings", E_NOTIMPL, {Failed("ITaskDefinition::get_Settings", "80004001")}, false,
         false, false},
        {L"ITaskSettings::put_DisallowStartIfOnBatteries", DISP_E_TYPEMISMATCH,
         {Failed("ITaskSettings::put_DisallowStartIfOnBatteries", "80020005")}, false, false, false},
        {L"ITaskSettings::put_StopIfGoingOnBatteries", E_ACCESSDENIED,
         {Failed("ITaskSettings::put_StopIfGoingOnBatteries", "80070005")}, false, false, false},
        {L"ITaskFolder::RegisterTaskDefinition", HRESULT_FROM_WIN32(ERROR_NONE_MAPPED),
         {Failed("ITaskFolder::RegisterTaskDefinition", "80070534")}, false, false, false},
        // Deletion fails after the program started: the launch reports no start and waits for
        // nothing, and the task stays.
        {L"ITaskFolder::DeleteTask", HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION),
         {kRegistered, Failed("ITaskFolder::DeleteTask", "80070020")}, false, true, true},
        // A state that cannot be read is a state never seen running: the launch goes on.
        {L"IRegisteredTask::get_State", HRESULT_FROM_WIN32(ERROR_TIMEOUT), {kRegistered, kDeleted, kUnknown}, true,
         true, false},
    };
    for (const Row& row : rows) {
        const std::string what = Narrow(row.step);
        record_.Clear();
        log_.Clear();
        wchar_t fault[16];
        swprintf(fault, 16, L"%08lx", static_cast<unsigned long>(row.result));
        kit::SetTaskStub(L"TASKSTUB_FAIL", std::wstring(row.step) + L"=" + fault);
        size_t runsBefore = child.CommandLines().size();

        std::wstring line = L"\"" + child.path() + L"\" exit=3 sleep=300";
        DWORD exitCode = kUntouched;
        bool started = RunProgram(line, true, exitCode);
        kit::SetTaskStub(L"TASKSTUB_FAIL", L"");

        EXPECT_EQ(started, row.started) << what;
        EXPECT_EQ(Logged(), row.texts) << what;
        // A started program has ended by the last poll: nothing is waited for either way, and
        // its exit code is not known.
        EXPECT_EQ(exitCode, row.started ? kExitCodeUnknown : kUntouched) << what;
        std::vector<kit::TaskCall> injected;
        for (const kit::TaskCall& call : record_.Calls())
            if (call.injected) injected.push_back(call);
        ASSERT_GE(injected.size(), 1u) << what;
        EXPECT_EQ(Wide(injected.back().method), row.step) << what;
        // Every interface released, COM left as it was found.
        EXPECT_EQ(kit::TaskStubLiveObjects(), 0) << what;
        EXPECT_FALSE(ComLeftOnThread()) << what;

        std::wstring name = RegisteredName(record_);
        if (row.taskStays) {
            EXPECT_EQ(kit::FindRootTask(name), S_OK) << what;
            EXPECT_EQ(kit::DeleteRootTask(name), S_OK) << what;
        } else if (!name.empty()) {
            EXPECT_EQ(kit::FindRootTask(name), kFileNotFound) << what;
        }
        if (row.ran) {
            EXPECT_TRUE(kit::WaitUntil([&] { return child.Done(); })) << what;
            EXPECT_EQ(child.CommandLines().size(), runsBefore + 1) << what;
        } else {
            EXPECT_EQ(record_.Calls("start").size(), 0u) << what;
            EXPECT_EQ(child.CommandLines().size(), runsBefore) << what;
        }
        DeleteFileW((folder / L"failing.done").c_str());
    }
}

// Values from outside the setup in the removal's command line, run through the task: each stays
// one quoted argument of msiexec, or the line is refused and there is nothing to start.
TEST_F(TaskLaunch, HostileValuesAddNothingToTheTasksCommandLine) {
    kit::TempFolder folder;
    kit::PlantedRecorder child(folder / L"msiexec.exe");
    ASSERT_TRUE(child.planted());
    const std::wstring system = folder.path().substr(0, folder.path().size() - 1);
    const std::wstring code = L"{8A6C1D2E-3F40-4B5C-9D6E-7F8091A2B3C4}";
    const std::wstring longLog = L"C:\\" + std::wstring(292, L'a') + L".log";
    struct Row {
        const char* what;
        std::wstring code, log;
        bool refused;
    } rows[] = {
        {"plain", code, L"C:\\logs\\Example Removal.log", false},
        {"switches without a quotation mark stay in the argument", code, L"C:\\x /i \\\\host\\x.msi /qn.log", false},
        {"300 characters", code, longLog, false},
        {"quotation mark in the code", L"{x}\" /i \\\\host\\x.msi /qn \"", L"", true},
        {"quotation mark in the log path", code, L"C:\\l.log\" /i \\\\host\\x.msi /qn \"", true},
        {"line break", code, L"C:\\l.log\r\n/i \\\\host\\x.msi", true},
        {"tab", L"{8A6C1D2E-3F40-4B5C-9D6E-7F8091A2B3C4}\t/qn", L"", true},
        {"backslash before the closing mark", code, L"C:\\logs\\", true},
    };
    size_t runs = 0;
    for (const Row& row : rows) {
        record_.Clear();
        const std::wstring line = RemovalCommandLine(system, row.code, row.log);
        if (row.refused) {
            EXPECT_EQ(line, L"") << row.what;
            continue;
        }
        const std::wstring arguments = L"/q /x \"" + row.code + L"\"" + (row.log.empty() ? L"" : L" /l*v+ \"" + row.log + L"\"") +
                                       L" REBOOT=ReallySuppress";
        EXPECT_EQ(line, L"\"" + child.path() + L"\" " + arguments) << row.what;
        std::wstring commandLine = line;
        DWORD exitCode = kUntouched;
        ASSERT_TRUE(RunProgram(commandLine, true, exitCode)) << row.what;
        std::vector<kit::TaskCall> registered = record_.Calls("ITaskFolder::RegisterTaskDefinition");
        ASSERT_EQ(registered.size(), 1u) << row.what;
        EXPECT_EQ(registered[0]["path"], Narrow(child.path())) << row.what;
        EXPECT_EQ(registered[0]["arguments"], Narrow(arguments)) << row.what;
        // What msiexec received, split as a program splits its command line: six arguments.
        ASSERT_TRUE(kit::WaitUntil([&] { return child.CommandLines().size() == runs + 1; })) << row.what;
        int count = 0;
        LPWSTR* argv = CommandLineToArgvW(child.CommandLines()[runs++].c_str(), &count);
        ASSERT_NE(argv, nullptr) << row.what;
        std::vector<std::wstring> received(argv + 1, argv + count);
        LocalFree(argv);
        EXPECT_EQ(received, (std::vector<std::wstring>{L"/q", L"/x", row.code, L"/l*v+", row.log,
                                                       L"REBOOT=ReallySuppress"})) << row.what;
    }
    EXPECT_EQ(runs, 3u);
    // The Task Scheduler would expand "%TEMP%" into another name: nothing is registered or run.
    record_.Clear();
    std::wstring expanding = RemovalCommandLine(system, code, L"C:\\logs\\%TEMP%\\Removal.log");
    DWORD exitCode = kUntouched;
    EXPECT_FALSE(RunProgram(expanding, true, exitCode));
    EXPECT_EQ(exitCode, kUntouched);
    EXPECT_TRUE(record_.Calls("ITaskFolder::RegisterTaskDefinition").empty());
    EXPECT_EQ(child.CommandLines().size(), runs);
    const std::vector<std::string> texts = log_.Texts();
    EXPECT_NE(std::find_if(texts.begin(), texts.end(),
                           [](const std::string& text) { return text.find("holds \"%\"") != std::string::npos; }),
              texts.end());
}

// The 50 polls end without the running state: the launch goes on, deletes the task and finds
// no program to wait for, so the exit code is unknown.
TEST_F(TaskLaunch, ATaskNotSeenRunningEndsThePollsAndTheLaunchGoesOn) {
    kit::TempFolder folder;
    struct Row {
        const wchar_t* start;
        const wchar_t* name;
        bool ranBeforeReturn;
        const char* state;  // what every poll saw
    } rows[] = {
        {L"after=6500", L"late.exe", false, "2"},  // queued through all the polls, starts afterwards
        {L"finished", L"brief.exe", true, "3"},    // ended before the first poll
    };
    for (const Row& row : rows) {
        const std::string what = Narrow(row.start);
        record_.Clear();
        log_.Clear();
        kit::PlantedRecorder child(folder / row.name);
        ASSERT_TRUE(child.planted());
        kit::SetTaskStub(L"TASKSTUB_START", row.start);
        std::wstring line = L"\"" + child.path() + L"\" exit=5";
        DWORD exitCode = kUntouched;
        DWORD before = GetTickCount();
        EXPECT_TRUE(RunProgram(line, true, exitCode)) << what;
        DWORD elapsed = GetTickCount() - before;
        EXPECT_EQ(child.Ran(), row.ranBeforeReturn) << what;

        EXPECT_EQ(exitCode, kExitCodeUnknown) << what;
        EXPECT_EQ(Logged(), (std::vector<std::string>{kRegistered, kDeleted, kUnknown})) << what;
        std::vector<kit::TaskCall> polls = record_.Calls("IRegisteredTask::get_State");
        EXPECT_EQ(polls.size(), 50u) << what;
        for (const kit::TaskCall& poll : polls) EXPECT_EQ(poll["state"], row.state) << what;
        EXPECT_GE(elapsed, 4900u) << what;
        EXPECT_EQ(kit::FindRootTask(RegisteredName(record_)), kFileNotFound) << what;
        // The late program starts unwatched after the launch has returned.
        EXPECT_TRUE(kit::WaitUntil([&] { return child.Done(); })) << what;
    }
    kit::SetTaskStub(L"TASKSTUB_START", L"");
}

// Starts a program as if the given process had started it (as the service control manager
// starts the Windows Installer service). The caller closes the handle.
HANDLE StartWithParent(const std::wstring& commandLine, DWORD parentId) {
    HANDLE parent = OpenProcess(PROCESS_CREATE_PROCESS, FALSE, parentId);
    if (!parent) return nullptr;
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<char> storage(size);
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
    InitializeProcThreadAttributeList(attributes, 1, 0, &size);
    UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_PARENT_PROCESS, &parent, sizeof parent, nullptr,
                              nullptr);
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.lpAttributeList = attributes;
    PROCESS_INFORMATION info{};
    std::wstring line = commandLine;
    const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, EXTENDED_STARTUPINFO_PRESENT,
                                        nullptr, nullptr, &startup.StartupInfo, &info);
    DeleteProcThreadAttributeList(attributes);
    CloseHandle(parent);
    if (!started) return nullptr;
    CloseHandle(info.hThread);
    return info.hProcess;
}

// The task's msiexec ends at once; the installer service, started by services.exe under the
// same name after the launch, runs on. The launch never waits for the service and says that the
// exit code is unknown.
TEST_F(TaskLaunch, AProgramOfTheSameNameThatAServiceStartedIsNeverWaitedFor) {
    kit::TempFolder folder;
    kit::PlantedRecorder task(folder / L"task\\msiexec.exe");
    kit::PlantedRecorder service(folder / L"service\\msiexec.exe");
    ASSERT_TRUE(task.planted() && service.planted());
    DWORD servicesId = 0;
    for (const RunningProcess& process : RunningProcesses())
        if (_wcsicmp(process.executableName.c_str(), L"services.exe") == 0) servicesId = process.processId;
    ASSERT_NE(servicesId, 0u);
    kit::SetTaskStub(L"TASKSTUB_START", L"finished");
    // The service starts once the task's program has ended, while the launch still polls.
    HANDLE serviceProcess = nullptr;
    std::thread starter([&] {
        if (kit::WaitUntil([&] { return task.Done(); }, 20000))
            serviceProcess = StartWithParent(L"\"" + service.path() + L"\" exit=1 sleep=120000", servicesId);
    });
    std::wstring line = L"\"" + task.path() + L"\" exit=4";
    DWORD exitCode = kUntouched;
    const bool started = RunProgram(line, true, exitCode);
    starter.join();
    kit::SetTaskStub(L"TASKSTUB_START", L"");
    ASSERT_NE(serviceProcess, nullptr);
    const bool serviceRanOn = WaitForSingleObject(serviceProcess, 0) == WAIT_TIMEOUT;
    TerminateProcess(serviceProcess, 0);
    CloseHandle(serviceProcess);

    EXPECT_TRUE(started);
    EXPECT_TRUE(serviceRanOn);
    EXPECT_EQ(exitCode, kExitCodeUnknown);
    EXPECT_EQ(task.CommandLines(), std::vector<std::wstring>{L"\"" + task.path() + L"\" exit=4"});
    EXPECT_EQ(Logged(), (std::vector<std::string>{kRegistered, kDeleted, kUnknown}));
}

}  // namespace
