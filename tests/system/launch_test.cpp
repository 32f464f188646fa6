#include "system/launch.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "env/bootstrap.h"
#include "env/system_checks.h"
#include "tests/kit/log_capture.h"
#include "tests/kit/kit.h"
#include "tests/kit/recorder.h"
#include "tests/kit/task_stub.h"

namespace {

constexpr wchar_t kCode[] = L"{5B0C7A1E-2D3F-4A5B-8C9D-0E1F2A3B4C5D}";
const std::string kTriggerRefused = "Task Scheduler: ITriggerCollection::Create failed with 0x80004001";

// Whether this prefix's Windows version starts programs directly (checked against the rig's
// own description, not against the code under test).
bool PrefixStartsDirectly() {
    std::string version = kit::RigVersion();
    return version != "win7" && version != "win10" && version != "vista" && version != "win8";
}

// ---------------------------------------------------------------------------------------------
// Pure decisions

TEST(SplitCommandLine, ProgramToThePathRestToTheArguments) {
    struct Row {
        const wchar_t* line;
        const wchar_t* program;
        const wchar_t* arguments;
    } rows[] = {
        {L"msiexec /q /x \"{5B0C}\"", L"msiexec", L"/q /x \"{5B0C}\""},
        {L"msiexec /x \"{5B0C}\"", L"msiexec", L"/x \"{5B0C}\""},
        {L"\"C:\\Program Files\\Medium\\bin\\Msi\\2.0\\InstMsiW.exe\" /c:\"msiinst /delayreboot\"",
         L"C:\\Program Files\\Medium\\bin\\Msi\\2.0\\InstMsiW.exe", L"/c:\"msiinst /delayreboot\""},
        {L"D:\\bin\\Msi\\2.0\\InstMsiA.exe /c:\"msiinst /delayreboot\"", L"D:\\bin\\Msi\\2.0\\InstMsiA.exe",
         L"/c:\"msiinst /delayreboot\""},
        {L"notepad", L"notepad", L""},
        {L"\"C:\\a b\\x.exe\"", L"C:\\a b\\x.exe", L""},
        {L"  \t msiexec \t  /x a", L"msiexec", L"/x a"},
        {L"C:\\a\" b\"\\x.exe arg", L"C:\\a b\\x.exe", L"arg"},
        {L"\"C:\\unclosed quote\\x.exe arg", L"C:\\unclosed quote\\x.exe arg", L""},
        {L"", L"", L""},
    };
    for (const Row& row : rows) {
        CommandLineParts parts = SplitCommandLine(row.line);
        EXPECT_EQ(parts.program, row.program) << row.line;
        EXPECT_EQ(parts.arguments, row.arguments) << row.line;
    }
}

TEST(ExecutableNameOf, TheModuleBaseNameOfTheCommandsThisSetupMakes) {
    struct Row {
        std::wstring line;
        const wchar_t* name;
    } rows[] = {
        {UninstallCommandLine(L"C:\\WINDOWS\\system32", kCode, true), L"msiexec.exe"},
        {UninstallCommandLine(L"C:\\Win Dows\\system32", kCode, false), L"msiexec.exe"},
        {EngineSetupCommandLine(L"C:\\Program Files\\Medium\\", Win2000), L"InstMsiW.exe"},
        {EngineSetupCommandLine(L"D:\\", WinMe), L"InstMsiA.exe"},
        {L"D:\\bin\\Msi\\2.0\\InstMsiA.exe /c:\"msiinst /delayreboot\"", L"InstMsiA.exe"},
        {L"C:/tools/run.cmd x", L"run.cmd"},
        {L"C:msiexec /x", L"msiexec.exe"},
        {L"\"C:\\dir.with.dots\\prog\" x", L"prog.exe"},
    };
    for (const Row& row : rows) EXPECT_EQ(ExecutableNameOf(row.line), row.name) << row.line;
}

TEST(UninstallCommandLine, TheSystemFoldersMsiexecQuotedThenTheQuotedCode) {
    EXPECT_EQ(UninstallCommandLine(L"C:\\WINDOWS\\system32", kCode, true),
              L"\"C:\\WINDOWS\\system32\\msiexec.exe\" /q /x \"" + std::wstring(kCode) + L"\"");
    EXPECT_EQ(UninstallCommandLine(L"D:\\Win Nt\\System32", kCode, false),
              L"\"D:\\Win Nt\\System32\\msiexec.exe\" /x \"" + std::wstring(kCode) + L"\"");
    // The task's action gets the program without its quotation marks.
    CommandLineParts parts = SplitCommandLine(UninstallCommandLine(L"D:\\Win Nt\\System32", kCode, true));
    EXPECT_EQ(parts.program, L"D:\\Win Nt\\System32\\msiexec.exe");
    EXPECT_EQ(parts.arguments, L"/q /x \"" + std::wstring(kCode) + L"\"");
}

// What cannot stay one quoted argument is refused; the rest is taken whole, switches and all.
TEST(QuotedArgument, RefusesWhatWouldEndTheArgument) {
    struct Row {
        std::wstring argument;
        bool refused;
    } rows[] = {
        {L"C:\\Program Files\\Medium\\x.log", false},
        {L"{x} /i \\\\host\\x.msi /qn", false},
        {std::wstring(300, L'a'), false},
        {L"", false},
        {L"C:\\a\\b", false},
        {L"{x}\" /i \\\\host\\x.msi /qn \"", true},
        {L"\"", true},
        {L"a\r\nb", true},
        {L"a\nb", true},
        {L"a\tb", true},
        {std::wstring(L"a") + L'\0' + L"b", true},
        {L"a\x7f", true},
        {L"a\x85", true},  // the C1 next-line character
        {L"C:\\folder\\", true},
    };
    for (const Row& row : rows) {
        const std::string what(row.argument.begin(), row.argument.end());
        EXPECT_EQ(QuotedArgument(row.argument), row.refused ? L"" : L"\"" + row.argument + L"\"") << what;
        if (!row.refused) continue;
        EXPECT_EQ(UninstallCommandLine(L"C:\\WINDOWS\\system32", row.argument, true), L"") << what;
        if (row.argument.back() != L'\\') {  // inside a path a backslash is no end
            EXPECT_EQ(UninstallCommandLine(L"C:\\" + row.argument, kCode, false), L"") << what;
        }
    }
}

TEST(UsesScheduledTask, FromVistaOn) {
    for (int code = WinUnknown; code <= Win7SP1; ++code)
        EXPECT_EQ(UsesScheduledTask(code), code >= 11) << code;
}

TEST(TaskNameFor, LaunchAndTheNumber) {
    EXPECT_EQ(TaskNameFor(0), L"Launch 0");
    EXPECT_EQ(TaskNameFor(32767), L"Launch 32767");
    EXPECT_EQ(TaskNameFor(4711), L"Launch 4711");
}

TEST(IsComSecurityUsable, SetNowOrAlreadySetForTheProcess) {
    EXPECT_TRUE(IsComSecurityUsable(S_OK));
    EXPECT_TRUE(IsComSecurityUsable(RPC_E_TOO_LATE));
    EXPECT_FALSE(IsComSecurityUsable(E_INVALIDARG));
    EXPECT_FALSE(IsComSecurityUsable(E_OUTOFMEMORY));
}

// ---------------------------------------------------------------------------------------------
// Direct launch

// Who started a process of the task program's name tells whether it could be that program.
TEST(CouldBeTaskProgram, NotWhatAServiceOrAProgramOfItsOwnNameStarted) {
    const std::vector<RunningProcess> processes = {
        {4, L"services.exe", 1}, {8, L"svchost.exe", 4}, {12, L"taskeng.exe", 8}, {16, L"msiexec.exe", 4},
        {20, L"MSIEXEC.EXE", 12}, {24, L"msiexec.exe", 16}, {28, L"msiexec.exe", 8}, {32, L"msiexec.exe", 99},
    };
    const struct {
        DWORD id;
        bool could;
        const char* why;
    } rows[] = {
        {16, false, "the installer service: started by services.exe"},
        {20, true, "started by the task engine"},
        {24, false, "a custom-action server: started by the service, a program of its own name"},
        {28, true, "started by the scheduler's service host"},
        {32, true, "its parent has ended"},
    };
    for (const auto& row : rows) {
        const RunningProcess& process = processes[row.id / 4 - 1];
        EXPECT_EQ(CouldBeTaskProgram(process, processes), row.could) << row.why;
    }
}

TEST(ExitCodeText, TheNumberOrUnknown) {
    EXPECT_EQ(ExitCodeText(1605), L"1605");
    EXPECT_EQ(ExitCodeText(0), L"0");
    EXPECT_EQ(ExitCodeText(kExitCodeUnknown), L"unknown");
}

TEST(RunProgramDirect, StartsWaitsAndCollectsTheExitCode) {
    kit::TempFolder folder;
    kit::PlantedRecorder child(folder / L"with space\\child.exe");
    ASSERT_TRUE(child.planted());
    struct Row {
        const char* what;
        std::wstring line;
        DWORD exitCode;
    } rows[] = {
        {"quoted path with a blank", L"\"" + child.path() + L"\" exit=7 sleep=300", 7},
        {"restart code", L"\"" + child.path() + L"\" exit=3010", 3010},
        {"zero", L"\"" + child.path() + L"\" /x \"{A}\"", 0},
    };
    size_t runs = 0;
    for (const Row& row : rows) {
        std::wstring line = row.line;
        DWORD exitCode = 12345;
        EXPECT_TRUE(RunProgramDirect(line, true, exitCode)) << row.what;
        EXPECT_EQ(exitCode, row.exitCode) << row.what;
        EXPECT_TRUE(child.Done()) << row.what;
        std::vector<std::wstring> lines = child.CommandLines();
        ASSERT_EQ(lines.size(), ++runs) << row.what;
        EXPECT_EQ(lines.back(), row.line) << row.what;
    }
}

TEST(RunProgramDirect, WithoutWaitReturnsAtOnceAndKeepsTheExitCode) {
    kit::TempFolder folder;
    kit::PlantedRecorder child(folder / L"slow.exe");
    std::wstring line = L"\"" + child.path() + L"\" sleep=1500 exit=9";
    DWORD exitCode = 12345;
    EXPECT_TRUE(RunProgramDirect(line, false, exitCode));
    EXPECT_FALSE(child.Done());
    EXPECT_EQ(exitCode, 12345u);
    EXPECT_TRUE(kit::WaitUntil([&] { return child.Done(); }));
}

TEST(RunProgramDirect, AProgramThatCannotStartIsNotStarted) {
    kit::TempFolder folder;
    kit::WriteBytes(folder / L"notaprogram.exe", "this is text, not a program\r\n");
    const std::wstring lines[] = {
        folder / L"missing.exe /x",
        L"\"" + (folder / L"notaprogram.exe") + L"\" /x",
        L"",
    };
    for (const std::wstring& l : lines) {
        std::wstring line = l;
        DWORD exitCode = 12345;
        EXPECT_FALSE(RunProgramDirect(line, true, exitCode)) << std::string(l.begin(), l.end());
        EXPECT_EQ(exitCode, 12345u);
    }
}

// ---------------------------------------------------------------------------------------------
// Waiting for a program known by name

TEST(WaitForProgramByName, WaitsForTheFirstProcessOfThatName) {
    kit::TempFolder folder;
    std::wstring name = L"ktwait" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    kit::PlantedRecorder child(folder / name);
    kit::Process process(L"\"" + child.path() + L"\" sleep=600 exit=3010");
    ASSERT_TRUE(process.started());
    ASSERT_TRUE(kit::WaitUntil([&] { return child.Ran(); }));

    std::wstring upper = name;
    CharUpperW(upper.data());
    DWORD exitCode = 12345;
    EXPECT_TRUE(WaitForProgramByName(upper, exitCode));
    EXPECT_EQ(exitCode, 3010u);
    EXPECT_FALSE(process.Running());

    exitCode = 12345;
    EXPECT_FALSE(WaitForProgramByName(name, exitCode));  // ended now
    EXPECT_EQ(exitCode, 12345u);
}

// A 64-bit program, whose module list a 32-bit process cannot read: found by its image name,
// waited for, its exit code taken. One that started before the given time is not waited for.
TEST(WaitForProgramByName, FindsA64BitProgramAndOnlyOneStartedSinceTheLaunch) {
    if (!kit::Is64BitPrefix()) GTEST_SKIP() << "64-bit prefixes only";
    kit::TempFolder folder;
    const std::wstring name = L"kt64wait" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    kit::PlantedRecorder child(folder / name, L"launch_record64.exe");
    ASSERT_TRUE(child.planted());

    kit::Process process(L"\"" + child.path() + L"\" sleep=1500 exit=77");
    ASSERT_TRUE(process.started());
    DWORD exitCode = 12345;
    EXPECT_TRUE(WaitForProgramByName(name, exitCode));
    EXPECT_EQ(exitCode, 77u);
    EXPECT_FALSE(process.Running());

    kit::Process older(L"\"" + child.path() + L"\" sleep=3000 exit=5");
    ASSERT_TRUE(older.started());
    Sleep(100);
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const uint64_t launched = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    exitCode = 12345;
    EXPECT_FALSE(WaitForProgramByName(name, exitCode, launched));
    EXPECT_EQ(exitCode, 12345u);
    EXPECT_TRUE(older.Running());
}

// ---------------------------------------------------------------------------------------------
// The switch by Windows version, and the removal through msiexec

// Makes the folder the current one while it lives: CreateProcessW looks there for a program
// named without a folder before it looks in the system folder.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::wstring& folder) {
        GetCurrentDirectoryW(MAX_PATH, saved_);
        SetCurrentDirectoryW(folder.c_str());
    }
    ~CurrentFolder() { SetCurrentDirectoryW(saved_); }

private:
    wchar_t saved_[MAX_PATH] = {};
};

TEST(RunProgram, DirectBeforeVistaThroughATaskFromVistaOn) {
    kit::LogCapture capture;
    ASSERT_TRUE(capture.ok());
    kit::TempFolder folder;
    kit::PlantedRecorder child(folder / L"switch.exe");
    std::wstring line = L"\"" + child.path() + L"\" exit=5";
    const std::wstring original = line;
    DWORD exitCode = 12345;
    bool started = RunProgram(line, true, exitCode);
    if (PrefixStartsDirectly()) {
        EXPECT_TRUE(started);
        EXPECT_EQ(exitCode, 5u);
        ASSERT_EQ(child.CommandLines().size(), 1u);
        EXPECT_EQ(child.CommandLines()[0], original);
        EXPECT_EQ(capture.Texts(), std::vector<std::string>{});
    } else {
        // Wine's Task Scheduler has no registration trigger: the launch stops there.
        EXPECT_FALSE(started);
        EXPECT_EQ(exitCode, 12345u);
        EXPECT_EQ(capture.Texts(), std::vector<std::string>{kTriggerRefused});
        Sleep(1000);
        EXPECT_FALSE(child.Ran());
    }
}

TEST(UninstallCommandLine, TheSystemsMsiexecRunsNeverACopyInTheCurrentFolder) {
    // A copy that records its start where a bare program name is looked for before the system
    // folder (a copy beside setup.exe is the end-to-end test's).
    kit::TempFolder folder;
    kit::PlantedRecorder current(folder / L"msiexec.exe");
    ASSERT_TRUE(current.planted());
    current.Configure("exit=0");
    CurrentFolder inFolder(folder.path());
    if (PrefixStartsDirectly()) {
        // The system's msiexec ends with 1605 for a product that is not installed; a planted
        // copy would have ended with 0.
        std::wstring line = UninstallCommandLine(GetSystemFolder(), kCode, true);
        DWORD exitCode = 0;
        ASSERT_TRUE(RunProgramDirect(line, true, exitCode));
        EXPECT_EQ(exitCode, 1605u);
        line = UninstallCommandLine(GetSystemFolder(), kCode, false);
        ASSERT_TRUE(RunProgramDirect(line, true, exitCode));
        EXPECT_EQ(exitCode, 1605u);
    } else {
        std::wstring line = UninstallCommandLine(GetSystemFolder(), kCode, true);
        DWORD exitCode = 0;
        EXPECT_FALSE(RunProgram(line, true, exitCode));  // the task cannot be made under Wine
    }
    Sleep(500);
    EXPECT_FALSE(current.Ran());
}

// ---------------------------------------------------------------------------------------------
// The scheduled-task launch, as far as Wine's Task Scheduler goes

// A task that would run notepad, registered with no trigger: Wine's scheduler takes it.
bool RegisterProbe(const std::wstring& name) {
    return kit::RegisterRootTask(name, L"C:\\windows\\system32\\notepad.exe", L"", false) == S_OK;
}

// The names a launch between the two times can have given its task: the name comes from the
// runtime's generator seeded with the time in seconds.
std::vector<std::wstring> LaunchNamesBetween(time_t first, time_t last) {
    std::vector<std::wstring> names;
    for (time_t t = first; t <= last; ++t) {
        srand(static_cast<unsigned>(t));
        names.push_back(TaskNameFor(rand()));
    }
    return names;
}

TEST(RunProgramAsScheduledTask, StopsCleanlyAtTheRegistrationTrigger) {
    kit::LogCapture capture;
    ASSERT_TRUE(capture.ok());
    kit::TempFolder folder;
    kit::PlantedRecorder child(folder / L"tasked.exe");
    std::wstring line = L"\"" + child.path() + L"\" exit=4";
    // Tasks under each name the launch may choose in the next seconds: the launch removes the
    // one of its own name first (and registers none).
    time_t first = time(nullptr);
    const std::vector<std::wstring> probes = LaunchNamesBetween(first, first + 5);
    for (const std::wstring& name : probes) ASSERT_TRUE(RegisterProbe(name));
    DWORD exitCode = 12345;
    EXPECT_FALSE(RunProgramAsScheduledTask(line, true, exitCode));
    time_t last = time(nullptr);
    ASSERT_LE(last, first + 5);
    EXPECT_EQ(exitCode, 12345u);
    EXPECT_EQ(capture.Texts(), std::vector<std::string>{kTriggerRefused});
    int gone = 0;
    for (const std::wstring& name : LaunchNamesBetween(first, last)) gone += kit::FindRootTask(name) != S_OK;
    EXPECT_GE(gone, 1);
    for (const std::wstring& name : probes) kit::DeleteRootTask(name);
    Sleep(1000);
    EXPECT_FALSE(child.Ran());
}

TEST(RunProgramAsScheduledTask, RemovesALeftoverTaskOfTheSameName) {
    const std::wstring name = L"Launch " + std::to_wstring(GetCurrentProcessId() % 30000);
    ASSERT_TRUE(RegisterProbe(name));
    ASSERT_EQ(kit::FindRootTask(name), S_OK);  // the query sees such a task

    kit::LogCapture capture;
    DWORD exitCode = 12345;
    EXPECT_FALSE(RunProgramAsNamedTask(name, L"notepad.exe", false, exitCode));
    EXPECT_EQ(capture.Texts(), std::vector<std::string>{kTriggerRefused});
    EXPECT_NE(kit::FindRootTask(name), S_OK);
}

TEST(RunProgramAsScheduledTask, UninitialisesComOnceAndOnlyWhenItInitialisedIt) {
    struct Row {
        const char* what;
        int before;  // -1 none, else the COINIT flag the caller holds
        std::string text;
    } rows[] = {
        {"no COM before", -1, kTriggerRefused},
        {"caller holds the multithreaded apartment", COINIT_MULTITHREADED, kTriggerRefused},
        {"caller holds a single-threaded apartment", COINIT_APARTMENTTHREADED,
         "Task Scheduler: CoInitializeEx failed with 0x80010106"},
    };
    for (const Row& row : rows) {
        kit::LogCapture capture;
        if (row.before >= 0) {
            ASSERT_EQ(CoInitializeEx(nullptr, row.before), S_OK) << row.what;
        }
        std::wstring line = L"notepad.exe";
        DWORD exitCode = 12345;
        EXPECT_FALSE(RunProgramAsScheduledTask(line, false, exitCode)) << row.what;
        EXPECT_EQ(capture.Texts(), std::vector<std::string>{row.text}) << row.what;
        if (row.before >= 0) {
            // The caller's initialisation is still there: neither taken away nor added to.
            EXPECT_EQ(CoInitializeEx(nullptr, row.before), S_FALSE) << row.what;
            CoUninitialize();
            CoUninitialize();
        }
        // Nothing of COM is left on the thread.
        HRESULT after = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        EXPECT_EQ(after, S_OK) << row.what;
        if (SUCCEEDED(after)) CoUninitialize();
    }
}

}  // namespace
