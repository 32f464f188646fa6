#pragma once
// The tests' side of the Task Scheduler stand-in (tests/taskstub): its record of calls, its
// settings, and questions put to it.
#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace kit {

// One line of the record: a method (or "start", "start-failed", "ended") and its values.
struct TaskCall {
    std::string method;
    std::map<std::string, std::string> values;
    bool injected = false;
    std::string operator[](const std::string& key) const;
};

// The record file of this process and the programs it starts while the object lives; the
// stand-in's other settings are cleared then.
class TaskStubRecord {
public:
    TaskStubRecord();
    ~TaskStubRecord();
    TaskStubRecord(const TaskStubRecord&) = delete;
    TaskStubRecord& operator=(const TaskStubRecord&) = delete;

    std::vector<TaskCall> Calls() const;
    std::vector<TaskCall> Calls(const std::string& method) const;
    void Clear() const;

private:
    std::wstring path_;
};

// Sets one of the stand-in's variables (TASKSTUB_FAIL, TASKSTUB_START, ...); empty removes it.
void SetTaskStub(const wchar_t* name, const std::wstring& value);

// ITaskFolder::GetTask of the root folder for the name, through the registered scheduler.
HRESULT FindRootTask(const std::wstring& name);
// Registers a task of the root folder for the program, which a registration trigger starts as it
// is registered when asked; the result of ITaskFolder::RegisterTaskDefinition (or of the step
// before it that failed).
HRESULT RegisterRootTask(const std::wstring& name, const std::wstring& path, const std::wstring& arguments,
                         bool startsAtRegistration);
// Removes a task of the root folder; the result of ITaskFolder::DeleteTask.
HRESULT DeleteRootTask(const std::wstring& name);
// The stand-in's objects not yet released in this process; -1 when it is not loaded.
LONG TaskStubLiveObjects();

}  // namespace kit
