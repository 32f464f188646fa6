#include "install/running_apps.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "framework/handle.h"
#include "framework/message_box.h"
#include "framework/proc_address.h"
#include "framework/strings.h"
#include "framework/thread.h"
#include "resources/resource.h"
#include "system/session_info.h"

namespace {

constexpr wchar_t kGuidKey[] = L"SOFTWARE\\Korvel\\Application Guids";
constexpr DWORD kOpenForClosing = SYNCHRONIZE | PROCESS_TERMINATE;
// Waited for while the thread's messages are dispatched: start-up and the passive page wait here.
constexpr DWORD kCloseWaitMs = 5000;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
constexpr ULONG kSystemProcessInformation = 5;
// Wide process entries are 556 bytes; the narrow walk is given a record of the same size.
constexpr DWORD kProcessEntrySize = 556;
// Exit code of a copy ended by the setup (ERROR_INSTALL_USEREXIT: ended for an installation).
constexpr UINT kEndedExitCode = ERROR_INSTALL_USEREXIT;


BOOL CALLBACK CollectClassName(HWND window, LPARAM context) {
    wchar_t className[64] = {};
    if (GetClassNameW(window, className, 64) > 0)
        reinterpret_cast<std::vector<std::wstring>*>(context)->push_back(className);
    return TRUE;
}

struct CloseContext {
    DWORD processId;
};

BOOL CALLBACK PostCloseToProcessWindows(HWND window, LPARAM context) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == reinterpret_cast<CloseContext*>(context)->processId) PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

struct RunningProcess {
    DWORD processId;
    std::wstring executableName;
};

// Every process of every session, with its executable file name.
std::vector<RunningProcess> RunningProcesses() {
    std::vector<RunningProcess> processes;
    fw::UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return processes;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
        processes.push_back({entry.th32ProcessID, fw::FileNameOfPath(entry.szExeFile)});
    return processes;
}

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<std::pair<DWORD, bool>*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->first) return TRUE;
    search->second = true;
    return FALSE;
}

// EnumWindows sees this desktop's top-level windows only.
bool HasWindowOnThisDesktop(DWORD processId) {
    std::pair<DWORD, bool> search{processId, false};
    EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

}  // namespace

std::wstring ReadApplicationGuid(const std::wstring& valueName) {
    fw::UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kGuidKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return {};
    wchar_t buffer[64] = {};
    DWORD bytes = 126;  // the last unit always stays 0
    if (RegQueryValueExW(key.get(), valueName.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &bytes) !=
        ERROR_SUCCESS)
        return {};
    return buffer;
}

void BuildGuardedApplications(std::vector<AppWindowEntry>* windowEntries,
                              std::vector<AppProcessEntry>* processEntries) {
    windowEntries->clear();
    processEntries->clear();
    for (const wchar_t* name : {L"Cartoline", L"qTrack", L"TileLoader"})
        windowEntries->push_back({name, ReadApplicationGuid(name), std::wstring(name) + L".exe"});
    processEntries->push_back({L"KPX_Viewer", L"KPX_Viewer.exe"});
}

void SplitApplicationEntries(const std::vector<AppWindowEntry>& windowEntries,
                             const std::vector<AppProcessEntry>& processEntries,
                             std::vector<AppWindowEntry>* byClass, std::vector<AppProcessEntry>* byProcess) {
    byClass->clear();
    *byProcess = processEntries;
    for (const AppWindowEntry& entry : windowEntries) {
        if (entry.windowClassGuid.empty())
            byProcess->push_back({entry.displayName, entry.executableName});
        else
            byClass->push_back(entry);
    }
}

std::vector<std::wstring> MatchWindowClasses(const std::vector<AppWindowEntry>& byClass,
                                             const std::vector<std::wstring>& classNames) {
    std::vector<std::wstring> hits;
    for (const AppWindowEntry& entry : byClass) {
        if (std::find(classNames.begin(), classNames.end(), entry.windowClassGuid) != classNames.end())
            hits.push_back(entry.displayName);
    }
    return hits;
}

std::vector<std::wstring> MatchProcessNames(const std::vector<AppProcessEntry>& byProcess,
                                            const std::vector<std::wstring>& runningExecutables) {
    std::vector<std::wstring> hits;
    for (const std::wstring& running : runningExecutables) {
        for (const AppProcessEntry& entry : byProcess) {
            if (_wcsicmp(running.c_str(), entry.executableName.c_str()) == 0) {
                hits.push_back(entry.displayName);
                break;
            }
        }
    }
    return hits;
}

std::wstring BuildCloseApplicationsMessage(const std::wstring& header, std::vector<std::wstring> names) {
    std::sort(names.begin(), names.end());  // code-unit order: upper case before lower case
    std::wstring message = header;
    for (const std::wstring& name : names) message += L"\n" + name;
    return message;
}

std::vector<std::wstring> FindRunningApplications(const std::vector<AppWindowEntry>& windowEntries,
                                                  const std::vector<AppProcessEntry>& processEntries) {
    std::vector<AppWindowEntry> byClass;
    std::vector<AppProcessEntry> byProcess;
    SplitApplicationEntries(windowEntries, processEntries, &byClass, &byProcess);

    std::vector<std::wstring> result;
    if (!byClass.empty()) {
        std::vector<std::wstring> classNames;
        EnumWindows(CollectClassName, reinterpret_cast<LPARAM>(&classNames));
        result = MatchWindowClasses(byClass, classNames);
    }
    if (!byProcess.empty()) {
        fw::UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        if (snapshot) {
            std::vector<std::wstring> running;
            PROCESSENTRY32W entry{};
            entry.dwSize = sizeof(entry);
            for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
                 more = Process32NextW(snapshot.get(), &entry))
                running.push_back(fw::FileNameOfPath(entry.szExeFile));
            std::vector<std::wstring> hits = MatchProcessNames(byProcess, running);
            result.insert(result.end(), hits.begin(), hits.end());
        }
    }
    return result;
}

bool PromptToCloseApplications() {
    std::vector<AppWindowEntry> windowEntries;
    std::vector<AppProcessEntry> processEntries;
    BuildGuardedApplications(&windowEntries, &processEntries);
    for (;;) {
        std::vector<std::wstring> running = FindRunningApplications(windowEntries, processEntries);
        if (running.empty()) return true;
        std::wstring message = BuildCloseApplicationsMessage(fw::LoadResString(IDS_CLOSE_APPLICATIONS), running);
        // Only OK asks again: a box that could not be shown, or was ended by a quit request,
        // answers 0 and counts as Cancel.
        if (fw::AppMessageBox(message, MB_OKCANCEL | MB_ICONEXCLAMATION, 0) != IDOK) return false;
    }
}

ProcessEntryPoints::~ProcessEntryPoints() {
    if (kernel32) FreeLibrary(kernel32);
    if (ntdll) FreeLibrary(ntdll);
}

void ProcessEntryPoints::Resolve(bool forceSystemInformation) {
    kernel32 = LoadLibraryA("Kernel32");
    if (!kernel32) return;
    if (!forceSystemInformation) {
        createSnapshot = fw::ProcAddress<SnapshotFn>(kernel32, "CreateToolhelp32Snapshot");
        process32First = fw::ProcAddress<ProcessWalkFn>(kernel32, "Process32First");
        process32Next = fw::ProcAddress<ProcessWalkFn>(kernel32, "Process32Next");
        if (HasSnapshotWalk()) return;
    }
    ntdll = LoadLibraryA("ntdll.dll");
    if (!ntdll) return;
    querySystemInformation =
        fw::ProcAddress<QuerySystemInformationFn>(ntdll, "ZwQuerySystemInformation");
    getProcessHeap = fw::ProcAddress<GetProcessHeapFn>(kernel32, "GetProcessHeap");
    heapAlloc = fw::ProcAddress<HeapAllocFn>(kernel32, "HeapAlloc");
    heapFree = fw::ProcAddress<HeapFreeFn>(kernel32, "HeapFree");
}

HANDLE OpenProcessBySnapshot(const ProcessEntryPoints& entryPoints, const std::string& ansiName, DWORD* processId) {
    alignas(8) BYTE record[kProcessEntrySize] = {};
    auto* entry = reinterpret_cast<tagPROCESSENTRY32*>(record);
    entry->dwSize = kProcessEntrySize;
    HANDLE snapshot = entryPoints.createSnapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return nullptr;
    HANDLE process = nullptr;
    for (BOOL more = entryPoints.process32First(snapshot, entry); more;
         more = entryPoints.process32Next(snapshot, entry)) {
        entry->szExeFile[MAX_PATH - 1] = '\0';
        const char* slash = std::strrchr(entry->szExeFile, '\\');
        const char* name = slash ? slash + 1 : entry->szExeFile;
        if (_stricmp(name, ansiName.c_str()) == 0) {
            process = OpenProcess(kOpenForClosing, TRUE, entry->th32ProcessID);
            *processId = entry->th32ProcessID;
            break;
        }
    }
    CloseHandle(snapshot);
    return process;
}

bool FindProcessInInformation(const void* buffer, size_t size, const std::string& ansiName, DWORD* processId) {
    const auto* begin = static_cast<const BYTE*>(buffer);
    size_t offset = 0;
    for (;;) {
        if (size < sizeof(SYSTEM_PROCESS_INFORMATION) || offset > size - sizeof(SYSTEM_PROCESS_INFORMATION))
            return false;
        SYSTEM_PROCESS_INFORMATION record;
        std::memcpy(&record, begin + offset, sizeof(record));

        char name[MAX_PATH + 1] = {};
        const auto* text = reinterpret_cast<const BYTE*>(record.ImageName.Buffer);
        const size_t textBytes = record.ImageName.Length & ~1u;
        if (text == nullptr) {
            std::strcpy(name, "Idle");
        } else if (text >= begin && text <= begin + size && textBytes <= static_cast<size_t>(begin + size - text)) {
            WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWCH>(text), static_cast<int>(textBytes / 2), name,
                                MAX_PATH, nullptr, nullptr);
        }
        if (name[0] && _stricmp(name, ansiName.c_str()) == 0) {
            *processId = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(record.UniqueProcessId));
            return true;
        }
        if (record.NextEntryOffset == 0) return false;
        offset += record.NextEntryOffset;
    }
}

HANDLE OpenProcessBySystemInformation(const ProcessEntryPoints& entryPoints, const std::string& ansiName,
                                      DWORD* processId) {
    HANDLE heap = entryPoints.getProcessHeap();
    ULONG size = 0x8000;
    void* buffer = nullptr;
    LONG status;
    for (;;) {
        buffer = entryPoints.heapAlloc(heap, 0, size);
        if (!buffer) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        status = entryPoints.querySystemInformation(kSystemProcessInformation, buffer, size, nullptr);
        if (status != kInfoLengthMismatch) break;
        entryPoints.heapFree(heap, 0, buffer);
        if (size > 0x40000000) {  // a list that never fits: give up rather than overflow
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        size *= 2;
    }
    if (status < 0) {
        entryPoints.heapFree(heap, 0, buffer);
        SetLastError(static_cast<DWORD>(status));
        return nullptr;
    }
    HANDLE process = nullptr;
    DWORD id = 0;
    if (FindProcessInInformation(buffer, size, ansiName, &id)) {
        process = OpenProcess(kOpenForClosing, TRUE, id);
        *processId = id;
    }
    entryPoints.heapFree(heap, 0, buffer);
    return process;
}

bool CloseProgramByName(const std::wstring& executableName, ProcessEntryPoints& entryPoints) {
    const std::string ansiName = fw::ToAnsi(executableName);
    DWORD processId = 0;
    HANDLE process = nullptr;
    if (entryPoints.kernel32) {
        if (entryPoints.HasSnapshotWalk())
            process = OpenProcessBySnapshot(entryPoints, ansiName, &processId);
        else if (entryPoints.HasSystemInformationWalk())
            process = OpenProcessBySystemInformation(entryPoints, ansiName, &processId);
    }
    if (!process) return false;

    CloseContext context{processId};
    EnumWindows(PostCloseToProcessWindows, reinterpret_cast<LPARAM>(&context));
    bool ended = fw::WaitDispatchingAll(process, kCloseWaitMs) == WAIT_OBJECT_0;
    if (!ended) ended = TerminateProcess(process, 0) == TRUE;
    CloseHandle(process);
    return ended;
}

bool CloseProgramByName(const std::wstring& executableName) {
    ProcessEntryPoints entryPoints;
    entryPoints.Resolve();
    return CloseProgramByName(executableName, entryPoints);
}

std::vector<AppProcessEntry> UnseenClassEntries(const std::vector<AppWindowEntry>& windowEntries,
                                                const std::vector<std::wstring>& classHits) {
    std::vector<AppProcessEntry> unseen;
    for (const AppWindowEntry& entry : windowEntries) {
        if (entry.windowClassGuid.empty()) continue;
        if (std::find(classHits.begin(), classHits.end(), entry.displayName) == classHits.end())
            unseen.push_back({entry.displayName, entry.executableName});
    }
    return unseen;
}

std::vector<AppProcessEntry> FindRunningGuardedApplications() {
    std::vector<AppWindowEntry> windowEntries;
    std::vector<AppProcessEntry> processEntries;
    BuildGuardedApplications(&windowEntries, &processEntries);
    std::vector<std::wstring> names = FindRunningApplications(windowEntries, processEntries);
    const std::vector<AppProcessEntry> unseen = UnseenClassEntries(windowEntries, names);
    if (!unseen.empty()) {
        std::vector<std::wstring> running;
        for (const RunningProcess& process : RunningProcesses()) running.push_back(process.executableName);
        for (const std::wstring& name : MatchProcessNames(unseen, running)) names.push_back(name);
    }
    std::vector<AppProcessEntry> found;
    for (const std::wstring& name : names) {
        AppProcessEntry application{name, {}};
        for (const AppWindowEntry& entry : windowEntries)
            if (entry.displayName == name) application.executableName = entry.executableName;
        for (const AppProcessEntry& entry : processEntries)
            if (entry.displayName == name) application.executableName = entry.executableName;
        found.push_back(application);
    }
    return found;
}

CloseWay ChooseCloseWay(DWORD copySession, DWORD ownSession, bool hasWindowOnThisDesktop) {
    return copySession == ownSession && hasWindowOnThisDesktop ? CloseWay::AskThenEnd : CloseWay::EndAtOnce;
}

std::vector<std::wstring> CloseRunningApplications(const std::vector<AppProcessEntry>& applications) {
    std::vector<std::wstring> lines;
    std::vector<std::wstring> done;
    DWORD ownSession = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &ownSession);
    for (const AppProcessEntry& application : applications) {
        const std::wstring& name = application.executableName;
        bool seen = false;
        for (const std::wstring& other : done) seen = seen || _wcsicmp(other.c_str(), name.c_str()) == 0;
        if (seen) continue;
        done.push_back(name);
        for (const RunningProcess& copy : RunningProcesses()) {
            if (_wcsicmp(copy.executableName.c_str(), name.c_str()) != 0) continue;
            fw::UniqueHandle process(OpenProcess(kOpenForClosing, FALSE, copy.processId));
            const std::wstring prefix = fw::Format(L"Closing %s: ", name.c_str());
            if (!process) {
                lines.push_back(prefix + fw::Format(L"not ended (process %lu cannot be opened, error %lu)",
                                                    copy.processId, GetLastError()));
                continue;
            }
            DWORD session = ownSession;
            const bool sessionKnown = ProcessIdToSessionId(copy.processId, &session) != FALSE;
            // Read before it ends: which copy it was, whose, and where.
            fw::UniqueHandle query(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, copy.processId));
            const std::wstring which =
                fw::Format(L" (process %lu, %s, user %s, session %s)", copy.processId,
                           ProcessImagePath(copy.processId).c_str(), query ? ProcessAccount(query.get()).c_str() : L"",
                           sessionKnown ? std::to_wstring(session).c_str() : L"unknown");
            CloseContext context{copy.processId};
            const bool hasWindow = HasWindowOnThisDesktop(copy.processId);
            std::wstring outcome;
            if (ChooseCloseWay(session, ownSession, hasWindow) == CloseWay::AskThenEnd) {
                EnumWindows(PostCloseToProcessWindows, reinterpret_cast<LPARAM>(&context));
                if (fw::WaitDispatchingAll(process.get(), kCloseWaitMs) == WAIT_OBJECT_0) {
                    lines.push_back(prefix + L"closed" + which);
                    continue;
                }
                outcome = L"ended after 5 seconds";
            } else {
                outcome = session != ownSession && sessionKnown
                              ? fw::Format(L"ended at once, in session %lu where no close message reaches", session)
                              : std::wstring(L"ended at once, no window on this desktop to ask");
            }
            const bool ended = TerminateProcess(process.get(), kEndedExitCode) &&
                               fw::WaitDispatchingAll(process.get(), kCloseWaitMs) == WAIT_OBJECT_0;
            lines.push_back(prefix + (ended ? outcome : fw::Format(L"not ended (error %lu)", GetLastError())) + which);
        }
    }
    return lines;
}
