#include "install/running_apps.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/kit/kit.h"

namespace {

const std::wstring kGuidKey = L"SOFTWARE\\Korvel\\Application Guids";
constexpr wchar_t kCartolineGuid[] = L"{6F1C2A33-0B7E-4D58-9E21-5A7C0D3B9F42}";

std::vector<AppWindowEntry> GuardedWindows(const std::wstring& cartolineGuid = L"") {
    return {{L"Cartoline", cartolineGuid, L"Cartoline.exe"},
            {L"qTrack", L"", L"qTrack.exe"},
            {L"TileLoader", L"", L"TileLoader.exe"}};
}
const std::vector<AppProcessEntry> kViewer = {{L"KPX_Viewer", L"KPX_Viewer.exe"}};

// Starts the fake application under the given executable name, with optional arguments.
kit::Process StartAs(const kit::TempFolder& folder, const std::wstring& exeName, const std::wstring& args = L"") {
    const std::wstring path = folder / exeName;
    if (!kit::FileExists(path)) kit::CopyTo(kit::BinPath(L"fake_app.exe"), path);
    kit::Process process(L"\"" + path + L"\" " + args);
    // Ready once its own window exists: Wine gives the thread a hidden input-method window
    // first, before the application has made its window of the class looked for.
    EXPECT_TRUE(kit::WaitUntil(
        [&] {
            for (HWND window : kit::TopLevelWindows(process.id()))
                if (kit::ClassOf(window) != L"IME") return true;
            return false;
        }));
    return process;
}

class RunningApplications : public ::testing::Test {
protected:
    void SetUp() override { kit::DeleteKeyTree(HKEY_LOCAL_MACHINE, kGuidKey); }
    void TearDown() override { kit::DeleteKeyTree(HKEY_LOCAL_MACHINE, kGuidKey); }
    kit::TempFolder folder_;
};

TEST(RunningApplicationsRules, EntriesWithoutGuidAreLookedForByProcessName) {
    std::vector<AppWindowEntry> byClass;
    std::vector<AppProcessEntry> byProcess;
    SplitApplicationEntries(GuardedWindows(kCartolineGuid), kViewer, &byClass, &byProcess);
    ASSERT_EQ(byClass.size(), 1u);
    EXPECT_EQ(byClass[0].displayName, L"Cartoline");
    ASSERT_EQ(byProcess.size(), 3u);
    EXPECT_EQ(byProcess[0].displayName, L"KPX_Viewer");  // the given process entries come first
    EXPECT_EQ(byProcess[1].displayName, L"qTrack");
    EXPECT_EQ(byProcess[2].executableName, L"TileLoader.exe");
}

TEST(RunningApplicationsRules, ClassNamesMatchExactlyAndOncePerEntry) {
    std::vector<AppWindowEntry> byClass = {{L"A", L"{abc}", L"a.exe"}, {L"B", L"{def}", L"b.exe"}};
    struct Row {
        std::vector<std::wstring> classes;
        std::vector<std::wstring> expected;
    } rows[] = {
        {{L"{abc}"}, {L"A"}},
        {{L"{ABC}"}, {}},                                // letter case counts
        {{L"{abc}", L"{abc}", L"x"}, {L"A"}},            // two windows, one hit
        {{L"{def}", L"{abc}"}, {L"A", L"B"}},            // entry order, not window order
        {{L"{abc} "}, {}},                               // the whole text must be equal
    };
    for (const Row& row : rows) EXPECT_EQ(MatchWindowClasses(byClass, row.classes), row.expected);
}

TEST(RunningApplicationsRules, ProcessNamesMatchWithoutCaseOncePerProcess) {
    std::vector<AppProcessEntry> entries = {{L"KPX_Viewer", L"KPX_Viewer.exe"}, {L"qTrack", L"qTrack.exe"}};
    struct Row {
        std::vector<std::wstring> running;
        std::vector<std::wstring> expected;
    } rows[] = {
        {{L"kpx_viewer.EXE"}, {L"KPX_Viewer"}},
        {{L"KPX_Viewer.exe", L"KPX_Viewer.exe"}, {L"KPX_Viewer", L"KPX_Viewer"}},
        {{L"qTrack.exe", L"explorer.exe", L"KPX_Viewer.exe"}, {L"qTrack", L"KPX_Viewer"}},  // snapshot order
        {{L"KPX_Viewer"}, {}},                                                              // no extension
        {{L"KPX_Viewer.exe.bak"}, {}},
    };
    for (const Row& row : rows) EXPECT_EQ(MatchProcessNames(entries, row.running), row.expected);
}

TEST(RunningApplicationsRules, MessageListsNamesSortedByCodeUnits) {
    EXPECT_EQ(BuildCloseApplicationsMessage(L"Close these:", {L"qTrack", L"TileLoader", L"KPX_Viewer"}),
              L"Close these:\nKPX_Viewer\nTileLoader\nqTrack");
    EXPECT_EQ(BuildCloseApplicationsMessage(L"H", {L"KPX_Viewer", L"Cartoline", L"KPX_Viewer"}),
              L"H\nCartoline\nKPX_Viewer\nKPX_Viewer");
    EXPECT_EQ(BuildCloseApplicationsMessage(L"H", {}), L"H");
}

TEST(RunningApplicationsRules, UnseenClassEntriesAreLookedForByExecutable) {
    const std::vector<AppWindowEntry> entries = {{L"Cartoline", kCartolineGuid, L"Cartoline.exe"},
                                                 {L"qTrack", L"{q}", L"qTrack.exe"},
                                                 {L"TileLoader", L"", L"TileLoader.exe"}};
    struct Row {
        std::vector<std::wstring> classHits;
        std::vector<std::wstring> expectedExecutables;
    } rows[] = {
        {{}, {L"Cartoline.exe", L"qTrack.exe"}},  // no GUID: already looked for by name
        {{L"qTrack"}, {L"Cartoline.exe"}},
        {{L"Cartoline", L"qTrack"}, {}},
    };
    for (const Row& row : rows) {
        std::vector<std::wstring> got;
        for (const AppProcessEntry& entry : UnseenClassEntries(entries, row.classHits)) got.push_back(entry.executableName);
        EXPECT_EQ(got, row.expectedExecutables);
    }
}

TEST(RunningApplicationsRules, OnlyACopyWithAWindowHereInOurSessionIsAsked) {
    EXPECT_EQ(ChooseCloseWay(1, 1, true), CloseWay::AskThenEnd);
    EXPECT_EQ(ChooseCloseWay(1, 1, false), CloseWay::EndAtOnce);  // another desktop or station
    EXPECT_EQ(ChooseCloseWay(2, 0, true), CloseWay::EndAtOnce);   // a user's session, seen from a service's
    EXPECT_EQ(ChooseCloseWay(0, 1, false), CloseWay::EndAtOnce);
}

TEST_F(RunningApplications, GuidReadFromTheRegistry) {
    EXPECT_EQ(ReadApplicationGuid(L"Cartoline"), L"");
    kit::SetString(HKEY_LOCAL_MACHINE, kGuidKey, L"Cartoline", kCartolineGuid);
    kit::SetString(HKEY_LOCAL_MACHINE, kGuidKey, L"qTrack", std::wstring(63, L'x'));  // 128 bytes: too long
    EXPECT_EQ(ReadApplicationGuid(L"Cartoline"), kCartolineGuid);
    EXPECT_EQ(ReadApplicationGuid(L"qTrack"), L"");
    EXPECT_EQ(ReadApplicationGuid(L"TileLoader"), L"");
    // Only a GUID in braces names a window class: not another program's class.
    for (const wchar_t* value : {L"#32770", L"Shell_TrayWnd", L"6F1C2A33-0B7E-4D58-9E21-5A7C0D3B9F42",
                                 L"{6F1C2A33-0B7E-4D58-9E21-5A7C0D3B9F4G}", L"{6F1C2A33+0B7E-4D58-9E21-5A7C0D3B9F42}"}) {
        kit::SetString(HKEY_LOCAL_MACHINE, kGuidKey, L"TileLoader", value);
        EXPECT_EQ(ReadApplicationGuid(L"TileLoader"), L"");
    }
}

TEST_F(RunningApplications, WithoutGuidsEveryApplicationIsFoundByName) {
    kit::Process cartoline = StartAs(folder_, L"Cartoline.exe");
    kit::Process viewer1 = StartAs(folder_, L"kpx_viewer.exe");
    kit::Process viewer2 = StartAs(folder_, L"kpx_viewer.exe");
    std::vector<AppWindowEntry> windows;
    std::vector<AppProcessEntry> processes;
    BuildGuardedApplications(&windows, &processes);
    std::vector<std::wstring> found = FindRunningApplications(windows, processes);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::wstring>{L"Cartoline", L"KPX_Viewer", L"KPX_Viewer"}));
}

TEST_F(RunningApplications, WithAGuidOnlyTheWindowClassCounts) {
    kit::SetString(HKEY_LOCAL_MACHINE, kGuidKey, L"Cartoline", kCartolineGuid);
    std::vector<AppWindowEntry> windows;
    std::vector<AppProcessEntry> processes;
    BuildGuardedApplications(&windows, &processes);

    kit::Process byName = StartAs(folder_, L"Cartoline.exe", L"--class OtherClass");
    EXPECT_EQ(FindRunningApplications(windows, processes), std::vector<std::wstring>{});

    kit::Process byClass = StartAs(folder_, L"helper2.exe", std::wstring(L"--class ") + kCartolineGuid);
    EXPECT_EQ(FindRunningApplications(windows, processes), std::vector<std::wstring>{L"Cartoline"});
}

TEST_F(RunningApplications, ClassNameInOtherLetterCaseIsNotTheApplication) {
    // Class names are atoms: the spelling of the first registration is what every window
    // reports, so this case uses a GUID no other window of the run registers.
    const std::wstring guid = L"{0D4E9B17-6A2C-4F3E-8B5D-1C7A9E2F6B80}";
    kit::SetString(HKEY_LOCAL_MACHINE, kGuidKey, L"qTrack", guid);
    std::wstring lowered = guid;
    for (wchar_t& c : lowered) c = static_cast<wchar_t>(towlower(c));
    kit::Process wrongCase = StartAs(folder_, L"helper1.exe", L"--class " + lowered);
    std::vector<AppWindowEntry> windows;
    std::vector<AppProcessEntry> processes;
    BuildGuardedApplications(&windows, &processes);
    EXPECT_EQ(FindRunningApplications(windows, processes), std::vector<std::wstring>{});
}

TEST_F(RunningApplications, PromptRepeatsUntilClosedOrCancelled) {
    kit::Process viewer = StartAs(folder_, L"KPX_Viewer.exe");
    kit::Process track = StartAs(folder_, L"qTrack.exe");
    {
        kit::MessageBoxAnswerer answerer({IDOK, IDOK, IDOK});
        // The second OK comes after both were closed.
        answerer.beforeAnswer = [&](size_t index) {
            if (index == 1) {
                viewer.Kill();
                track.Kill();
            }
        };
        EXPECT_TRUE(PromptToCloseApplications());
        std::vector<std::wstring> texts = answerer.Texts();
        ASSERT_EQ(texts.size(), 2u);
        const std::wstring expected =
            L"The following applications should be closed before continuing the installation:\nKPX_Viewer\nqTrack";
        EXPECT_EQ(texts[0], expected);
        EXPECT_EQ(texts[1], expected);
        EXPECT_EQ(answerer.Captions()[0], L"running_apps_test");
    }
    kit::Process again = StartAs(folder_, L"TileLoader.exe");
    kit::MessageBoxAnswerer cancel({IDCANCEL});
    EXPECT_FALSE(PromptToCloseApplications());
    ASSERT_EQ(cancel.Texts().size(), 1u);
    EXPECT_EQ(cancel.Texts()[0],
              L"The following applications should be closed before continuing the installation:\nTileLoader");
    EXPECT_TRUE(again.Running());  // nothing is closed by the prompt
}

// A box ended with 0 (a quit request waiting, a box that could not be made) is a Cancel, not
// an OK to ask again.
TEST_F(RunningApplications, PromptAnsweredZeroCountsAsCancel) {
    kit::Process again = StartAs(folder_, L"TileLoader.exe");
    kit::MessageBoxAnswerer answerer({0, IDCANCEL});
    EXPECT_FALSE(PromptToCloseApplications());
    EXPECT_EQ(answerer.Texts().size(), 1u);
    EXPECT_TRUE(again.Running());
}

TEST_F(RunningApplications, PromptReturnsAtOnceWhenNothingRuns) {
    kit::MessageBoxAnswerer answerer({IDCANCEL});
    EXPECT_TRUE(PromptToCloseApplications());
    EXPECT_TRUE(answerer.Texts().empty());
}

// Closing the companion launcher at start-up, by its executable's name.
class CloseProgram : public RunningApplications {
protected:
    ProgramClose Close(const std::wstring& name) { return CloseProgramByName(name); }
};

TEST_F(CloseProgram, ProgramThatClosesOnRequest) {
    kit::Process launcher = StartAs(folder_, L"kStart.exe");
    kit::Process bystander = StartAs(folder_, L"other.exe");
    DWORD start = GetTickCount();
    EXPECT_EQ(Close(L"KSTART.exe"), ProgramClose::Closed);
    EXPECT_LT(GetTickCount() - start, 4000u);
    EXPECT_EQ(launcher.Wait(0), 7u);  // it closed itself on WM_CLOSE
    EXPECT_TRUE(bystander.Running());
}

TEST_F(CloseProgram, ProgramThatIgnoresTheRequestIsTerminated) {
    kit::Process first = StartAs(folder_, L"kStart.exe", L"--ignore-close");
    kit::Process second = StartAs(folder_, L"kStart.exe", L"--ignore-close");
    DWORD start = GetTickCount();
    EXPECT_EQ(Close(L"kStart.exe"), ProgramClose::Closed);
    EXPECT_GE(GetTickCount() - start, 4900u);
    // Only the first instance found is handled; it was terminated with exit code 0.
    int ended = (first.Wait(0) == 0) + (second.Wait(0) == 0);
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(first.Running() != second.Running());
}

// /closeapplications ends every copy of an application: one that closes when asked, one that
// must be ended; the log has a line for each.
TEST_F(RunningApplications, EveryCopyIsClosedOrEnded) {
    kit::Process willing = StartAs(folder_, L"KPX_Viewer.exe");
    kit::Process stubborn = StartAs(folder_, L"KPX_Viewer.exe", L"--ignore-close");
    kit::Process bystander = StartAs(folder_, L"other.exe");
    const std::vector<std::wstring> lines = CloseRunningApplications(kViewer);
    ASSERT_EQ(lines.size(), 2u);
    const std::wstring closed = L"Closing KPX_Viewer.exe: closed (process " + std::to_wstring(willing.id());
    const std::wstring ended = L"Closing KPX_Viewer.exe: ended after 5 seconds (process " + std::to_wstring(stubborn.id());
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [&](const std::wstring& l) { return l.rfind(closed, 0) == 0; }), 1);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [&](const std::wstring& l) { return l.rfind(ended, 0) == 0; }), 1);
    EXPECT_EQ(willing.Wait(0), 7u);  // it closed itself on WM_CLOSE
    EXPECT_FALSE(stubborn.Running());
    EXPECT_TRUE(bystander.Running());
}

TEST_F(CloseProgram, NoSuchProgram) {
    kit::Process bystander = StartAs(folder_, L"other.exe");
    EXPECT_EQ(Close(L"kStart.exe"), ProgramClose::NotRunning);
    Sleep(300);
    EXPECT_TRUE(bystander.Running());
}

// A copy this user may not end (its process allows no one anything) runs on, and the log says so.
TEST_F(CloseProgram, ProgramThatCannotBeOpenedIsReportedRunning) {
    const std::wstring path = folder_ / L"kStart.exe";
    ASSERT_TRUE(kit::CopyTo(kit::BinPath(L"fake_app.exe"), path));
    SECURITY_DESCRIPTOR nobody{};
    InitializeSecurityDescriptor(&nobody, SECURITY_DESCRIPTOR_REVISION);
    ACL emptyList{};
    InitializeAcl(&emptyList, sizeof emptyList, ACL_REVISION);
    SetSecurityDescriptorDacl(&nobody, TRUE, &emptyList, FALSE);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &nobody, FALSE};
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::wstring line = L"\"" + path + L"\" --ignore-close";
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), &attributes, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
    CloseHandle(info.hThread);
    EXPECT_EQ(Close(L"kStart.exe"), ProgramClose::NotClosed);
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    TerminateProcess(info.hProcess, 0);
    WaitForSingleObject(info.hProcess, 5000);
    CloseHandle(info.hProcess);
}

TEST(RunningApplicationsRules, TheLauncherLineSaysWhatHappened) {
    const struct {
        ProgramClose result;
        std::string line;
    } rows[] = {{ProgramClose::Closed, "kStart.exe: closed"},
                {ProgramClose::NotClosed, "kStart.exe: running, could not be closed"},
                {ProgramClose::NotRunning, "kStart.exe: not running"}};
    for (const auto& row : rows) EXPECT_EQ(LauncherLine(row.result), row.line);
}

}  // namespace
