#include "framework/app.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/control.h"
#include "framework/dialog.h"
#include "framework/file.h"
#include "framework/input_method.h"
#include "framework/strings.h"
#include "framework/thread.h"
#include "framework/wait_cursor.h"
#include "tests/kit/kit.h"
#include "tests/kit/window_kit.h"

namespace {

TEST(SatelliteLibraryPath, IsTheExecutableWithoutExtensionPlusTheLanguage) {
    struct Row {
        const wchar_t* exe;
        const wchar_t* language;
        const wchar_t* path;
    } rows[] = {
        {L"D:\\setup.exe", L"DEU", L"D:\\setupDEU.dll"},
        {L"C:\\Medium\\Setup.EXE", L"ENU", L"C:\\Medium\\SetupENU.dll"},
        {L"C:\\a.b\\setup", L"FRA", L"C:\\a.b\\setupFRA.dll"},
        {L"C:\\x\\my.setup.exe", L"NLD", L"C:\\x\\my.setupNLD.dll"},
        {L"\\\\server\\share\\setup.exe", L"ITA", L"\\\\server\\share\\setupITA.dll"},
    };
    for (const Row& row : rows) EXPECT_EQ(fw::SatelliteLibraryPath(row.exe, row.language), row.path) << row.exe;
}

// The host program copied under a name of our own, with the given files beside it.
struct Host {
    kit::TempFolder folder;
    std::wstring exe;
    explicit Host(const std::wstring& name = L"probe.exe") : exe(folder / name) {
        kit::CopyTo(kit::BinPath(L"fw_app_host.exe"), exe);
    }
    kit::Process Run(const std::wstring& arguments) const {
        return kit::Process(L"\"" + exe + L"\" " + arguments, folder.path());
    }
};

std::wstring ReadUtf16(const std::wstring& path) {
    std::string bytes = kit::ReadBytes(path);
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
}

// The head of a file: at most the limit, however long the file; its whole size beside it.
TEST(ReadFileHead, ReadsUpToItsLimitAndTellsTheWholeSize) {
    kit::TempFolder folder;
    const std::string content(5000, 'k');
    kit::WriteBytes(folder / L"five.bin", content);
    const struct {
        size_t limit;
        size_t read;
    } rows[] = {{4096, 4096}, {4999, 4999}, {5000, 5000}, {65536, 5000}, {0, 0}};
    for (const auto& row : rows) {
        std::vector<uint8_t> bytes(3, 1);
        uint64_t size = 0;
        EXPECT_EQ(fw::ReadFileHead(folder / L"five.bin", row.limit, &bytes, &size), 0u) << row.limit;
        EXPECT_EQ(bytes.size(), row.read) << row.limit;
        EXPECT_EQ(std::count(bytes.begin(), bytes.end(), 'k'), static_cast<long>(row.read)) << row.limit;
        EXPECT_EQ(size, 5000u) << row.limit;
    }
    std::vector<uint8_t> bytes(3, 1);
    uint64_t size = 7;
    EXPECT_EQ(fw::ReadFileHead(folder / L"absent.bin", 4096, &bytes, &size), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(size, 0u);
}

TEST(PathParts, FolderKeepsItsSeparatorAndTheNameFollowsIt) {
    struct Row {
        const wchar_t* path;
        const wchar_t* folder;
        const wchar_t* name;
        const wchar_t* extension;
    } rows[] = {
        {L"D:\\setup.exe", L"D:\\", L"setup.exe", L".exe"},
        {L"C:\\Program Files\\Medium v2.1\\setup.exe", L"C:\\Program Files\\Medium v2.1\\", L"setup.exe", L".exe"},
        {L"\\\\server\\share.v2\\dir/setup", L"\\\\server\\share.v2\\dir/", L"setup", L""},
        {L"D:setup.exe", L"D:", L"setup.exe", L".exe"},
        {L"run.1.log", L"", L"run.1.log", L".log"},
        {L"C:\\dir.d\\", L"C:\\dir.d\\", L"", L""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(fw::FolderOfPath(row.path), row.folder) << row.path;
        EXPECT_EQ(fw::FileNameOfPath(row.path), row.name) << row.path;
        EXPECT_EQ(fw::ExtensionOfPath(row.path), row.extension) << row.path;
    }
    // A folder deeper than the old 256-unit directory limit still gives the program folder.
    const std::wstring deep = L"C:\\" + std::wstring(300, L'd') + L"\\";
    EXPECT_EQ(fw::FolderOfPath(deep + L"setup.exe"), deep);
}

TEST(Format, TextsOfEveryLengthAroundTheBufferSteps) {
    // The buffer grows by doubling from 256 units: lengths at and beside each step.
    for (size_t length : {0u, 1u, 255u, 256u, 257u, 511u, 512u, 513u, 5000u}) {
        const std::wstring text(length, L'x');
        EXPECT_EQ(fw::Format(L"%s", text.c_str()), text) << length;
        EXPECT_EQ(fw::Format(L"<%s|%d|%I64u>", text.c_str(), -7, 12345678901234ull), L"<" + text + L"|-7|12345678901234>")
            << length;
        // An ASCII format takes the wide format's arguments: "%s" wide, "%hs" narrow.
        EXPECT_EQ(fw::Format("<%s|%hs|%I64u>", text.c_str(), "narrow", 12345678901234ull),
                  L"<" + text + L"|narrow|12345678901234>")
            << length;
    }
    EXPECT_EQ(fw::Widen("Setup \"%s\" 100%"), L"Setup \"%s\" 100%");
    EXPECT_EQ(fw::Widen(""), L"");
}

TEST(Satellite, ResourcesComeFromTheLibraryOfTheUsersLanguage) {
    ASSERT_EQ(fw::UserLanguageAbbreviation(), L"ENU") << "the prefix's UI language";
    struct Row {
        const char* what;
        const wchar_t* source;  // in the test folder; null: garbage bytes
        const wchar_t* name;    // beside the host, or null for none
        const wchar_t* expected;
        bool markerExpected;
    } rows[] = {
        {"no satellite", nullptr, nullptr, L"String of the executable\nDialog of the executable", false},
        {"satellite of the user's language", L"fw_satellite.dll", L"probeENU.dll",
         L"String of the satellite\nDialog of the satellite", false},
        {"satellite of another language only", L"fw_satellite.dll", L"probeDEU.dll",
         L"String of the executable\nDialog of the executable", false},
        {"a file that is no library", nullptr, L"probeENU.dll", L"String of the executable\nDialog of the executable",
         false},
        // A library with an entry point, code and imports is no resource-only satellite: not used.
        {"satellite with code, never run", L"fw_active_satellite.dll", L"probeENU.dll",
         L"String of the executable\nDialog of the executable", false},
    };
    for (const Row& row : rows) {
        Host host;
        if (row.name) {
            if (row.source)
                ASSERT_TRUE(kit::CopyTo(kit::BinPath(row.source), host.folder / row.name)) << row.what;
            else
                kit::WriteBytes(host.folder / row.name, "MZ but nothing more");
        }
        kit::Process process = host.Run(L"strings \"" + (host.folder / L"out.txt") + L"\"");
        EXPECT_EQ(process.Wait(), 5u) << row.what;
        EXPECT_EQ(ReadUtf16(host.folder / L"out.txt"), row.expected) << row.what;
        EXPECT_EQ(kit::FileExists(host.folder / L"dllmain-ran.txt"), row.markerExpected) << row.what;
    }
}

// The satellite on the medium is read once into memory: its strings are in use while the file
// beside the program is deleted, and the start-up wrote no copy of it to the temporary folder.
TEST(Satellite, ReadOnceAndNeverCopied) {
    Host host;
    ASSERT_TRUE(kit::CopyTo(kit::BinPath(L"fw_satellite.dll"), host.folder / L"probeENU.dll"));
    EXPECT_EQ(host.Run(L"satellite").Wait(), 6u);
    EXPECT_FALSE(kit::FileExists(host.folder / L"probeENU.dll"));
}

TEST(Application, ExitCodeIsTheQuitMessagesAndStartUpSetsTheErrorMode) {
    Host host;
    struct Row {
        const wchar_t* arguments;
        DWORD exitCode;
    } rows[] = {
        {L"quit 0", 0},
        {L"quit 7", 7},
        {L"quit 1605", 1605},
        {L"refuse", 0},
        {L"errormode", SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX},
    };
    for (const Row& row : rows) {
        kit::Process process = host.Run(row.arguments);
        EXPECT_EQ(process.Wait(), row.exitCode) << row.arguments;
    }
}

TEST(FileError, ReportsTheFullPathInTheApplicationsMessageBox) {
    Host host(L"Probe Setup.exe");
    kit::MakeFolders(host.folder / L"present");
    struct Row {
        const char* what;
        std::wstring argument;
        std::wstring text;
    } rows[] = {
        {"missing file", host.folder / L"missing.txt", host.folder / L"missing.txt was not found."},
        {"missing folder", host.folder / L"absent\\x.txt", host.folder / L"absent\\x.txt contains an incorrect path."},
        {"relative name, full path shown", L"present\\gone.txt", host.folder / L"present\\gone.txt was not found."},
    };
    for (const Row& row : rows) {
        kit::Process process = host.Run(L"report \"" + row.argument + L"\"");
        HWND box = kit::WaitForMessageBox(process.id());
        ASSERT_NE(box, nullptr) << row.what;
        EXPECT_EQ(kit::MessageBoxText(box), row.text) << row.what;
        EXPECT_EQ(kit::TextOf(box), L"Probe Setup") << row.what;
        kit::PressButton(box, IDOK);
        EXPECT_EQ(process.Wait(), static_cast<DWORD>(IDOK)) << row.what;
    }
}

TEST(WaitCursor, NestsAndPutsTheArrowBackAtTheEnd) {
    HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
    HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    SetCursor(arrow);
    fw::BeginWaitCursor();
    EXPECT_EQ(GetCursor(), wait);
    {
        fw::WaitCursor inner;
        EXPECT_EQ(GetCursor(), wait);
    }
    EXPECT_EQ(GetCursor(), wait) << "the outer wait still runs";
    fw::EndWaitCursor();
    EXPECT_EQ(GetCursor(), arrow);
    SetCursor(wait);
    fw::EndWaitCursor();  // one end too many changes nothing
    EXPECT_EQ(GetCursor(), wait);
}

BOOL CALLBACK NoteInputMethodWindow(HWND window, LPARAM found) {
    if (kit::ClassOf(window) == L"IME") *reinterpret_cast<bool*>(found) = true;
    return TRUE;
}

// A fresh thread's first window, after turning the input method off or not: whether the thread
// got an input method window for it.
bool ThreadGetsInputMethod(bool turnOff) {
    bool got = false;
    fw::UniqueHandle thread = fw::StartThread([&] {
        if (turnOff) fw::TurnOffInputMethodForThisThread();
        HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        EnumThreadWindows(GetCurrentThreadId(), NoteInputMethodWindow, reinterpret_cast<LPARAM>(&got));
        DestroyWindow(window);
    });
    WaitForSingleObject(thread.get(), INFINITE);
    return got;
}

TEST(InputMethod, OffForTheThreadThatTurnsItOffAlone) {
    EXPECT_FALSE(ThreadGetsInputMethod(true));
    // Another thread of the process, as Windows Installer's dialogs on the installation's one.
    EXPECT_TRUE(ThreadGetsInputMethod(false));
}

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) ++*reinterpret_cast<int*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(MessageLoop, DispatchesUntilTheQuitMessageAndGivesItsCode) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = CountingProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"fwLoopProbe";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, L"fwLoopProbe", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    int count = 0;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&count));
    for (int code : {0, 3, 259}) {
        count = 0;
        PostMessageW(window, WM_APP, 0, 0);
        PostMessageW(window, WM_APP, 0, 0);
        PostQuitMessage(code);
        EXPECT_EQ(fw::RunMessageLoop(), code);
        EXPECT_EQ(count, 2) << "messages posted before the quit are dispatched";
    }
    DestroyWindow(window);
}

class ProbeDialog : public fw::Dialog {
public:
    ProbeDialog() : fw::Dialog(210) {}
    fw::Edit first, second;
    fw::Button go;
    std::vector<std::pair<UINT, UINT>> commands;
    int oks = 0, cancels = 0;
    bool attachedFirst = false, attachedAgain = true, attachedMissing = true;

protected:
    void DoDataExchange(fw::DataExchange& exchange) override {
        attachedFirst = exchange.Attach(310, first);
        exchange.Attach(311, second);
        exchange.Attach(312, go);
        attachedAgain = exchange.Attach(310, second);  // taken already
        fw::Static nothing;
        attachedMissing = exchange.Attach(999, nothing);
    }
    void OnOK() override { ++oks; }
    void OnCancel() override { ++cancels; }
    bool OnCommand(UINT id, UINT code) override {
        commands.emplace_back(id, code);
        return true;
    }
};

TEST(Dialog, AttachesControlsAndRoutesCommands) {
    ProbeDialog dialog;
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(fw::Dialog::FromHandle(dialog.hwnd()), &dialog);
    EXPECT_TRUE(dialog.attachedFirst);
    EXPECT_FALSE(dialog.attachedAgain) << "an item has one wrapper";
    EXPECT_FALSE(dialog.attachedMissing);
    EXPECT_EQ(fw::Control::FromHandle(GetDlgItem(dialog.hwnd(), 310)), &dialog.first);
    EXPECT_EQ(fw::Control::FromHandle(GetDlgItem(dialog.hwnd(), 313)), nullptr);

    dialog.Show(SW_SHOW);
    kit::Activate(dialog.hwnd());
    SendMessageW(dialog.go.hwnd(), BM_CLICK, 0, 0);
    SendMessageW(dialog.hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    SendMessageW(dialog.hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    SendMessageW(dialog.hwnd(), WM_CLOSE, 0, 0);
    // The button's click, besides the edit boxes' focus notifications; never OK or Cancel.
    int clicks = 0;
    for (const auto& [id, code] : dialog.commands) {
        EXPECT_NE(id, static_cast<UINT>(IDOK));
        EXPECT_NE(id, static_cast<UINT>(IDCANCEL));
        if (id == 312 && code == BN_CLICKED) ++clicks;
    }
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(dialog.oks, 1);
    EXPECT_EQ(dialog.cancels, 2) << "Cancel and the close request";

    // Tab goes through the message loop's dialog navigation to the next tab stop.
    SetFocus(dialog.first.hwnd());
    kit::Pump(50);
    kit::KeyPress(VK_TAB);
    EXPECT_TRUE(kit::PumpUntil([&] { return GetFocus() == dialog.second.hwnd(); }, 3000)) << "Tab reaches the text box";
}

TEST(Control, DetachingGivesTheWindowItsOwnProcedureBack) {
    ProbeDialog dialog;
    ASSERT_TRUE(dialog.Create());
    HWND edit = dialog.first.hwnd();
    WNDPROC subclassed = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(edit, GWLP_WNDPROC));
    dialog.first.Detach();
    EXPECT_NE(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(edit, GWLP_WNDPROC)), subclassed);
    EXPECT_EQ(fw::Control::FromHandle(edit), nullptr);
    SetWindowTextW(edit, L"still works");
    EXPECT_EQ(kit::TextOf(edit), L"still works");
    // A wrapper that goes first leaves a working window behind.
    {
        fw::Edit temporary;
        ASSERT_TRUE(temporary.Attach(edit));
        temporary.SetText(L"through the wrapper");
    }
    EXPECT_EQ(kit::TextOf(edit), L"through the wrapper");
    SetWindowTextW(edit, L"after the wrapper");
    EXPECT_EQ(kit::TextOf(edit), L"after the wrapper");
    dialog.DestroyWindow();
    EXPECT_EQ(dialog.hwnd(), nullptr);
    EXPECT_EQ(dialog.second.hwnd(), nullptr) << "destroying the window detaches its wrappers";
}

}  // namespace
