#include "install/running_apps.h"

#include <algorithm>
#include <utility>

#include "framework/guid.h"
#include "framework/handle.h"
#include "framework/message_box.h"
#include "framework/strings.h"
#include "framework/thread.h"
#include "resources/resource.h"
#include "system/processes.h"
#include "system/session_info.h"

namespace {

constexpr wchar_t kGuidKey[] = L"SOFTWARE\\Korvel\\Application Guids";
constexpr DWORD kOpenForClosing = SYNCHRONIZE | PROCESS_TERMINATE;
// Waited for while the thread's messages are dispatched: the run with pages waits here at start-up.
constexpr DWORD kCloseWaitMs = 5000;
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
    // The key is open to ordinary users: a class name of another program's windows ("#32770")
    // would have the elevated setup end that program. Only a GUID in braces names a class.
    const std::wstring guid = buffer;
    const bool form = guid.size() == 38 && guid.front() == L'{' && guid.back() == L'}' &&
                      fw::IsGuidForm(std::wstring_view(guid).substr(1, 36));
    return form ? guid : std::wstring();
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
    // Code-unit order (upper case before lower case), by insertion: the list holds a few names.
    for (size_t i = 1; i < names.size(); ++i) {
        for (size_t j = i; j > 0 && names[j] < names[j - 1]; --j) names[j].swap(names[j - 1]);
    }
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
        std::vector<std::wstring> running;
        for (const RunningProcess& process : RunningProcesses()) running.push_back(process.executableName);
        std::vector<std::wstring> hits = MatchProcessNames(byProcess, running);
        result.insert(result.end(), hits.begin(), hits.end());
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
        std::wstring message = BuildCloseApplicationsMessage(fw::LoadResString(IDS_CLOSE_APPLICATIONS), std::move(running));
        // Only OK asks again: a box that could not be shown, or was ended by a quit request,
        // answers 0 and counts as Cancel.
        if (fw::AppMessageBox(message, MB_OKCANCEL | MB_ICONEXCLAMATION) != IDOK) return false;
    }
}

ProgramClose CloseProgramByName(const std::wstring& executableName) {
    const std::vector<DWORD> ids = ProcessIdsNamed(RunningProcesses(), executableName);
    if (ids.empty()) return ProgramClose::NotRunning;
    fw::UniqueHandle process(OpenProcess(kOpenForClosing, FALSE, ids.front()));
    if (!process) return ProgramClose::NotClosed;
    CloseContext context{ids.front()};
    EnumWindows(PostCloseToProcessWindows, reinterpret_cast<LPARAM>(&context));
    const bool ended =
        fw::WaitDispatchingAll(process.get(), kCloseWaitMs) == WAIT_OBJECT_0 || TerminateProcess(process.get(), 0);
    return ended ? ProgramClose::Closed : ProgramClose::NotClosed;
}

const char* LauncherLine(ProgramClose result) {
    switch (result) {
    case ProgramClose::Closed: return "kStart.exe: closed";
    case ProgramClose::NotClosed: return "kStart.exe: running, could not be closed";
    case ProgramClose::NotRunning: break;
    }
    return "kStart.exe: not running";
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
        for (const DWORD copyId : ProcessIdsNamed(RunningProcesses(), name)) {
            fw::UniqueHandle process(OpenProcess(kOpenForClosing, FALSE, copyId));
            const std::wstring prefix = fw::Format("Closing %s: ", name.c_str());
            if (!process) {
                lines.push_back(prefix + fw::Format("not ended (process %lu cannot be opened, error %lu)",
                                                    copyId, GetLastError()));
                continue;
            }
            DWORD session = ownSession;
            const bool sessionKnown = ProcessIdToSessionId(copyId, &session) != FALSE;
            // Read before it ends: which copy it was, whose, and where.
            fw::UniqueHandle query(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, copyId));
            const std::wstring which =
                fw::Format(" (process %lu, %s, user %s, session %s)", copyId, ProcessImagePath(copyId).c_str(),
                           query ? ProcessAccount(query.get()).c_str() : L"",
                           sessionKnown ? fw::Decimal(session).c_str() : L"unknown");
            CloseContext context{copyId};
            const bool hasWindow = HasWindowOnThisDesktop(copyId);
            std::wstring outcome;
            if (ChooseCloseWay(session, ownSession, hasWindow) == CloseWay::AskThenEnd) {
                EnumWindows(PostCloseToProcessWindows, reinterpret_cast<LPARAM>(&context));
                if (fw::WaitDispatchingAll(process.get(), kCloseWaitMs) == WAIT_OBJECT_0) {
                    lines.push_back(prefix + L"closed" + which);
                    continue;
                }
                outcome = fw::Widen("ended after 5 seconds");
            } else {
                outcome = session != ownSession && sessionKnown
                              ? fw::Format("ended at once, in session %lu where no close message reaches", session)
                              : fw::Widen("ended at once, no window on this desktop to ask");
            }
            const bool ended = TerminateProcess(process.get(), kEndedExitCode) &&
                               fw::WaitDispatchingAll(process.get(), kCloseWaitMs) == WAIT_OBJECT_0;
            lines.push_back(prefix + (ended ? outcome : fw::Format("not ended (error %lu)", GetLastError())) + which);
        }
    }
    return lines;
}
