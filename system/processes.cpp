#include "system/processes.h"

#include <tlhelp32.h>

#include "framework/handle.h"
#include "framework/strings.h"

std::vector<RunningProcess> RunningProcesses() {
    std::vector<RunningProcess> processes;
    fw::UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return processes;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
        processes.push_back({entry.th32ProcessID, fw::FileNameOfPath(entry.szExeFile), entry.th32ParentProcessID});
    return processes;
}

std::vector<DWORD> ProcessIdsNamed(const std::vector<RunningProcess>& processes, const std::wstring& executableName) {
    std::vector<DWORD> ids;
    for (const RunningProcess& process : processes)
        if (_wcsicmp(process.executableName.c_str(), executableName.c_str()) == 0) ids.push_back(process.processId);
    return ids;
}
