// setup.exe run as deployment tools run it: switches, no one at the screen, real media and
// packages. The full exit code (read here, not through a shell), the setup log and the screen,
// watched while the setup runs, tell what happened.
#include <windows.h>
#include <msi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "framework/strings.h"
#include "resources/resource.h"
#include "tests/kit/key_security.h"
#include "tests/kit/kit.h"

namespace {

constexpr wchar_t kProductCode[] = L"{8A6C1D2E-3F40-4B5C-9D6E-7F8091A2B3C4}";
constexpr wchar_t kUsb32Code[] = L"{3C5E7A91-2B4D-4F6E-8A0C-1D3F5B7E9A24}";
constexpr wchar_t kUsb64Code[] = L"{4D6F8B02-3C5E-4A7F-9B1D-2E4A6C8E0F35}";
constexpr wchar_t kInstallerMutex[] = L"Global\\_MSISETUP_{2956EBA1-9B5A-4679-8618-357136DA66CA}";
constexpr wchar_t kNetworkKey[] = L"SOFTWARE\\Korvel\\Cartoline (Network)";
constexpr wchar_t kEarlierMarker[] = L"C:\\ExampleMaps\\EarlierBuild.txt";

std::wstring Medium(const std::wstring& name) { return L"C:\\media\\" + name + L"\\"; }
bool Installed(const wchar_t* code) { return MsiQueryProductStateW(code) == INSTALLSTATE_DEFAULT; }
bool Unknown(const wchar_t* code) { return MsiQueryProductStateW(code) == INSTALLSTATE_UNKNOWN; }
const wchar_t* UsbCode() { return kit::Is64BitPrefix() ? kUsb64Code : kUsb32Code; }
std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }  // ASCII only

// A text as the setup on the medium shows it: from the medium's satellite library for this
// user's language when there is one, else from the English table.
std::wstring ShownText(const std::wstring& medium, UINT id) {
    wchar_t language[16] = {};
    GetLocaleInfoW(MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT), LOCALE_SABBREVLANGNAME, language, 16);
    HMODULE satellite = LoadLibraryExW((medium + L"setup" + language + L".dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    std::wstring text = fw::LoadStringFrom(satellite ? satellite : GetModuleHandleW(nullptr), id);
    if (satellite) FreeLibrary(satellite);
    return text;
}

struct Watched {
    DWORD exitCode = STILL_ACTIVE;
    std::vector<std::string> shown;  // windows that became visible while it ran
};

// Starts setup.exe from the medium with the switches and watches every top-level window of
// every process but this test until the setup has ended.
Watched RunWatched(const std::wstring& medium, const std::wstring& switches, HANDLE token = nullptr) {
    std::set<HWND> before;
    for (HWND window : kit::TopLevelWindows())
        if (IsWindowVisible(window)) before.insert(window);
    kit::Process setup(L"\"" + medium + L"setup.exe\" " + switches, medium, token);
    Watched run;
    if (!setup.started()) return run;
    const DWORD start = GetTickCount();
    for (;;) {
        const bool ended = !setup.Running();  // one more look after the end
        for (HWND window : kit::TopLevelWindows()) {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process == GetCurrentProcessId() || !IsWindowVisible(window) || !before.insert(window).second) continue;
            wchar_t text[128] = {};
            GetWindowTextW(window, text, 128);
            run.shown.push_back(Narrow(kit::ClassOf(window)) + " \"" + Narrow(text) + "\" of process " +
                                std::to_string(process));
        }
        if (ended || GetTickCount() - start > 240000) break;
        Sleep(2);
    }
    run.exitCode = setup.Wait(0);
    return run;
}

// The day's default log in the temporary folder, named after the medium's product.
std::wstring DefaultLog() {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    SYSTEMTIME today{};
    GetLocalTime(&today);
    wchar_t name[64];
    swprintf(name, 64, L"Example Maps Setup %04u-%02u-%02u.log", today.wYear, today.wMonth, today.wDay);
    return std::wstring(temp) + name;
}

// Each event is one line after the time stamp and process id.
bool LogHas(const std::string& log, const std::string& line) { return log.find("] " + line + "\r\n") != std::string::npos; }

// The events appear in this order, each line beginning with its text.
void ExpectStepsInOrder(const std::string& log, const std::vector<std::string>& steps) {
    size_t at = 0;
    for (const std::string& step : steps) {
        const size_t found = log.find("] " + step, at);
        ASSERT_NE(found, std::string::npos) << "missing after position " << at << ": " << step << "\n" << log;
        at = found + step.size();
    }
}

// A token of this user with the Administrators group for denying only.
HANDLE NonAdministratorToken() {
    HANDLE token = nullptr;
    HANDLE restricted = nullptr;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &token) &&
        AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                 &administrators)) {
        SID_AND_ATTRIBUTES denyOnly{administrators, 0};
        CreateRestrictedToken(token, 0, 1, &denyOnly, 0, nullptr, 0, nullptr, &restricted);
    }
    if (administrators) FreeSid(administrators);
    if (token) CloseHandle(token);
    return restricted;
}

// A token of this user without the privilege to shut Windows down.
HANDLE NoShutdownToken() {
    HANDLE token = nullptr;
    HANDLE restricted = nullptr;
    LUID_AND_ATTRIBUTES shutdown{};
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &token) &&
        LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &shutdown.Luid))
        CreateRestrictedToken(token, 0, 0, nullptr, 1, &shutdown, 0, nullptr, &restricted);
    if (token) CloseHandle(token);
    return restricted;
}

enum class Arrange { Nothing, SecondCopy, InternalUser, NotAdministrator, NoShutdownPrivilege, InstallerMutex, InstallerBusy, ViewerRunning, EarlierBuild, EarlierBuildAndViewer, StuckEarlierBuild, RestartingEarlierBuild };

// What a row needs on the machine while the setup runs; put back when it goes.
class Arranged {
public:
    explicit Arranged(Arrange arrange) : arrange_(arrange) {
        switch (arrange) {
        case Arrange::SecondCopy: mutex_ = CreateMutexW(nullptr, FALSE, L"Korvel Setup"); break;
        case Arrange::InstallerMutex: mutex_ = CreateMutexW(nullptr, FALSE, kInstallerMutex); break;
        // Windows Installer's own mutex, held as while it installs something.
        case Arrange::InstallerBusy: mutex_ = CreateMutexW(nullptr, TRUE, L"Global\\_MSIExecute"); break;
        case Arrange::InternalUser: kit::CreateKey(HKEY_LOCAL_MACHINE, kNetworkKey); break;
        case Arrange::NotAdministrator: token_ = NonAdministratorToken(); break;
        case Arrange::NoShutdownPrivilege: token_ = NoShutdownToken(); break;
        case Arrange::ViewerRunning: StartViewer(); break;
        case Arrange::EarlierBuildAndViewer:
            StartViewer();
            [[fallthrough]];
        case Arrange::EarlierBuild:
            EXPECT_EQ(kit::Process(L"msiexec /i C:\\media\\Setup_ENU_earlier.msi /qn TARGETDIR=C:\\").Wait(120000), 0u);
            break;
        // An earlier build whose removal asks for a restart, in place of what an earlier row installed.
        case Arrange::RestartingEarlierBuild:
            kit::Process(std::wstring(L"msiexec /x ") + kProductCode + L" /qn REBOOT=ReallySuppress").Wait(120000);
            EXPECT_EQ(kit::Process(L"msiexec /i C:\\media\\Setup_ENU_earlier_reboot.msi /qn REBOOT=ReallySuppress "
                                   L"TARGETDIR=C:\\").Wait(120000),
                      static_cast<DWORD>(ERROR_SUCCESS_REBOOT_REQUIRED));
            break;
        // An earlier build whose removal fails, in place of what an earlier row installed.
        case Arrange::StuckEarlierBuild:
            kit::Process(std::wstring(L"msiexec /x ") + kProductCode + L" /qn REBOOT=ReallySuppress").Wait(120000);
            EXPECT_EQ(kit::Process(L"msiexec /i C:\\media\\Setup_ENU_stuck.msi /qn TARGETDIR=C:\\").Wait(120000), 0u);
            break;
        case Arrange::Nothing: break;
        }
    }
    ~Arranged() {
        if (mutex_) CloseHandle(mutex_);
        if (token_) CloseHandle(token_);
        if (arrange_ == Arrange::InternalUser) kit::DeleteKeyTree(HKEY_LOCAL_MACHINE, kNetworkKey);
        if (arrange_ == Arrange::EarlierBuild || arrange_ == Arrange::EarlierBuildAndViewer)
            kit::Process(std::wstring(L"msiexec /x ") + kProductCode + L" /qn REBOOT=ReallySuppress").Wait(120000);
    }
    Arranged(const Arranged&) = delete;
    Arranged& operator=(const Arranged&) = delete;

    HANDLE token() const { return token_; }
    const kit::Process& viewer() const { return viewer_; }
    std::wstring viewerPath() const { return apps_ / L"KPX_Viewer.exe"; }

    void StartViewer() {
        ASSERT_TRUE(kit::CopyTo(kit::BinPath(L"fake_app.exe"), apps_ / L"KPX_Viewer.exe"));
        viewer_ = kit::Process(L"\"" + (apps_ / L"KPX_Viewer.exe") + L"\"");
        ASSERT_TRUE(kit::WaitUntil([&] { return !kit::TopLevelWindows(viewer_.id()).empty(); }));
    }

private:
    Arrange arrange_;
    HANDLE mutex_ = nullptr;
    HANDLE token_ = nullptr;
    kit::TempFolder apps_;
    kit::Process viewer_;
};

struct Outcome {
    const char* what;
    Arrange arrange;
    const wchar_t* medium;
    const wchar_t* switches;
    DWORD exitCode;
    std::string logLine;  // a line's start; empty: only the exit code's line
    bool productInstalled;
    bool refused;  // ended before anything was written or installed
};

TEST(Outcomes, EachEndsWithItsCodeAndLogLineAndShowsNothing) {
    kit::MakeFolders(L"C:\\logs");
    const std::string usb = kit::Is64BitPrefix() ? "USB_64" : "USB_32";
    // The package of the medium (no package of a satellite's language is there) in that language.
    const std::string language = "LANG=" + Narrow(ShownText(Medium(L"full"), IDS_SETUP_LANGUAGE));

    // In this order: the refusals change nothing; then the packages' results.
    const Outcome rows[] = {
        {"unknown switch", Arrange::Nothing, L"full", L"/quiet /frobnicate", 87,
         "Not a switch of this setup: \"/frobnicate\"", false, true},
        {"second copy", Arrange::SecondCopy, L"full", L"/quiet", 1618,
         "Single instance: another copy of the setup is running", false, true},
        {"internal network user", Arrange::InternalUser, L"full", L"/quiet", 1638,
         "You appear to be an internal Korvel user. You must uninstall Cartoline (Network) before running this setup.",
         false, true},
        {"not an administrator", Arrange::NotAdministrator, L"full", L"/quiet", 740,
         "You must be a local administrator to run this application. Please contact your system administrator.", false, true},
        {"another installation", Arrange::InstallerMutex, L"full", L"/passive", 1618,
         "Another installation is already running.  Wait for it to finish and try again.", false, true},
        {"Windows Installer busy", Arrange::InstallerBusy, L"full", L"/quiet", 1618,
         "Another installation is already running.  Wait for it to finish and try again.", false, true},
        {"guarded application running", Arrange::ViewerRunning, L"full", L"/q", 32,
         "The following applications should be closed before continuing the installation: KPX_Viewer", false, true},
        {"no drive with room", Arrange::Nothing, L"huge", L"-QUIET", 112,
         "There is insufficient space on all available hard drives in this computer.  The installation will exit now.",
         false, true},
        // What can be known to fail changes nothing: the viewer stays open, the earlier build installed.
        {"setup.exe without its product package", Arrange::ViewerRunning, L"nopackage", L"/quiet /closeapplications",
         1619, "C:\\media\\nopackage\\Setup_ENU.msi is missing from the installation medium. Nothing was changed on this computer.",
         false, true},
        {"a cabinet missing", Arrange::EarlierBuild, L"nocabinet", L"/passive /closeapplications", 1619,
         "C:\\media\\nocabinet\\data1.cab is missing from the installation medium. Nothing was changed on this computer.",
         true, true},
        {"a cabinet cut short", Arrange::EarlierBuildAndViewer, L"cutcabinet", L"/quiet /closeapplications", 1619,
         "Package: C:\\media\\cutcabinet\\data1.cab: cut short or too long", true, true},
        {"a cabinet replaced by another file", Arrange::EarlierBuildAndViewer, L"foreigncabinet",
         L"/quiet /closeapplications", 1619,
         "C:\\media\\foreigncabinet\\data1.cab on the installation medium is damaged or cannot be read. Nothing was "
         "changed on this computer.",
         true, true},
        // A setup.dat that exists and does not read is no missing one.
        {"setup.dat a folder", Arrange::EarlierBuildAndViewer, L"datfolder", L"/quiet /closeapplications", 1619,
         "C:\\media\\datfolder\\setup.dat on the installation medium is damaged or cannot be read. Nothing was "
         "changed on this computer.",
         true, true},
        // The satellite's product package entry reads "..\\pwnd\\x.msi", where a package lies.
        {"a satellite's package name leaving the medium", Arrange::Nothing, L"leave", L"/quiet", 1619,
         "Medium: entry 148 of the string table names no file below C:\\media\\leave\\", false, true},
        // One byte changed in a cabinet's data, beside the package and inside it: the log names
        // the cabinet and its block.
        {"a byte changed in the cabinet beside the package", Arrange::EarlierBuildAndViewer, L"bytecabinet",
         L"/quiet /closeapplications", 1619, "Package: C:\\media\\bytecabinet\\data1.cab: block 1: a wrong checksum",
         true, true},
        {"a byte changed in the cabinet inside the package", Arrange::EarlierBuildAndViewer, L"embeddedbyte",
         L"/quiet /closeapplications", 1619,
         "Package: C:\\media\\embeddedbyte\\Setup_ENU.msi, embedded cabinet product.cab: block 1: a wrong checksum",
         true, true},
        // /verify reads every file and changes nothing, whatever it finds.
        {"verification of a damaged medium", Arrange::Nothing, L"bytecabinet", L"/verify", 1619,
         "C:\\media\\bytecabinet\\data1.cab on the installation medium is damaged or cannot be read. Nothing was "
         "changed on this computer.", false, true},
        {"verification of a whole medium", Arrange::Nothing, L"full", L"/verify", 0,
         "Verification of the medium: every file is whole", false, true},
        // A satellite the run would not take (a program, no resource-only library) is damaged.
        {"verification of a medium with a program as its satellite", Arrange::Nothing, L"badsatellite", L"/verify",
         1619, "Verify: C:\\media\\badsatellite\\setupDEU.dll: not a library", false, true},
        {"product package that is no package", Arrange::Nothing, L"broken", L"/quiet", 1619,
         "C:\\media\\broken\\Setup_ENU.msi is damaged or is not a Windows Installer package. Nothing was changed on "
         "this computer.", false, true},
        {"drivers package that is no package", Arrange::Nothing, L"brokendrivers", L"/quiet", 1619,
         "C:\\media\\brokendrivers\\USB_Drivers\\" + usb + ".msi is damaged or is not a Windows Installer package. "
         "Nothing was changed on this computer.", false, true},
        // A drivers package that ends with 1602 though no one cancelled: a failed drivers package.
        {"drivers package ends with 1602 by itself: a warning", Arrange::Nothing, L"quitdrivers", L"/quiet", 0,
         "Warning: the USB drivers package failed with 1602; the installation goes on", true, false},
        {"a whole cabinet beside the package", Arrange::Nothing, L"cabinet", L"/quiet", 0,
         "Medium: 2 cabinets whole, ", true, false},
        {"a signed cabinet beside the package", Arrange::Nothing, L"signedcabinet", L"/quiet", 0,
         "MsiInstallProductW(\"C:\\media\\signedcabinet\\Setup_ENU.msi\", \"" + language +
             " TARGETDIR=C:\\ REBOOT=ReallySuppress\") = 0", true, false},
        // A program in the satellite's place is not used: English texts, and the log says why.
        {"a satellite that is no resource-only library", Arrange::Nothing, L"badsatellite", L"/quiet", 0,
         "", true, false},
        {"failed product package", Arrange::Nothing, L"failing", L"/quiet", 1603,
         "MsiInstallProductW(\"C:\\media\\failing\\Setup_ENU.msi\", \"" + language + " TARGETDIR=C:\\ REBOOT=ReallySuppress\") = 1603",
         false, false},
        {"restart asked for and suppressed", Arrange::Nothing, L"reboot", L"/quiet /norestart", 3010,
         "MsiInstallProductW(\"C:\\media\\reboot\\Setup_ENU.msi\", \"" + language + " TARGETDIR=C:\\ REBOOT=ReallySuppress\") = "
         "3010",
         true, false},
        // A restart that the USB package or the removal of the earlier build asked for stays asked
        // for when the product package needs none.
        {"restart asked for by the USB package alone", Arrange::Nothing, L"rebootdrivers", L"/quiet /norestart", 3010,
         "MsiInstallProductW(\"C:\\media\\rebootdrivers\\Setup_ENU.msi\", \"" + language +
             " TARGETDIR=C:\\ REBOOT=ReallySuppress\") = 0",
         true, false},
        {"restart asked for by the removal alone", Arrange::RestartingEarlierBuild, L"full", L"/quiet /norestart", 3010,
         "MsiInstallProductW(\"C:\\media\\full\\Setup_ENU.msi\", \"" + language +
             " TARGETDIR=C:\\ REBOOT=ReallySuppress\") = 0",
         true, false},
        // The restart at the end refused: a restart is still required, and the exit code says so.
        {"restart refused", Arrange::NoShutdownPrivilege, L"reboot", L"/quiet", 3010,
         "Restart refused: error 1314; Windows must still be restarted", true, false},
        // Last: the earlier build stays installed for good.
        {"failed removal of the earlier build", Arrange::StuckEarlierBuild, L"full", L"/quiet /norestart", 1603,
         "The removal of the earlier version failed with 1603: nothing more is installed", true, false},
    };
    int index = 0;
    std::wstring suppressedRestart;  // the package log of the first run that suppressed a restart
    for (const Outcome& row : rows) {
        SCOPED_TRACE(row.what);
        const std::wstring log = L"C:\\logs\\outcome" + std::to_wstring(++index) + L".log";
        if (suppressedRestart.empty() && std::wstring(row.medium) == L"reboot")
            suppressedRestart = L"C:\\logs\\outcome" + std::to_wstring(index) + L"_Setup_ENU.log";
        Arranged arranged(row.arrange);
        const Watched run = RunWatched(Medium(row.medium), std::wstring(row.switches) + L" /log " + log, arranged.token());
        const DWORD code = row.exitCode;
        EXPECT_EQ(run.exitCode, code);
        EXPECT_TRUE(run.shown.empty()) << run.shown.front();
        const std::string text = kit::ReadBytes(log);
        if (!row.logLine.empty()) EXPECT_NE(text.find("] " + row.logLine), std::string::npos) << text;
        if (std::wstring(row.switches) == L"/verify" && code == 0)  // every file named
            ExpectStepsInOrder(text, {"Verification of the medium: ", "Verify: C:\\media\\full\\setup.dat: whole",
                                      "Verify: C:\\media\\full\\EULA.txt: whole",
                                      "Verify: C:\\media\\full\\ENU\\KorvelEULA.txt: whole",
                                      "Verify: C:\\media\\full\\ENU\\Bkgnd.bmp: whole",
                                      "Package: C:\\media\\full\\Setup_ENU.msi opens; 1 cabinet",
                                      "Verify: C:\\media\\full\\setupDEU.dll: whole",
                                      "Package: C:\\media\\full\\USB_Drivers\\USB_32.msi opens; 1 cabinet",
                                      "Package: C:\\media\\full\\USB_Drivers\\USB_64.msi opens; 1 cabinet",
                                      "Verification of the medium: every file is whole"});
        EXPECT_TRUE(LogHas(text, "Exit code " + std::to_string(code))) << text;
        EXPECT_EQ(Installed(kProductCode), row.productInstalled);
        if (!row.productInstalled) EXPECT_FALSE(kit::FileExists(L"C:\\ExampleMaps\\maps.dat"));
        if (row.arrange == Arrange::ViewerRunning || row.arrange == Arrange::EarlierBuildAndViewer)
            EXPECT_TRUE(arranged.viewer().Running());
        if (row.arrange == Arrange::EarlierBuild || row.arrange == Arrange::EarlierBuildAndViewer)
            EXPECT_TRUE(kit::FileExists(kEarlierMarker));
        if (row.refused) {
            EXPECT_TRUE(Unknown(UsbCode()));
            EXPECT_FALSE(kit::KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Korvel\\Cartoline\\Products"));
            EXPECT_FALSE(kit::FileExists(L"C:\\Korvel"));
        }
        if (row.arrange == Arrange::StuckEarlierBuild) {  // still the earlier build, nothing after it
            EXPECT_TRUE(kit::FileExists(kEarlierMarker));
            EXPECT_FALSE(kit::FileExists(L"C:\\ExampleMaps\\maps.dat"));
            EXPECT_EQ(text.find("MsiConfigureProductExW("), std::string::npos) << text;
            EXPECT_EQ(text.find("MsiInstallProductW("), std::string::npos) << text;
        }
        if (std::string(row.what).find("drivers") != std::string::npos) EXPECT_TRUE(Unknown(UsbCode()));
        if (std::wstring(row.medium) == L"badsatellite" && row.productInstalled) {
            EXPECT_NE(text.find(".dll: not a library; not used, the texts are English\r\n"), std::string::npos) << text;
            EXPECT_NE(text.find("\"LANG=ENU TARGETDIR="), std::string::npos) << text;
        }
    }
    // The installer was told not to restart: the package's own log shows the property.
    const std::string packageLog = kit::ReadBytes(suppressedRestart);
    EXPECT_NE(packageLog.find("REBOOT = ReallySuppress"), std::string::npos);
}

TEST(Outcomes, InteractiveRunsShowTheUsageAndLogWhenAsked) {
    struct Row {
        const wchar_t* switches;
        DWORD exitCode;
    } rows[] = {{L"/?", 0}, {L"/bogus", 87}};
    for (const Row& row : rows) {
        kit::Process setup(L"\"" + Medium(L"full") + L"setup.exe\" " + row.switches, Medium(L"full"));
        HWND box = kit::WaitForMessageBox(setup.id(), 30000);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(kit::MessageBoxText(box).rfind(ShownText(Medium(L"full"), IDS_USAGE).substr(0, 45), 0), 0u);
        EXPECT_EQ(kit::TextOf(box), L"setup");
        kit::PressButton(box, IDOK);
        EXPECT_EQ(setup.Wait(15000), row.exitCode);
    }

    // With /log the interactive run logs its checks; its message box and exit code stay.
    kit::MakeFolders(L"C:\\logs");
    Arranged installer(Arrange::InstallerMutex);
    kit::Process setup(L"\"" + Medium(L"full") + L"setup.exe\" /log C:\\logs\\interactive.log", Medium(L"full"));
    HWND box = kit::WaitForMessageBox(setup.id(), 30000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(kit::MessageBoxText(box), ShownText(Medium(L"full"), IDS_ANOTHER_INSTALLATION));
    kit::PressButton(box, IDOK);
    EXPECT_EQ(setup.Wait(15000), 1u);
    const std::string log = kit::ReadBytes(L"C:\\logs\\interactive.log");
    ExpectStepsInOrder(log, {"Setup log: C:\\logs\\interactive.log", "Single instance: passed", "Internal network user: no",
                             "Windows Installer engine ", "Setup data: product code \"8A6C1D2E-3F40-4B5C-9D6E-7F8091A2B3C4\"",
                             "Another installation is already running.  Wait for it to finish and try again.\r\n",
                             "Exit code 1\r\n"});
    // A refusal on the main page still closes the launcher, before the run ends.
    ExpectStepsInOrder(log, {"Setup data: product code ", "kStart.exe: not running", "Exit code 1\r\n"});
}

// An internal user's machine while another setup runs: every kind of run refuses for the first
// reason its checks meet, and the removal, which does not ask about internal users, for the
// other one; nothing is removed.
TEST(Outcomes, TwoRefusalsAtOnceEndEachKindOfRunForItsFirstReason) {
    // The earlier build an earlier case left installed, else the product.
    if (!Installed(kProductCode))
        ASSERT_EQ(kit::Process(L"msiexec /i C:\\media\\full\\Setup_ENU.msi /qn TARGETDIR=C:\\").Wait(120000), 0u);
    ASSERT_TRUE(Installed(kProductCode));
    kit::MakeFolders(L"C:\\logs");
    Arranged internal(Arrange::InternalUser);
    Arranged installer(Arrange::InstallerMutex);
    const std::string internalLine =
        "You appear to be an internal Korvel user. You must uninstall Cartoline (Network) before running this setup.";
    const std::string anotherLine = "Another installation is already running.  Wait for it to finish and try again.";

    kit::Process setup(L"\"" + Medium(L"full") + L"setup.exe\"", Medium(L"full"));
    HWND box = kit::WaitForMessageBox(setup.id(), 30000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(kit::MessageBoxText(box), ShownText(Medium(L"full"), IDS_INTERNAL_USER));
    kit::PressButton(box, IDOK);
    EXPECT_EQ(setup.Wait(15000), 0u);

    const struct {
        const wchar_t* switches;
        DWORD exitCode;
        const std::string& logLine;
        const std::string& notLogged;
    } rows[] = {
        {L"/quiet /log C:\\logs\\two1.log", 1638, internalLine, anotherLine},
        {L"/uninstall /quiet /log C:\\logs\\two2.log", 1618, anotherLine, internalLine},
    };
    int index = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(Narrow(row.switches));
        const Watched run = RunWatched(Medium(L"full"), row.switches);
        EXPECT_EQ(run.exitCode, row.exitCode);
        EXPECT_TRUE(run.shown.empty()) << run.shown.front();
        const std::string text = kit::ReadBytes(L"C:\\logs\\two" + std::to_wstring(++index) + L".log");
        EXPECT_TRUE(LogHas(text, row.logLine)) << text;
        EXPECT_FALSE(LogHas(text, row.notLogged)) << text;
        EXPECT_EQ(text.find("MsiConfigureProductExW("), std::string::npos) << text;
        EXPECT_TRUE(Installed(kProductCode));
    }
}

TEST(Installation, QuietRunClosesApplicationsWhenAskedAndLogsEveryStep) {
    kit::Process earlier(L"msiexec /i C:\\media\\Setup_ENU_earlier.msi /qn TARGETDIR=C:\\");
    ASSERT_EQ(earlier.Wait(120000), 0u);
    ASSERT_TRUE(kit::FileExists(kEarlierMarker));
    Arranged viewer(Arrange::ViewerRunning);

    // Without /closeapplications the viewer ends the run; without /log the log is in the
    // temporary folder, named after the product and the day, and says so first.
    const Watched refused = RunWatched(Medium(L"full"), L"/quiet");
    EXPECT_EQ(refused.exitCode, 32u);
    EXPECT_TRUE(refused.shown.empty()) << refused.shown.front();
    EXPECT_TRUE(viewer.viewer().Running());
    const std::wstring defaultLog = DefaultLog();
    const std::string defaultText = kit::ReadBytes(defaultLog);
    EXPECT_EQ(defaultText.find("] Setup log: " + Narrow(defaultLog) + "\r\n"), defaultText.find("] "));
    EXPECT_TRUE(LogHas(defaultText, "Exit code 32")) << defaultText;

    kit::MakeFolders(L"C:\\logs");
    const Watched run = RunWatched(Medium(L"full"), L"/quiet /closeapplications /log C:\\logs\\quiet.log");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.shown.empty()) << run.shown.front();
    EXPECT_EQ(viewer.viewer().Wait(0), 7u);  // it closed itself when asked

    EXPECT_FALSE(kit::FileExists(kEarlierMarker));
    EXPECT_TRUE(Installed(kProductCode));
    EXPECT_TRUE(kit::FileExists(L"C:\\ExampleMaps\\maps.dat"));
    EXPECT_TRUE(Installed(UsbCode()));
    std::vector<kit::AceEntry> entries;
    ASSERT_TRUE(kit::ReadKeyDacl(HKEY_LOCAL_MACHINE, L"Software\\Korvel\\Cartoline\\Products", &entries));
    EXPECT_NE(std::find(entries.begin(), entries.end(), kit::AllowedInherited(L"S-1-1-0", KEY_ALL_ACCESS)), entries.end());

    const std::string usb = kit::Is64BitPrefix() ? "USB_64" : "USB_32";
    // First what a support engineer asks: the setup's version, the command line, Windows, who and where.
    const std::string quietLog = kit::ReadBytes(L"C:\\logs\\quiet.log");
    ASSERT_GT(quietLog.size(), 32u);
    EXPECT_TRUE(quietLog[23] == ' ' && (quietLog[24] == '+' || quietLog[24] == '-') && quietLog[27] == ':' &&
                quietLog.compare(30, 2, " [") == 0)
        << quietLog.substr(0, 40);  // "YYYY-MM-DD hh:mm:ss.mmm +hh:mm [pid]"
    EXPECT_NE(quietLog.find(", session 1, window station WinSta0\r\n"), std::string::npos);
    EXPECT_NE(quietLog.find(", session 1)\r\n"), std::string::npos);  // the closed copy's session
    ExpectStepsInOrder(
        quietLog,
        {"Setup log: C:\\logs\\quiet.log", "Setup version: 4.2.0.17", "Command line: \"C:\\media\\full\\setup.exe\" /quiet /closeapplications",
         "Windows ", "Account: ", "Medium: C:\\media\\full\\",
         "Unattended run: quiet", "Single instance: passed",
         "Internal network user: no", "Windows Installer engine ", "Setup data: product code", "kStart.exe: not running",
         "Windows version: supported", "Administrator: yes", "Another installation running: no",
         // Whatever can be known to fail is known before the viewer is closed.
         "USB drivers: older than the medium's", "Package: C:\\media\\full\\Setup_ENU.msi opens; 1 cabinet",
         "Package: C:\\media\\full\\USB_Drivers\\" + usb + ".msi opens; 1 cabinet", "Medium: 2 cabinets whole, ",
         "Drive choice: a fixed drive with more than 51 MiB free", "Drive C:\\: type 3, ", "Install drive: C:\\",
         "Running applications: KPX_Viewer (KPX_Viewer.exe)",
         "Closing KPX_Viewer.exe: closed (process " + std::to_string(viewer.viewer().id()) + ", " +
             Narrow(viewer.viewerPath()) + ", user ",
         "Version installed now: 1.0.0; version on the medium: 2.0.0",
         "Removal of the earlier version: ",
         "Windows Installer messages: record handler; the installer's own user interface off",
         "MsiEnableLogW(verbose, \"C:\\logs\\quiet_Removal.log\", append) = 0",
         "MsiConfigureProductExW(" + Narrow(kProductCode) + ", 0xffff, absent, \"REBOOT=ReallySuppress\") = ",
         "MsiEnableLogW(verbose, \"C:\\logs\\quiet_" + usb + ".log\", append) = 0",
         "MsiInstallProductW(\"C:\\media\\full\\USB_Drivers\\" + usb + ".msi\", \"TARGETDIR=\"C:\" LANG=ENU REBOOT=ReallySuppress\") = 0",
         "MsiInstallProductW(\"C:\\media\\full\\Setup_ENU.msi\", \"LANG=ENU TARGETDIR=C:\\ REBOOT=ReallySuppress\") = 0",
         "Registry access: prepared", "Exit code 0\r\n"});
    // msiexec started by the setup itself, on every Windows: a task here could start nothing.
    EXPECT_NE(kit::ReadBytes(L"C:\\logs\\quiet.log").find("REBOOT=ReallySuppress: ended with 0\r\n"), std::string::npos);
    // Each package's installer log beside the setup log.
    EXPECT_NE(kit::ReadBytes(L"C:\\logs\\quiet_Setup_ENU.log").find("Example Maps"), std::string::npos);
    EXPECT_NE(kit::ReadBytes(L"C:\\logs\\quiet_" + std::wstring(usb.begin(), usb.end()) + L".log").find("USB"),
              std::string::npos);
}


struct DesktopWindows {
    DWORD processId;
    std::vector<std::string> found;
};

BOOL CALLBACK CollectDesktopWindow(HWND window, LPARAM context) {
    auto* windows = reinterpret_cast<DesktopWindows*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    // Wine gives every GUI thread a hidden input-method window of its own; it shows nothing.
    if (process == windows->processId && kit::ClassOf(window) != L"IME")
        windows->found.push_back(Narrow(kit::ClassOf(window)) + " \"" + Narrow(kit::TextOf(window)) + "\"");
    return TRUE;
}

// The windows a process has on a desktop that need not be this thread's.
std::vector<std::string> WindowsOn(HDESK desktop, DWORD processId) {
    DesktopWindows windows{processId, {}};
    EnumDesktopWindows(desktop, CollectDesktopWindow, reinterpret_cast<LPARAM>(&windows));
    return windows.found;
}

// A window station of its own, as a service's (not visible), with its desktop "Default".
struct ServiceStation {
    ServiceStation() {
        HWINSTA own = GetProcessWindowStation();
        station = CreateWindowStationW(L"KorvelService", 0, WINSTA_ALL_ACCESS, nullptr);
        if (!station || !SetProcessWindowStation(station)) return;
        desktop = CreateDesktopW(L"Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
        SetProcessWindowStation(own);
    }
    ~ServiceStation() {
        if (desktop) CloseDesktop(desktop);
        if (station) CloseWindowStation(station);
    }
    HWINSTA station = nullptr;
    HDESK desktop = nullptr;
};

TEST(Deployment, WhereNoOneCanSeeNothingWaitsForAnAnswer) {
    ServiceStation service;
    ASSERT_NE(service.desktop, nullptr);
    USEROBJECTFLAGS flags{};
    ASSERT_TRUE(GetUserObjectInformationW(service.station, UOI_FLAGS, &flags, sizeof(flags), nullptr));
    ASSERT_EQ(flags.dwFlags & WSF_VISIBLE, 0u);
    HDESK desktop = service.desktop;

    struct Row {
        const wchar_t* switches;
        DWORD exitCode;
        std::string logLine;
    } rows[] = {
        {L"/bogus", 87, "No one can see this window station, so the setup shows no page or message: start it with "
                        "/quiet (or /passive). Command line: \"C:\\media\\full\\setup.exe\" /bogus"},
        {L"/?", 0, "Usage: setup [/quiet | /passive] [/norestart]"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.switches));
        const size_t logged = kit::ReadBytes(DefaultLog()).size();
        kit::Process setup(L"\"" + Medium(L"full") + L"setup.exe\" " + row.switches, Medium(L"full"), nullptr,
                           L"KorvelService\\Default");
        ASSERT_TRUE(setup.started());
        std::vector<std::string> shown;
        const DWORD start = GetTickCount();
        for (bool ended = false; !ended && GetTickCount() - start < 60000; Sleep(2)) {
            ended = !setup.Running();  // one more look after the end
            for (const std::string& window : WindowsOn(desktop, setup.id())) shown.push_back(window);
        }
        EXPECT_TRUE(shown.empty()) << shown.front();
        EXPECT_EQ(setup.Wait(0), row.exitCode);
        const std::string text = kit::ReadBytes(DefaultLog()).substr(logged);
        EXPECT_NE(text.find("] " + row.logLine), std::string::npos) << text;
        EXPECT_TRUE(LogHas(text, "Exit code " + std::to_string(row.exitCode))) << text;
    }
}

// Where the setup cannot go on (here OLE32.DLL, which every run without pages loads first, is
// kept from it), only a run whose user sees it shows the "Fatal:" line in a box: as the run's
// kind says, whatever its switches (a start without switches where no one can see shows none).
TEST(Deployment, AFatalFailureShowsABoxOnlyWhereSomeoneSees) {
    ServiceStation service;
    ASSERT_NE(service.desktop, nullptr);
    HDESK hidden = service.desktop;
    const struct {
        const char* what;
        const wchar_t* switches;
        bool invisible;
        bool box;
    } rows[] = {
        {"quiet", L"/quiet", false, false},
        {"passive", L"/passive", false, false},
        {"uninstall", L"/uninstall", false, false},
        {"usage box", L"/?", false, true},
        {"no switch where no one can see", L"", true, false},
        {"usage where no one can see", L"/?", true, false},
    };
    const std::string fatal = "Fatal: OLE32.DLL cannot be loaded from the system folder";
    // Wine's loader keeps OLE32.DLL from every setup.exe while this key exists.
    const std::wstring appDefaults = L"Software\\Wine\\AppDefaults\\setup.exe";
    kit::SetString(HKEY_CURRENT_USER, appDefaults + L"\\DllOverrides", L"ole32", L"");
    struct Gone {
        std::wstring key;
        ~Gone() { kit::DeleteKeyTree(HKEY_CURRENT_USER, key); }
    } gone{appDefaults};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        kit::Process setup(L"\"" + Medium(L"full") + L"setup.exe\" " + row.switches, Medium(L"full"),
                           nullptr, row.invisible ? L"KorvelService\\Default" : L"");
        ASSERT_TRUE(setup.started());
        if (row.box) {
            HWND box = kit::WaitForMessageBox(setup.id());
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(Narrow(kit::MessageBoxText(box)), fatal);
            kit::PressButton(box, IDOK);
        } else {
            std::vector<std::string> shown;
            const DWORD start = GetTickCount();
            for (bool ended = false; !ended && GetTickCount() - start < 120000; Sleep(2)) {
                ended = !setup.Running();  // one more look after the end
                if (row.invisible) {
                    for (const std::string& window : WindowsOn(hidden, setup.id())) shown.push_back(window);
                } else {
                    for (HWND window : kit::TopLevelWindows(setup.id()))
                        if (IsWindowVisible(window)) shown.push_back(Narrow(kit::ClassOf(window)));
                }
            }
            EXPECT_TRUE(shown.empty()) << shown.front();
        }
        // So early the /log file is not open yet: the exit code alone tells the tool.
        EXPECT_EQ(setup.Wait(), 126u);
    }
}

TEST(Deployment, ApplicationKnownByItsClassIsFoundAndEndedOnAnotherDesktop) {
    constexpr wchar_t kGuid[] = L"{6F1C2A33-0B7E-4D58-9E21-5A7C0D3B9F42}";
    kit::SetString(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Korvel\\Application Guids", L"Cartoline", kGuid);
    HDESK elsewhere = CreateDesktopW(L"Elsewhere", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    ASSERT_NE(elsewhere, nullptr);
    kit::TempFolder apps;
    ASSERT_TRUE(kit::CopyTo(kit::BinPath(L"fake_app.exe"), apps / L"Cartoline.exe"));
    kit::Process cartoline(L"\"" + (apps / L"Cartoline.exe") + L"\" --class " + kGuid, L"", nullptr, L"Elsewhere");
    ASSERT_TRUE(kit::WaitUntil([&] { return !WindowsOn(elsewhere, cartoline.id()).empty(); }));
    // Out of sight of this desktop's window list, where the class is looked for.
    ASSERT_TRUE(kit::TopLevelWindows(cartoline.id()).empty());

    kit::MakeFolders(L"C:\\logs");
    const Watched refused = RunWatched(Medium(L"full"), L"/quiet /log C:\\logs\\elsewhere1.log");
    EXPECT_EQ(refused.exitCode, 32u);
    EXPECT_TRUE(LogHas(kit::ReadBytes(L"C:\\logs\\elsewhere1.log"), "Running applications: Cartoline (Cartoline.exe)"));
    ASSERT_TRUE(cartoline.Running());

    kit::Process setup(L"\"" + Medium(L"full") + L"setup.exe\" /quiet /closeapplications /log C:\\logs\\elsewhere2.log",
                       Medium(L"full"));
    // Ended by the setup, not closed by itself (7), while the setup goes on with the installation.
    EXPECT_EQ(cartoline.Wait(60000), static_cast<DWORD>(ERROR_INSTALL_USEREXIT));
    EXPECT_TRUE(setup.Running());
    EXPECT_EQ(setup.Wait(120000), 0u);
    const std::string text = kit::ReadBytes(L"C:\\logs\\elsewhere2.log");
    ExpectStepsInOrder(text, {"Install drive: C:\\", "Running applications: Cartoline (Cartoline.exe)",
                              "Closing Cartoline.exe: ended at once, no window on this desktop to ask (process " +
                                  std::to_string(cartoline.id()) + ", " + Narrow(apps / L"Cartoline.exe") + ", user ",
                              "Exit code 0\r\n"});
    EXPECT_TRUE(Installed(kProductCode));
    CloseDesktop(elsewhere);
    kit::DeleteKeyTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Korvel\\Application Guids");
}

TEST(Deployment, UninstallRemovesTheProductAndLeavesTheDrivers) {
    const std::wstring usb = std::wstring(L"C:\\media\\full\\USB_Drivers\\USB_") + (kit::Is64BitPrefix() ? L"64" : L"32");
    ASSERT_EQ(kit::Process(L"msiexec /i C:\\media\\full\\Setup_ENU.msi /qn TARGETDIR=C:\\").Wait(120000), 0u);
    ASSERT_EQ(kit::Process(L"msiexec /i " + usb + L".msi /qn TARGETDIR=C:").Wait(120000), 0u);
    ASSERT_TRUE(Installed(kProductCode));
    ASSERT_TRUE(kit::FileExists(L"C:\\ExampleMaps\\maps.dat"));
    kit::MakeFolders(L"C:\\logs");

    // Without setup.dat nothing says what to remove: 1619, and the product stays. Then the removal;
    // the third run finds nothing to remove.
    const struct {
        const wchar_t* medium;
        const wchar_t* switches;
        DWORD exitCode;
        std::string removal;
        std::string outcome;
    } rows[] = {
        {L"nosetupdat", L"/uninstall /quiet /log C:\\logs\\remove1.log", 1619, "Single instance: passed",
         "No product code: setup.dat is missing beside setup.exe or names none; nothing was removed"},
        {L"full", L"/uninstall /quiet /log C:\\logs\\remove2.log",  0,
         "MsiConfigureProductExW(" + Narrow(kProductCode) + ", 0xffff, absent, \"REBOOT=ReallySuppress\") = 0", "Exit code 0"},
        {L"full", L"-Uninstall /s /norestart /log=C:\\logs\\remove3.log", 0,
         "MsiConfigureProductExW(" + Narrow(kProductCode) + ", 0xffff, absent, \"REBOOT=ReallySuppress\") = 1605",
         "The product is not installed: nothing to remove"},
    };
    int index = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(Narrow(row.switches));
        const Watched run = RunWatched(Medium(row.medium), row.switches);
        EXPECT_EQ(run.exitCode, row.exitCode);
        EXPECT_TRUE(run.shown.empty()) << run.shown.front();
        const std::string text = kit::ReadBytes(L"C:\\logs\\remove" + std::to_wstring(++index) + L".log");
        const bool removing = row.exitCode == 0;
        if (removing) {
            ExpectStepsInOrder(text, {"Removal of the product: quiet", "Single instance: passed",
                                      "The USB drivers package stays installed: other Korvel products use it",
                                      "MsiSetInternalUI(0x2) = ", row.removal, row.outcome});
        } else {
            ExpectStepsInOrder(text, {"Removal of the product: quiet", row.removal, row.outcome, "Exit code 1619"});
        }
        EXPECT_EQ(Installed(kProductCode), !removing);
        EXPECT_EQ(kit::FileExists(L"C:\\ExampleMaps\\maps.dat"), !removing);
        EXPECT_TRUE(Installed(UsbCode()));
    }
    // The installer's own log of the removal lies beside the setup log.
    EXPECT_NE(kit::ReadBytes(L"C:\\logs\\remove2_Uninstall.log").find("Example Maps"), std::string::npos);

    // Without /quiet the removal is passive: a restart its package asks for is the run's end, as
    // with /passive.
    ASSERT_EQ(kit::Process(L"msiexec /i C:\\media\\reboot\\Setup_ENU.msi /qn REBOOT=ReallySuppress TARGETDIR=C:\\")
                  .Wait(120000),
              3010u);
    const Watched passive = RunWatched(Medium(L"reboot"), L"/uninstall /norestart /log C:\\logs\\remove4.log");
    EXPECT_EQ(passive.exitCode, 3010u);
    EXPECT_FALSE(Installed(kProductCode));
    ExpectStepsInOrder(kit::ReadBytes(L"C:\\logs\\remove4.log"),
                       {"Removal of the product: passive; restarts suppressed", "MsiConfigureProductExW(",
                        "Restart: a package asked for one; /norestart leaves it to whoever runs the setup",
                        "Exit code 3010"});
}

// Refused from the entry point, before anything else runs: the log holds the refusal first and
// the exit code, and a run without /log writes no log at all.
TEST(OldWindows, RefusedWithItsCodeShowingNothing) {
    // The removal is refused as well, with the product installed: nothing is removed.
    ASSERT_EQ(kit::Process(L"msiexec /i C:\\media\\full\\Setup_ENU.msi /qn TARGETDIR=C:\\").Wait(120000), 0u);
    kit::MakeFolders(L"C:\\logs");
    const struct {
        const wchar_t* switches;
        const wchar_t* log;
    } rows[] = {{L"/quiet /log C:\\logs\\old.log", L"C:\\logs\\old.log"},
                {L"/uninstall /quiet /log C:\\logs\\old3.log", L"C:\\logs\\old3.log"},
                {L"/passive /norestart /l*v C:\\logs\\old2.log", L"C:\\logs\\old2.log"},
                {L"/passive", nullptr},
                {L"/uninstall /passive /log C:\\logs\\old5.log", L"C:\\logs\\old5.log"},
                {L"/uninstall /log C:\\logs\\old4.log", L"C:\\logs\\old4.log"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(Narrow(row.switches));
        const Watched run = RunWatched(Medium(L"full"), row.switches);
        EXPECT_EQ(run.exitCode, 1150u);
        EXPECT_TRUE(run.shown.empty()) << run.shown.front();
        EXPECT_TRUE(Installed(kProductCode));
        if (!row.log) {
            EXPECT_FALSE(kit::FileExists(DefaultLog()));
            continue;
        }
        const std::string text = kit::ReadBytes(row.log);
        const std::string refusal = "This is an unsupported OS version.  Windows 2000 or later is required.";
        EXPECT_EQ(text.find("] " + refusal + "\r\n"), text.find("] ")) << text;
        EXPECT_TRUE(LogHas(text, "Exit code 1150")) << text;
    }
}

}  // namespace
