#pragma once
// The one list of running processes: every process of every session, by its program's file
// name.
#include <windows.h>

#include <string>
#include <vector>

struct RunningProcess {
    DWORD processId;
    std::wstring executableName;  // file name without folder, as the system reports it
    DWORD parentId = 0;           // the process that started it (it may have ended since)
};

// The processes running now; empty when they cannot be listed.
std::vector<RunningProcess> RunningProcesses();

// The ids of the processes whose program has this file name (without regard to case), in the
// list's order.
std::vector<DWORD> ProcessIdsNamed(const std::vector<RunningProcess>& processes, const std::wstring& executableName);
