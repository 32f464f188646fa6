// The installation in the setup's own page, watched while it runs: a product package of 2,500
// files takes seconds here. The page keeps answering, its bar only moves forward, the steps
// come in order, nothing else shows; Cancel, the installer's questions and the restart offer, a
// busy installer and /passive.
#include <windows.h>
#include <commctrl.h>
#include <msi.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "framework/strings.h"
#include "resources/resource.h"
#include "tests/pages/page_test_kit.h"

namespace {

constexpr wchar_t kProductCode[] = L"{8A6C1D2E-3F40-4B5C-9D6E-7F8091A2B3C4}";
constexpr wchar_t kTile[] = L"C:\\ExampleMaps\\Tiles\\t02499.dat";
constexpr wchar_t kBusyText[] = L"Another installation is already running.  Wait for it to finish and try again.";

bool Installed() { return MsiQueryProductStateW(kProductCode) == INSTALLSTATE_DEFAULT; }
std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }  // ASCII only

// Each seen in the order given; a step shorter than one look may go unseen.
bool InOrder(const std::vector<std::wstring>& seen, const std::vector<std::wstring>& order) {
    auto at = order.begin();
    for (const std::wstring& text : seen) {
        at = std::find(at, order.end(), text);
        if (at == order.end()) return false;
    }
    return true;
}

// What the installation's page showed while it ran, until its outcome.
struct PageWatch {
    HWND page = nullptr;
    int pings = 0;
    DWORD slowestPingMs = 0;  // a ping not answered within a second counts as one
    std::vector<int> positions;    // the bar's values, as they changed
    std::vector<std::wstring> steps;  // the step texts, as they changed
    std::vector<std::wstring> otherWindows;
    bool cancelShown = false;
    std::wstring outcome, details;
};

// Pings the visible page as another program would, every few milliseconds, and reads its bar and
// step text; every visible top-level window but the setup's page is noted.
PageWatch WatchPage(const kit::Process& setup, const std::function<void(PageWatch&)>& during = nullptr) {
    PageWatch watch;
    const DWORD deadline = GetTickCount() + 240000;
    while (setup.Running() && GetTickCount() < deadline) {
        HWND page = kit::FindProgressPage(setup.id());
        if (!page || !IsWindowVisible(page)) {
            Sleep(5);
            continue;
        }
        watch.page = page;
        const DWORD sent = GetTickCount();
        DWORD_PTR answer = 0;
        const bool answered = SendMessageTimeoutW(page, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &answer);
        watch.slowestPingMs = std::max<DWORD>(watch.slowestPingMs, answered ? GetTickCount() - sent : 1000);
        ++watch.pings;
        DWORD_PTR position = 0;
        SendMessageTimeoutW(GetDlgItem(page, kit::kProgressBar), PBM_GETPOS, 0, 0, SMTO_NORMAL, 1000, &position);
        if (watch.positions.empty() || watch.positions.back() != static_cast<int>(position))
            watch.positions.push_back(static_cast<int>(position));
        // Read until two reads agree: the text may change between its length and its read.
        std::wstring step = kit::ItemText(page, kit::kProgressStep);
        for (std::wstring again; (again = kit::ItemText(page, kit::kProgressStep)) != step;) step = again;
        if (!step.empty() && (watch.steps.empty() || watch.steps.back() != step)) watch.steps.push_back(step);
        watch.cancelShown = watch.cancelShown || IsWindowVisible(GetDlgItem(page, kit::kProgressCancel));
        for (HWND window : kit::TopLevelWindows()) {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (window != page && process != GetCurrentProcessId() && IsWindowVisible(window)) {
                const std::wstring text = kit::TextOf(window);
                if (std::find(watch.otherWindows.begin(), watch.otherWindows.end(), text) == watch.otherWindows.end())
                    watch.otherWindows.push_back(text);
            }
        }
        if (kit::OutcomeShown(page)) {
            watch.outcome = kit::ItemText(page, kit::kProgressStep);
            // The outcome may have come between the step's read above and this one.
            if (watch.steps.empty() || watch.steps.back() != watch.outcome) watch.steps.push_back(watch.outcome);
            watch.details = kit::ItemText(page, kit::kProgressAction);
            break;
        }
        if (during) during(watch);
        Sleep(10);
    }
    return watch;
}

constexpr wchar_t kCancelQuestion[] = L"Cancel the installation?";
constexpr wchar_t kCancelAfterRemovalQuestion[] =
    L"Cancel the installation?\n\nThe earlier version of Example Maps is being removed or has been removed: after a "
    L"cancel no version of it will stay installed.";

// Once the product package is well under way: "Cancel", then the answer to the question.
void CancelWith(const kit::Process& setup, PageWatch& seen, int answer, bool* done,
                const wchar_t* question = kCancelQuestion) {
    if (*done || seen.steps.empty() || seen.steps.back() != L"Installing Example Maps" || seen.positions.back() < 400)
        return;
    *done = true;
    kit::ClickItem(seen.page, kit::kProgressCancel);
    HWND box = kit::WaitForMessageBox(setup.id(), 10000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(kit::MessageBoxText(box), question);
    EXPECT_FALSE(IsWindowEnabled(seen.page));
    kit::PressButton(box, answer);
    kit::WaitUntil([&] { return !IsWindow(box); }, 5000);
    // The keyboard focus stays on something of the page one can see (Cancel is unavailable after Yes).
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    const DWORD thread = GetWindowThreadProcessId(seen.page, nullptr);
    EXPECT_TRUE(kit::WaitUntil([&] {
        return GetGUIThreadInfo(thread, &info) && info.hwndFocus && IsChild(seen.page, info.hwndFocus) &&
               IsWindowVisible(info.hwndFocus) && IsWindowEnabled(info.hwndFocus);
    }, 5000)) << "focus on " << info.hwndFocus;
}

// What the page answers when Windows asks whether the session may end, as another program asks.
LRESULT QueryEndSession(HWND page) {
    DWORD_PTR answer = 0xDEAD;
    SendMessageTimeoutW(page, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 5000, &answer);
    return static_cast<LRESULT>(answer);
}

// Cancel, then No, on the way: the installation goes on, and the page answered meanwhile too.
// Windows may not end the session while the packages run; once the outcome shows it may.
TEST(Watched, PageAnswersBarMovesForwardStepsInOrderNothingElseShows) {
    kit::Process earlier(L"msiexec /i C:\\media\\Setup_ENU_earlier.msi /qn TARGETDIR=C:\\");
    ASSERT_EQ(earlier.Wait(120000), 0u);
    kit::Process setup = pages::StartSetup(pages::Medium(L"tiles"));
    pages::AcceptAndInstall(setup);
    bool asked = false;
    std::vector<LRESULT> endSession;
    PageWatch watch = WatchPage(setup, [&](PageWatch& seen) {
        if (endSession.empty() && !seen.steps.empty() && seen.steps.back() == L"Installing Example Maps")
            endSession.push_back(QueryEndSession(seen.page));
        CancelWith(setup, seen, IDNO, &asked, kCancelAfterRemovalQuestion);
    });
    ASSERT_NE(watch.page, nullptr);
    EXPECT_TRUE(asked);
    EXPECT_EQ(endSession, std::vector<LRESULT>{FALSE});
    EXPECT_NE(QueryEndSession(watch.page), FALSE);
    EXPECT_GT(watch.pings, 50);  // seconds of installation, every one of them answered in time
    EXPECT_LT(watch.slowestPingMs, 1000u);
    EXPECT_TRUE(std::is_sorted(watch.positions.begin(), watch.positions.end()));
    EXPECT_GE(watch.positions.size(), 4u);  // it moved on the way, not only at the end
    EXPECT_EQ(watch.positions.back(), 1000);
    const std::vector<std::wstring> steps = {L"Removing the earlier version", L"Installing the USB drivers",
                                             L"Installing Example Maps", L"Example Maps has been installed."};
    ASSERT_FALSE(watch.steps.empty());
    EXPECT_TRUE(InOrder(watch.steps, steps)) << Narrow(watch.steps.front());
    EXPECT_EQ(watch.steps.back(), L"Example Maps has been installed.");
    EXPECT_TRUE(watch.otherWindows.empty()) << Narrow(watch.otherWindows.front());
    EXPECT_EQ(watch.details, L"Installed on drive C:\\");
    // A screen reader reads the bar as a progress bar with its value.
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    IAccessible* bar = nullptr;
    AccessibleObjectFromWindow(GetDlgItem(watch.page, kit::kProgressBar), OBJID_CLIENT, IID_IAccessible,
                               reinterpret_cast<void**>(&bar));
    ASSERT_NE(bar, nullptr);
    VARIANT self{}, role{};
    self.vt = VT_I4;  // CHILDID_SELF
    BSTR value = nullptr;
    EXPECT_TRUE(bar->get_accRole(self, &role) == S_OK && role.lVal == ROLE_SYSTEM_PROGRESSBAR) << role.lVal;
    EXPECT_TRUE(bar->get_accValue(self, &value) == S_OK && value && std::wstring(value) == L"100%");
    SysFreeString(value);
    bar->Release();
    EXPECT_TRUE(Installed());
    EXPECT_TRUE(kit::FileExists(kTile));
    EXPECT_EQ(pages::FinishInstallation(setup), 0u);
}

// Cancel, then Yes: the installer gets the answer at its next message. The outcome says what the
// installer made of it: cancelled and rolled back, with nothing of the product left, or installed
// when the package ended first. (Wine's installer takes a cancel only at custom actions, which
// this package has none of.)
TEST(Cancel, YesReachesTheInstallerAndTheOutcomeTellsTheTruth) {
    kit::Process setup = pages::StartSetup(pages::Medium(L"tiles"));
    pages::AcceptAndInstall(setup);
    bool asked = false;
    PageWatch watch = WatchPage(setup, [&](PageWatch& seen) { CancelWith(setup, seen, IDYES, &asked); });
    ASSERT_NE(watch.page, nullptr);
    EXPECT_TRUE(asked);
    EXPECT_EQ(Installed(), watch.outcome == L"Example Maps has been installed.") << Narrow(watch.outcome);
    EXPECT_EQ(kit::FileExists(kTile), Installed());
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(watch.page, kit::kProgressCancel)));
    EXPECT_EQ(pages::FinishInstallation(setup), 0u);
}

// Windows Installer became busy while the license was read: message 140 before anything is
// closed or removed; the earlier build stays.
TEST(Busy, InstallerTakenAfterTheChecksStopsBeforeAnyChange) {
    kit::Process earlier(L"msiexec /i C:\\media\\Setup_ENU_earlier.msi /qn TARGETDIR=C:\\");
    ASSERT_EQ(earlier.Wait(120000), 0u);
    kit::Process setup = pages::StartSetup(pages::Medium(L"full"));
    HWND license = pages::OpenLicensePage(setup);
    ASSERT_NE(license, nullptr);
    ASSERT_TRUE(pages::AcceptBothLicenses(license));
    HANDLE busy = CreateMutexW(nullptr, TRUE, L"Global\\_MSIExecute");
    ASSERT_NE(busy, nullptr);
    kit::ClickItem(license, kit::kLicenseNextItem);
    HWND box = kit::WaitForMessageBox(setup.id(), 30000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(kit::MessageBoxText(box), kBusyText);
    EXPECT_TRUE(kit::FileExists(L"C:\\ExampleMaps\\EarlierBuild.txt"));
    kit::PressButton(box, IDOK);
    EXPECT_EQ(setup.Wait(30000), 0u);
    CloseHandle(busy);
    EXPECT_TRUE(Installed());
    EXPECT_TRUE(kit::FileExists(L"C:\\ExampleMaps\\EarlierBuild.txt"));
    EXPECT_FALSE(kit::FileExists(kTile));
}

// A question of the installer (the package's custom action asks Yes or No as an error message)
// comes as the setup's own box over the page, with the installer's text and buttons; the answer
// goes back (on anything but Yes the custom action cancels the package). The package then asks
// for a restart: none comes during the installation, the outcome offers it, and "Later" ends the
// setup with Windows left running.
TEST(Question, InstallersQuestionInTheSetupsBoxThenTheRestartOffer) {
    kit::Process setup = pages::StartSetup(pages::Medium(L"ask"));
    pages::AcceptAndInstall(setup);
    HWND box = kit::WaitForMessageBox(setup.id(), 60000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(kit::MessageBoxText(box), L"Example Maps needs an answer: go on with the installation?");
    EXPECT_EQ(kit::TextOf(box), L"setup");
    EXPECT_TRUE(GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO));
    EXPECT_EQ(GetWindow(box, GW_OWNER), kit::FindProgressPage(setup.id()));
    kit::PressButton(box, IDYES);
    PageWatch watch = WatchPage(setup);
    ASSERT_NE(watch.page, nullptr);
    EXPECT_EQ(watch.outcome, L"Example Maps has been installed.");
    EXPECT_NE(watch.details.find(L"Restart Windows to finish the installation."), std::wstring::npos);
    EXPECT_TRUE(watch.otherWindows.empty()) << Narrow(watch.otherWindows.front());
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(watch.page, kit::kProgressRestart)));
    EXPECT_EQ(kit::ItemText(watch.page, kit::kProgressRestart), L"Restart now");
    EXPECT_EQ(kit::ItemText(watch.page, kit::kProgressFinish), L"Later");
    EXPECT_TRUE(Installed());
    EXPECT_EQ(pages::FinishInstallation(setup), 0u);
}

// Cancel while the earlier build is being removed: the question says what it means, the setup
// stops once the removal has ended, and the outcome says that no version stays installed. The
// earlier build is the 2,500-file one, which takes seconds to remove.
TEST(CancelAfterRemoval, QuestionAndOutcomeSayNoVersionStays) {
    kit::Process earlier(L"msiexec /i C:\\media\\tiles\\Setup_ENU.msi /qn TARGETDIR=C:\\");
    ASSERT_EQ(earlier.Wait(180000), 0u);
    ASSERT_TRUE(kit::FileExists(kTile));
    kit::Process setup = pages::StartSetup(pages::Medium(L"full"));
    pages::AcceptAndInstall(setup);
    bool asked = false;
    PageWatch watch = WatchPage(setup, [&](PageWatch& seen) {
        if (asked || seen.steps.empty() || seen.steps.back() != L"Removing the earlier version") return;
        asked = true;
        kit::ClickItem(seen.page, kit::kProgressCancel);
        HWND box = kit::WaitForMessageBox(setup.id(), 10000);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(kit::MessageBoxText(box), kCancelAfterRemovalQuestion);
        kit::PressButton(box, IDYES);
    });
    ASSERT_TRUE(asked);
    EXPECT_EQ(watch.outcome, L"The installation was cancelled.");
    EXPECT_EQ(watch.details,
              L"The earlier version of Example Maps has been removed; run the setup again to install Example Maps.");
    EXPECT_FALSE(Installed());
    EXPECT_FALSE(kit::FileExists(kTile));
    EXPECT_FALSE(kit::FileExists(L"C:\\ExampleMaps\\maps.dat"));
    EXPECT_EQ(pages::FinishInstallation(setup), 0u);
}

// A token without the shutdown privilege: "Restart now" cannot restart Windows, and a box says so.
TEST(RestartRefused, BoxSaysWindowsMustStillRestart) {
    HANDLE token = nullptr;
    HANDLE restricted = nullptr;
    LUID_AND_ATTRIBUTES shutdown{};
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &token));
    ASSERT_TRUE(LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &shutdown.Luid));
    ASSERT_TRUE(CreateRestrictedToken(token, 0, 0, nullptr, 1, &shutdown, 0, nullptr, &restricted));
    CloseHandle(token);
    kit::Process setup = pages::StartSetup(pages::Medium(L"reboot"), restricted);
    pages::AcceptAndInstall(setup);
    HWND page = pages::WaitForOutcome(setup);
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(IsWindowVisible(GetDlgItem(page, kit::kProgressRestart)));
    kit::ClickItem(page, kit::kProgressRestart);
    HWND box = kit::WaitForMessageBox(setup.id(), 10000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(kit::MessageBoxText(box), L"Windows could not be restarted. Restart Windows yourself to finish the installation.");
    kit::PressButton(box, IDOK);
    EXPECT_EQ(setup.Wait(30000), 0u);
    CloseHandle(restricted);
}

// The setup's boxes that show now: dialogs with an owner (the pages have none).
std::vector<HWND> ShownBoxes(const kit::Process& setup) {
    std::vector<HWND> boxes;
    for (HWND window : kit::TopLevelWindows(setup.id()))
        if (IsWindowVisible(window) && kit::ClassOf(window) == L"#32770" && GetWindow(window, GW_OWNER))
            boxes.push_back(window);
    return boxes;
}

// One box at a time: the installer's question comes while "Cancel the installation?" is open; it
// waits, and shows once that is answered.
TEST(OneBox, InstallersQuestionWaitsForTheCancelQuestion) {
    kit::MakeFolders(L"C:\\logs");
    HANDLE gate = CreateEventW(nullptr, TRUE, FALSE, L"KorvelTestAskGate");  // holds the package's question
    ASSERT_NE(gate, nullptr);
    kit::Process setup(L"\"" + pages::Medium(L"ask") + L"setup.exe\" /log C:\\logs\\onebox.log", pages::Medium(L"ask"));
    pages::AcceptAndInstall(setup);
    HWND page = nullptr;
    ASSERT_TRUE(kit::WaitUntil([&] { return (page = kit::FindProgressPage(setup.id())) && IsWindowVisible(page); }, 60000));
    kit::ClickItem(page, kit::kProgressCancel);
    HWND confirm = kit::WaitForMessageBox(setup.id(), 10000);
    ASSERT_NE(confirm, nullptr);
    EXPECT_EQ(kit::MessageBoxText(confirm), kCancelQuestion);
    SetEvent(gate);
    // The handler has the installer's question (it logs it before asking), and shows no box of it.
    ASSERT_TRUE(kit::WaitUntil([] {
        return kit::ReadBytes(L"C:\\logs\\onebox.log").find("Windows Installer error: Example Maps needs an answer") !=
               std::string::npos;
    }, 60000));
    EXPECT_EQ(ShownBoxes(setup), std::vector<HWND>{confirm});
    kit::PressButton(confirm, IDNO);
    HWND question = nullptr;
    ASSERT_TRUE(kit::WaitUntil([&] {
        const std::vector<HWND> boxes = ShownBoxes(setup);
        question = boxes.size() == 1 && boxes[0] != confirm ? boxes[0] : nullptr;
        return question != nullptr;
    }, 10000));
    EXPECT_EQ(kit::MessageBoxText(question), L"Example Maps needs an answer: go on with the installation?");
    kit::PressButton(question, IDYES);
    std::wstring headline;
    EXPECT_EQ(pages::FinishInstallation(setup, &headline), 0u);
    EXPECT_EQ(headline, L"Example Maps has been installed.");
    CloseHandle(gate);
}

// /passive: the installation's page alone, with no Cancel, ending by itself; the removal by
// /uninstall /passive likewise.
TEST(Passive, ProgressPageAloneEndsByItself) {
    kit::Process setup(L"\"" + pages::Medium(L"tiles") + L"setup.exe\" /passive /norestart", pages::Medium(L"tiles"));
    PageWatch watch = WatchPage(setup);
    ASSERT_NE(watch.page, nullptr);
    EXPECT_GT(watch.pings, 50);
    EXPECT_FALSE(watch.cancelShown);
    EXPECT_TRUE(watch.otherWindows.empty()) << Narrow(watch.otherWindows.front());
    ASSERT_FALSE(watch.steps.empty());
    EXPECT_EQ(watch.steps.back(), L"Installing Example Maps");
    EXPECT_EQ(setup.Wait(60000), 0u);
    EXPECT_TRUE(Installed());

    // /uninstall /passive: the same page, removing the product, with no Cancel and no window of
    // the installer's own.
    kit::Process removal(L"\"" + pages::Medium(L"tiles") + L"setup.exe\" /uninstall /passive",
                         pages::Medium(L"tiles"));
    PageWatch removing = WatchPage(removal);
    ASSERT_NE(removing.page, nullptr);
    EXPECT_FALSE(removing.cancelShown);
    EXPECT_TRUE(removing.otherWindows.empty()) << Narrow(removing.otherWindows.front());
    ASSERT_FALSE(removing.steps.empty());
    EXPECT_EQ(removing.steps.back(), L"Removing Example Maps");
    EXPECT_EQ(removal.Wait(60000), 0u);
    EXPECT_FALSE(Installed());
    EXPECT_FALSE(kit::FileExists(kTile));
}

// setup.exe of the medium, started under this thread's debugging until the second thread of its
// own code is made (the first closes the launcher, the second checks the medium): that thread is
// held before it runs, and the setup goes on undebugged. Null when no such thread came.
HANDLE StartWithMediumCheckHeld(const std::wstring& medium, kit::Process* setup) {
    *setup = kit::Process(L"\"" + medium + L"setup.exe\"", medium, nullptr, L"", DEBUG_ONLY_THIS_PROCESS);
    HANDLE held = nullptr;
    uintptr_t image = 0;
    int ownThreads = 0;
    DEBUG_EVENT event{};
    for (bool ended = false; !held && !ended && WaitForDebugEvent(&event, 60000);) {
        DWORD status = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT:
            image = reinterpret_cast<uintptr_t>(event.u.CreateProcessInfo.lpBaseOfImage);
            if (event.u.CreateProcessInfo.hFile) CloseHandle(event.u.CreateProcessInfo.hFile);
            break;
        case LOAD_DLL_DEBUG_EVENT:
            if (event.u.LoadDll.hFile) CloseHandle(event.u.LoadDll.hFile);
            break;
        case CREATE_THREAD_DEBUG_EVENT: {
            // setup.exe is far smaller than a mebibyte.
            const auto start = reinterpret_cast<uintptr_t>(event.u.CreateThread.lpStartAddress);
            if (start >= image && start - image < (1u << 20) && ++ownThreads == 2) {
                held = OpenThread(THREAD_SUSPEND_RESUME, FALSE, event.dwThreadId);
                if (held) SuspendThread(held);
            }
            break;
        }
        case EXCEPTION_DEBUG_EVENT:
            if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) status = DBG_EXCEPTION_NOT_HANDLED;
            break;
        case EXIT_PROCESS_DEBUG_EVENT: ended = true; break;
        default: break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    }
    DebugSetProcessKillOnExit(FALSE);
    DebugActiveProcessStop(setup->id());
    return held;
}

// A text as the medium's setup.exe holds it in its own (English) table.
std::wstring SetupText(UINT id) {
    HMODULE setup = LoadLibraryExW(L"C:\\media\\full\\setup.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    std::wstring text = fw::LoadStringFrom(setup, id);
    if (setup) FreeLibrary(setup);
    return text;
}

// Next while the medium is still being read: the installation's page shows the check with its
// own bar and Cancel and keeps answering; Cancel ends the setup with nothing changed. In test
// mode, where a question at Next decides the drivers, their package is read after the answer.
TEST(MediumCheck, PageShowsTheCheckAndItsCancelChangesNothing) {
    kit::Process earlier(L"msiexec /i C:\\media\\Setup_ENU_earlier.msi /qn TARGETDIR=C:\\");
    ASSERT_EQ(earlier.Wait(120000), 0u);
    kit::Process setup;
    const HANDLE held = StartWithMediumCheckHeld(pages::Medium(L"full"), &setup);
    ASSERT_NE(held, nullptr);
    pages::AcceptAndInstall(setup);
    bool cancelled = false;
    std::wstring told;
    const PageWatch watch = WatchPage(setup, [&](PageWatch& seen) {
        if (cancelled || seen.pings < 20) return;  // the page answers while the run waits
        cancelled = true;
        const std::wstring checking = SetupText(IDS_STEP_CHECKING_MEDIUM);
        EXPECT_FALSE(checking.empty());
        EXPECT_EQ(seen.steps, std::vector<std::wstring>{checking});
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(seen.page, kit::kProgressBar)));
        kit::ClickItem(seen.page, kit::kProgressCancel);
        ResumeThread(held);
        HWND box = kit::WaitForMessageBox(setup.id(), 30000);
        ASSERT_NE(box, nullptr);
        told = kit::MessageBoxText(box);
        kit::PressButton(box, IDOK);
    });
    CloseHandle(held);
    EXPECT_TRUE(cancelled);
    EXPECT_LT(watch.slowestPingMs, 1000u);
    EXPECT_EQ(told, SetupText(IDS_CANCELLED_NOTHING_CHANGED));
    EXPECT_NE(told.find(L"cancelled"), std::wstring::npos);
    EXPECT_EQ(setup.Wait(30000), 0u);
    EXPECT_TRUE(Installed());
    EXPECT_TRUE(kit::FileExists(L"C:\\ExampleMaps\\EarlierBuild.txt"));
    EXPECT_FALSE(kit::KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Korvel\\Cartoline"));

    kit::CreateKey(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Korvel\\TestModeKey");
    kit::Process asked = pages::StartSetup(pages::Medium(L"brokendrivers"));
    pages::AcceptAndInstall(asked);
    HWND question = kit::WaitForMessageBox(asked.id(), 30000);
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(kit::MessageBoxText(question), L"Are USB drivers at \\USB_Drivers current?");
    kit::PressButton(question, IDNO);
    ASSERT_TRUE(kit::WaitUntil([&] { return !IsWindow(question); }, 5000));
    HWND box = kit::WaitForMessageBox(asked.id(), 30000);
    kit::DeleteKeyTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Korvel\\TestModeKey");
    ASSERT_NE(box, nullptr);
    const std::wstring usb = kit::Is64BitPrefix() ? L"64" : L"32";
    EXPECT_EQ(kit::MessageBoxText(box), L"C:\\media\\brokendrivers\\USB_Drivers\\USB_" + usb +
                                            L".msi is damaged or is not a Windows Installer package. Nothing was "
                                            L"changed on this computer.");
    kit::PressButton(box, IDOK);
    EXPECT_EQ(asked.Wait(30000), 0u);
    EXPECT_TRUE(kit::FileExists(L"C:\\ExampleMaps\\EarlierBuild.txt"));
}

}  // namespace
