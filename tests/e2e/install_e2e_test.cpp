// setup.exe run from a medium as a user runs it, through both pages and the installation,
// with real packages installed by the system's Windows Installer. Each suite starts from a
// clean prefix.
#include <windows.h>
#include <msi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "framework/strings.h"
#include "tests/kit/debug_monitor.h"
#include "tests/kit/key_security.h"
#include "tests/kit/recorder.h"
#include "tests/kit/task_stub.h"
#include "tests/pages/page_test_kit.h"

namespace {

constexpr wchar_t kProductCode[] = L"{8A6C1D2E-3F40-4B5C-9D6E-7F8091A2B3C4}";
constexpr wchar_t kUsb32Code[] = L"{3C5E7A91-2B4D-4F6E-8A0C-1D3F5B7E9A24}";
constexpr wchar_t kUsb64Code[] = L"{4D6F8B02-3C5E-4A7F-9B1D-2E4A6C8E0F35}";
constexpr wchar_t kProductKey[] = L"Software\\Korvel\\Example Maps";
constexpr wchar_t kEarlierMarker[] = L"C:\\ExampleMaps\\EarlierBuild.txt";
constexpr wchar_t kCloseText[] =
    L"The following applications should be closed before continuing the installation:";

const char kTriggerFailure[] = "] Task Scheduler: ITriggerCollection::Create failed with 0x80004001\r\n";

bool Installed(const wchar_t* code) { return MsiQueryProductStateW(code) == INSTALLSTATE_DEFAULT; }
bool Unknown(const wchar_t* code) { return MsiQueryProductStateW(code) == INSTALLSTATE_UNKNOWN; }
bool Is64() { return kit::Is64BitPrefix(); }
bool TaskLaunch() { return kit::RigVersion() == "win7" || kit::RigVersion() == "win10"; }
const wchar_t* UsbCode() { return Is64() ? kUsb64Code : kUsb32Code; }

std::wstring ProductValue(const wchar_t* name) {
    std::wstring value;
    kit::GetString(HKEY_LOCAL_MACHINE, kProductKey, name, &value);
    return value;
}

// The current build, its folder registrations and their folder, on the drive with that root.
void ExpectProductOn(const std::wstring& root) {
    EXPECT_TRUE(Installed(kProductCode));
    EXPECT_EQ(ProductValue(L"TARGETDIR"), root);
    EXPECT_TRUE(kit::FileExists(root + L"ExampleMaps\\maps.dat"));
    for (const wchar_t* key : {L"Software\\Korvel\\Cartoline\\Products", L"Software\\Korvel\\TileWizard"}) {
        std::wstring folder;
        EXPECT_TRUE(kit::GetString(HKEY_LOCAL_MACHINE, key, L"InstallDir", &folder)) << key;
        EXPECT_EQ(folder, root + L"Korvel") << key;
    }
    EXPECT_TRUE(kit::FileExists(root + L"Korvel"));
}

void InstallEarlierBuild() {
    kit::Process msiexec(L"msiexec /i C:\\media\\Setup_ENU_earlier.msi /qn TARGETDIR=C:\\");
    ASSERT_EQ(msiexec.Wait(120000), 0u);
    ASSERT_TRUE(Installed(kProductCode));
    ASSERT_TRUE(kit::FileExists(kEarlierMarker));
    ASSERT_EQ(ProductValue(L"Build"), L"1.0.0");
}

// Everyone full and Administrators full, both inherited, on the tree's own key.
void ExpectMachineTreeOpened() {
    std::vector<kit::AceEntry> entries;
    ASSERT_TRUE(kit::ReadKeyDacl(HKEY_LOCAL_MACHINE, L"Software\\Korvel", &entries));
    std::vector<kit::AceEntry> expected = {kit::AllowedInherited(L"S-1-5-32-544", KEY_ALL_ACCESS),
                                           kit::AllowedInherited(L"S-1-1-0", KEY_ALL_ACCESS)};
    EXPECT_EQ(entries, expected);
    ASSERT_TRUE(kit::ReadKeyDacl(HKEY_LOCAL_MACHINE, L"Software\\Korvel\\Cartoline\\Products", &entries));
    EXPECT_EQ(entries, expected);
}

void ExpectNothingInstalled() {
    EXPECT_TRUE(Unknown(kProductCode));
    EXPECT_TRUE(Unknown(kUsb32Code));
    EXPECT_TRUE(Unknown(kUsb64Code));
    EXPECT_FALSE(kit::KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Korvel\\Cartoline\\Products"));
    EXPECT_FALSE(kit::KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Korvel\\TileWizard"));
    EXPECT_FALSE(kit::FileExists(L"C:\\Korvel"));
}

// The programs setup.exe starts, each seen as it starts: setup.exe is put in a job whose
// messages name every new process in it, and a handle of each is kept for its exit code.
class ChildPrograms {
public:
    struct Child {
        std::wstring name;
        HANDLE process;
        int step;  // the watch's step when it was seen
    };

    explicit ChildPrograms(const kit::Process& setup) : setupId_(setup.id()) {
        job_ = CreateJobObjectW(nullptr, nullptr);
        port_ = CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1);
        JOBOBJECT_ASSOCIATE_COMPLETION_PORT association{job_, port_};
        ok_ = job_ && port_ &&
              SetInformationJobObject(job_, JobObjectAssociateCompletionPortInformation, &association,
                                      sizeof association) &&
              AssignProcessToJobObject(job_, setup.handle());
        // Taken as they come: a short-lived child is gone, name and all, if it is looked at late.
        if (ok_) watcher_ = std::thread([this] {
            while (!stop_) Take(50);
        });
    }
    ~ChildPrograms() {
        Stop();
        for (const Child& child : children_)
            if (child.process) CloseHandle(child.process);
        if (port_) CloseHandle(port_);
        if (job_) CloseHandle(job_);
    }
    ChildPrograms(const ChildPrograms&) = delete;
    ChildPrograms& operator=(const ChildPrograms&) = delete;

    bool ok() const { return ok_; }
    // The children seen, once the watch has stopped.
    const std::vector<Child>& children() const { return children_; }
    void SetStep(int step) { step_ = step; }
    void Stop() {
        stop_ = true;
        if (watcher_.joinable()) watcher_.join();
    }

private:
    void Take(DWORD waitMs) {
        DWORD message = 0;
        ULONG_PTR key = 0;
        LPOVERLAPPED data = nullptr;
        while (GetQueuedCompletionStatus(port_, &message, &key, &data, waitMs)) {
            const DWORD id = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(data));
            if (message != JOB_OBJECT_MSG_NEW_PROCESS || id == setupId_) continue;
            HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, id);
            wchar_t path[MAX_PATH * 2] = {};
            DWORD size = MAX_PATH * 2;
            // A process seen as it is created may not know its image yet.
            for (int tries = 0; process && tries < 100 && !QueryFullProcessImageNameW(process, 0, path, &size); ++tries) {
                size = MAX_PATH * 2;
                Sleep(5);
            }
            children_.push_back({fw::FileNameOfPath(path), process, step_});
        }
    }

    DWORD setupId_;
    std::atomic<int> step_{0};
    std::atomic<bool> stop_{false};
    std::thread watcher_;
    HANDLE job_ = nullptr;
    HANDLE port_ = nullptr;
    bool ok_ = false;
    std::vector<Child> children_;
};

// What the installation did, in the order it was seen while setup.exe ran: polled until it ends.
struct InstallationWatch {
    int earlierGone = -1;     // the earlier build's marker removed
    int currentPresent = -1;  // the current build's file installed
    int boxes = 0;            // message boxes seen
    std::wstring outcome;     // the headline the installation's page ended with
    DWORD exitCode = STILL_ACTIVE;
};

InstallationWatch WatchInstallation(const kit::Process& setup, ChildPrograms* children = nullptr) {
    InstallationWatch watch;
    HWND lastBox = nullptr;
    const DWORD deadline = GetTickCount() + 240000;
    for (int step = 0; setup.Running() && GetTickCount() < deadline; ++step) {
        if (children) children->SetStep(step);
        if (watch.earlierGone < 0 && !kit::FileExists(kEarlierMarker)) watch.earlierGone = step;
        if (watch.currentPresent < 0 && kit::FileExists(L"C:\\ExampleMaps\\maps.dat")) watch.currentPresent = step;
        HWND box = kit::FindMessageBox(setup.id());
        if (box && box != lastBox) {
            ++watch.boxes;
            std::printf("message box: %ls\n", kit::MessageBoxText(box).c_str());
        }
        lastBox = box;
        HWND page = kit::FindProgressPage(setup.id());
        if (watch.outcome.empty() && kit::OutcomeShown(page)) {
            watch.outcome = kit::ItemText(page, kit::kProgressStep);
            kit::ClickItem(page, kit::kProgressFinish);
        }
        Sleep(5);
    }
    watch.exitCode = setup.Wait(5000);
    if (children) children->Stop();
    return watch;
}

bool AnyTextContains(const std::vector<std::string>& texts, const std::string& part) {
    for (const std::string& text : texts)
        if (text.find(part) != std::string::npos) return true;
    return false;
}

TEST(HappyPath, EarlierBuildReplacedDriversInstalledRegistryOpened) {
    InstallEarlierBuild();
    // A msiexec.exe beside setup.exe, where a bare program name is looked for first (the
    // medium's folder is also the current folder): it must never run.
    kit::PlantedRecorder planted(pages::Medium(L"full") + L"msiexec.exe");
    ASSERT_TRUE(planted.planted());
    kit::DebugMonitor monitor;
    ASSERT_TRUE(monitor.ok());
    // With a log, where a failed launch through the Task Scheduler is told.
    const std::wstring log = L"C:\\happy.log";
    kit::Process setup(L"\"" + pages::Medium(L"full") + L"setup.exe\" /log " + log, pages::Medium(L"full"));
    ChildPrograms children(setup);
    ASSERT_TRUE(children.ok());
    pages::AcceptAndInstall(setup);
    InstallationWatch watch = WatchInstallation(setup, &children);
    EXPECT_EQ(watch.exitCode, 0u);
    EXPECT_EQ(watch.outcome, L"Example Maps has been installed.");
    EXPECT_FALSE(planted.Ran());
    EXPECT_EQ(watch.boxes, 0);

    // The earlier build went before the current one came. Before Vista the setup's own child,
    // the system's msiexec, took it away: it ended with 0, where a product already removed by
    // the installer's configure call would have given 1605. From Vista on the task cannot
    // start msiexec here, and the configure call does it.
    ASSERT_GE(watch.earlierGone, 0);
    EXPECT_LT(watch.earlierGone, watch.currentPresent);
    std::vector<const ChildPrograms::Child*> msiexecs;
    for (const ChildPrograms::Child& child : children.children())
        if (_wcsicmp(child.name.c_str(), L"msiexec.exe") == 0) msiexecs.push_back(&child);
    if (TaskLaunch()) {
        EXPECT_TRUE(msiexecs.empty());
    } else {
            ASSERT_EQ(msiexecs.size(), 1u);
        EXPECT_LE(msiexecs[0]->step, watch.earlierGone);
        DWORD exitCode = STILL_ACTIVE;
        ASSERT_TRUE(GetExitCodeProcess(msiexecs[0]->process, &exitCode));
        EXPECT_EQ(exitCode, 0u);
    }

    // The earlier build is gone and the current one installed with the language and drive.
    EXPECT_FALSE(kit::FileExists(kEarlierMarker));
    EXPECT_EQ(ProductValue(L"Build"), L"2.0.0");
    EXPECT_EQ(ProductValue(L"LANG"), L"ENU");
    ExpectProductOn(L"C:\\");

    // The drivers package of this Windows.
    EXPECT_TRUE(Installed(UsbCode()));
    EXPECT_TRUE(Unknown(Is64() ? kUsb32Code : kUsb64Code));
    if (!Is64()) {  // the 64-bit package writes to the registry view a 32-bit program does not see
        std::wstring usbLang;
        EXPECT_TRUE(kit::GetString(HKEY_LOCAL_MACHINE, L"Software\\Korvel\\USB Drivers", L"LANG", &usbLang));
        EXPECT_EQ(usbLang, L"ENU");
    }
    const std::wstring copyFolder = std::wstring(L"C:\\Korvel\\USB_Drivers\\") + (Is64() ? L"Amd64" : L"I386");
    EXPECT_TRUE(kit::FileExists(copyFolder + L"\\krvlusb.sys"));
    EXPECT_TRUE(kit::FileExists(copyFolder + L"\\krvlgen.sys"));
    if (Is64()) {
        // The 64-bit package puts its drivers into the native system folder. The setup reads
        // the drivers folder through the 32-bit view, where they are missing: to the setup the
        // installed drivers stay out of date, and the next run installs the package again.
        EXPECT_TRUE(kit::FileExists(L"C:\\windows\\sysnative\\drivers\\krvlusb.sys"));
        EXPECT_FALSE(kit::FileExists(L"C:\\windows\\system32\\drivers\\krvlusb.sys"));
    } else {
        EXPECT_TRUE(kit::FileExists(L"C:\\windows\\system32\\drivers\\krvlusb.sys"));
        EXPECT_TRUE(kit::FileExists(L"C:\\windows\\system32\\drivers\\krvl1200.sys"));
    }

    // The maker's machine tree is open to everyone; each sub-key was named in the debug output.
    ExpectMachineTreeOpened();
    std::vector<std::string> texts = monitor.TextsOf(setup.id());
    EXPECT_TRUE(AnyTextContains(texts, "Software\\Korvel\\Cartoline\\Products"));
    EXPECT_TRUE(AnyTextContains(texts, "Software\\Korvel\\TileWizard"));
    // From Vista on the removal goes through the Task Scheduler, which cannot run it here; the
    // installer's own removal of the product code still takes the earlier build away.
    EXPECT_EQ(kit::ReadBytes(log).find(kTriggerFailure) != std::string::npos, TaskLaunch());
}

TEST(DriversCurrent, NoDriversPackageWhenTheInstalledOnesAreNewer) {
    const std::wstring copyFolder = std::wstring(L"C:\\Korvel\\USB_Drivers\\") + (Is64() ? L"Amd64\\" : L"I386\\");
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);  // this 32-bit view is the one the setup reads
    std::vector<const wchar_t*> names = {L"krvlusb.sys", L"krvlgen.sys"};
    if (!Is64()) names.insert(names.end(), {L"krvl0200.sys", L"krvl0400.sys", L"krvl1200.sys"});
    for (const wchar_t* name : names) {
        ASSERT_TRUE(kit::CopyTo(L"C:\\media\\newer_driver.sys", copyFolder + name));
        ASSERT_TRUE(kit::CopyTo(L"C:\\media\\newer_driver.sys", std::wstring(system) + L"\\drivers\\" + name));
    }
    kit::Process setup = pages::StartSetup(pages::Medium(L"full"));
    pages::AcceptAndInstall(setup);
    EXPECT_EQ(pages::FinishInstallation(setup), 0u);
    EXPECT_TRUE(Installed(kProductCode));
    EXPECT_TRUE(Unknown(kUsb32Code));
    EXPECT_TRUE(Unknown(kUsb64Code));
}

TEST(NoSetupData, NoRemovalOfTheEarlierBuild) {
    InstallEarlierBuild();
    kit::Process setup = pages::StartSetup(pages::Medium(L"nosetupdat"));
    pages::AcceptAndInstall(setup);
    EXPECT_EQ(pages::FinishInstallation(setup), 0u);
    // Nothing removed it: the earlier build is still there.
    EXPECT_TRUE(kit::FileExists(kEarlierMarker));
    EXPECT_TRUE(Installed(kProductCode));
    std::wstring folder;
    EXPECT_TRUE(kit::GetString(HKEY_LOCAL_MACHINE, L"Software\\Korvel\\Cartoline\\Products", L"InstallDir", &folder));
    EXPECT_EQ(folder, L"C:\\Korvel");
}

TEST(GuardedApplication, PromptRepeatsUntilTheApplicationIsClosed) {
    kit::TempFolder apps;
    ASSERT_TRUE(kit::CopyTo(kit::BinPath(L"fake_app.exe"), apps / L"KPX_Viewer.exe"));
    kit::Process viewer(L"\"" + (apps / L"KPX_Viewer.exe") + L"\"");
    ASSERT_TRUE(kit::WaitUntil([&] { return !kit::TopLevelWindows(viewer.id()).empty(); }));

    kit::Process setup = pages::StartSetup(pages::Medium(L"full"));
    pages::AcceptAndInstall(setup);
    HWND box = kit::WaitForMessageBox(setup.id());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(kit::MessageBoxText(box), std::wstring(kCloseText) + L"\nKPX_Viewer");
    kit::PressButton(box, IDOK);  // still running: asked again
    ASSERT_TRUE(kit::WaitUntil([&] { return !IsWindow(box); }));
    HWND again = kit::WaitForMessageBox(setup.id());
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(kit::MessageBoxText(again), std::wstring(kCloseText) + L"\nKPX_Viewer");
    EXPECT_TRUE(Unknown(kProductCode));
    viewer.Kill();
    kit::PressButton(again, IDOK);
    EXPECT_EQ(pages::FinishInstallation(setup), 0u);
    EXPECT_TRUE(Installed(kProductCode));
}

// The earlier build still installed, as it was: no Windows Installer call was made.
void ExpectEarlierBuildUntouched() {
    EXPECT_TRUE(Installed(kProductCode));
    EXPECT_TRUE(kit::FileExists(kEarlierMarker));
    EXPECT_FALSE(kit::FileExists(L"C:\\ExampleMaps\\maps.dat"));
    EXPECT_EQ(ProductValue(L"Build"), L"1.0.0");
    EXPECT_TRUE(Unknown(kUsb32Code));
    EXPECT_TRUE(Unknown(kUsb64Code));
}

// Cancel ends the setup with nothing installed or removed. While the prompt is up the license
// page takes no click: its Exit shows no confirmation and ends nothing; after Cancel the prompt
// is not shown again.
TEST(CancelledPrompt, NothingInstalledOrRemovedAndThePageTakesNoClickUnderThePrompt) {
    InstallEarlierBuild();
    kit::TempFolder apps;
    ASSERT_TRUE(kit::CopyTo(kit::BinPath(L"fake_app.exe"), apps / L"qTrack.exe"));
    kit::Process track(L"\"" + (apps / L"qTrack.exe") + L"\"");
    ASSERT_TRUE(kit::WaitUntil([&] { return !kit::TopLevelWindows(track.id()).empty(); }));
    kit::Process setup = pages::StartSetup(pages::Medium(L"full"));
    pages::AcceptAndInstall(setup);
    HWND box = kit::WaitForMessageBox(setup.id());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(kit::MessageBoxText(box), std::wstring(kCloseText) + L"\nqTrack");
    HWND license = kit::FindLicensePage(setup.id());
    ASSERT_NE(license, nullptr);
    EXPECT_FALSE(IsWindowEnabled(license));
    kit::ClickItem(license, kit::kExitItem);
    Sleep(1000);
    EXPECT_EQ(kit::FindMessageBox(setup.id()), box);  // still the prompt, no confirmation
    EXPECT_TRUE(setup.Running());

    kit::PressButton(box, IDCANCEL);
    ASSERT_TRUE(kit::WaitUntil([&] { return !IsWindow(box); }));
    InstallationWatch watch = WatchInstallation(setup);
    EXPECT_EQ(watch.exitCode, 0u);
    EXPECT_EQ(watch.boxes, 0);
    EXPECT_TRUE(track.Running());
    ExpectEarlierBuildUntouched();
    EXPECT_FALSE(kit::KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Korvel\\Cartoline\\Products"));
}

// A second "Next" while message 112 is up, clicked and sent as a command, starts no second
// installation: one box, then the end.
TEST(NoRoom, InsufficientSpaceEndsBeforeAnyChangeAndASecondNextDoesNothing) {
    InstallEarlierBuild();
    kit::Process setup = pages::StartSetup(pages::Medium(L"huge"));
    pages::AcceptAndInstall(setup);
    HWND box = kit::WaitForMessageBox(setup.id());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(kit::MessageBoxText(box),
              L"There is insufficient space on all available hard drives in this computer.  The installation will "
              L"exit now.");
    HWND license = kit::FindLicensePage(setup.id());
    ASSERT_NE(license, nullptr);
    kit::ClickItem(license, kit::kLicenseNextItem);
    PostMessageW(license, WM_COMMAND, MAKEWPARAM(kit::kLicenseNextItem, 0),
                 reinterpret_cast<LPARAM>(GetDlgItem(license, kit::kLicenseNextItem)));
    Sleep(1000);
    EXPECT_EQ(kit::FindMessageBox(setup.id()), box);
    kit::PressButton(box, IDOK);
    ASSERT_TRUE(kit::WaitUntil([&] { return !IsWindow(box); }));
    InstallationWatch watch = WatchInstallation(setup);
    EXPECT_EQ(watch.exitCode, 0u);
    EXPECT_EQ(watch.boxes, 0);  // no second message after the first was answered
    ExpectEarlierBuildUntouched();
    EXPECT_FALSE(kit::KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Korvel\\Cartoline"));
}

// The product package is no package: a box names it before anything is closed or removed, and
// the earlier build and the running viewer stay as they were.
// A package or cabinet that is there but not whole: the box names it, and neither the earlier
// build nor a running viewer is touched.
TEST(BrokenPackage, BoxNamesTheFileAndNothingChanges) {
    InstallEarlierBuild();
    kit::TempFolder apps;
    ASSERT_TRUE(kit::CopyTo(kit::BinPath(L"fake_app.exe"), apps / L"KPX_Viewer.exe"));
    kit::Process viewer(L"\"" + (apps / L"KPX_Viewer.exe") + L"\"");
    ASSERT_TRUE(kit::WaitUntil([&] { return !kit::TopLevelWindows(viewer.id()).empty(); }));
    const std::wstring package = L" is damaged or is not a Windows Installer package. Nothing was changed on this computer.";
    const std::wstring medium = L" on the installation medium is damaged or cannot be read. Nothing was changed on this "
                                L"computer.";
    const struct {
        const wchar_t* medium;
        const wchar_t* file;
        const std::wstring& text;
    } rows[] = {
        {L"broken", L"C:\\media\\broken\\Setup_ENU.msi", package},
        {L"cutcabinet", L"C:\\media\\cutcabinet\\data1.cab", medium},
        {L"foreigncabinet", L"C:\\media\\foreigncabinet\\data1.cab", medium},
        {L"bytecabinet", L"C:\\media\\bytecabinet\\data1.cab", medium},
        {L"embeddedbyte", L"C:\\media\\embeddedbyte\\Setup_ENU.msi", medium},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.medium);
        kit::Process setup = pages::StartSetup(pages::Medium(row.medium));
        pages::AcceptAndInstall(setup);
        HWND box = kit::WaitForMessageBox(setup.id());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(kit::MessageBoxText(box), row.file + row.text);
        kit::PressButton(box, IDOK);
        ASSERT_TRUE(kit::WaitUntil([&] { return !IsWindow(box); }));
        InstallationWatch watch = WatchInstallation(setup);
        EXPECT_EQ(watch.exitCode, 0u);
        EXPECT_EQ(watch.boxes, 0);  // no close prompt after it
        EXPECT_TRUE(viewer.Running());
        ExpectEarlierBuildUntouched();
        EXPECT_FALSE(kit::KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Korvel\\Cartoline"));
    }
}

TEST(ExitFromLicense, NothingInstalled) {
    kit::Process setup = pages::StartSetup(pages::Medium(L"full"));
    HWND license = pages::OpenLicensePage(setup);
    ASSERT_NE(license, nullptr);
    ASSERT_TRUE(pages::AcceptBothLicenses(license));
    pages::ExitWithYes(license, setup);
    ExpectNothingInstalled();
}

// C: does not qualify (a network drive here) and D: is a fixed drive with room: the product and
// the maker's folders go to D:.
TEST(OtherDrive, ProductAndFoldersOnTheFirstFixedDriveWithRoom) {
    ASSERT_EQ(GetDriveTypeW(L"C:\\"), static_cast<UINT>(DRIVE_REMOTE));
    ASSERT_EQ(GetDriveTypeW(L"D:\\"), static_cast<UINT>(DRIVE_FIXED));
    kit::Process setup = pages::StartSetup(pages::Medium(L"full"));
    pages::AcceptAndInstall(setup);
    EXPECT_EQ(pages::FinishInstallation(setup), 0u);
    ExpectProductOn(L"D:\\");
    EXPECT_FALSE(kit::FileExists(L"C:\\ExampleMaps\\maps.dat"));
}

// With the Task Scheduler stand-in registered: the removal really runs through the task. The
// log's folder holds "%TEMP%", which the task would expand: msiexec gets no log argument.
TEST(TaskRemoval, EarlierBuildRemovedThroughTheTaskBeforeTheInstallerIsCalled) {
    const std::wstring uninstallKey =
        std::wstring(L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kProductCode;
    InstallEarlierBuild();
    ASSERT_TRUE(kit::KeyExists(HKEY_LOCAL_MACHINE, uninstallKey));
    const std::wstring logFolder = L"C:\\logs%TEMP%\\";
    ASSERT_TRUE(CreateDirectoryW(logFolder.c_str(), nullptr));
    kit::TaskStubRecord record;
    const std::wstring medium = pages::Medium(L"full");
    kit::Process setup(L"\"" + medium + L"setup.exe\" /log \"" + logFolder + L"setup.log\"", medium);
    pages::AcceptAndInstall(setup);
    EXPECT_EQ(pages::FinishInstallation(setup), 0u);
    const std::string log = kit::ReadBytes(logFolder + L"setup.log");
    EXPECT_NE(log.find("msiexec's own log left out: its path holds \"%\""), std::string::npos);

    std::vector<kit::TaskCall> registered = record.Calls("ITaskFolder::RegisterTaskDefinition");
    ASSERT_EQ(registered.size(), 1u);
    EXPECT_EQ(registered[0]["arguments"], "/q /x \"{8A6C1D2E-3F40-4B5C-9D6E-7F8091A2B3C4}\" REBOOT=ReallySuppress");
    EXPECT_EQ(registered[0]["logon"], "4");
    EXPECT_EQ(registered[0]["user"], "S-1-5-32-545");
    // The system folder's msiexec ran (the 64-bit one on a 64-bit Windows), the only one then.
    std::vector<kit::TaskCall> starts = record.Calls("start");
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(_stricmp(starts[0]["image"].c_str(), "C:\\windows\\system32\\msiexec.exe"), 0) << starts[0]["image"];
    EXPECT_EQ(starts[0]["others"], "0");
    std::vector<kit::TaskCall> deletions = record.Calls("ITaskFolder::DeleteTask");
    ASSERT_EQ(deletions.size(), 2u);
    EXPECT_EQ(deletions[1]["result"], "00000000");
    EXPECT_FALSE(kit::FileExists(kEarlierMarker));
    EXPECT_TRUE(Installed(kProductCode));
    EXPECT_EQ(ProductValue(L"Build"), L"2.0.0");
    std::vector<kit::TaskCall> ends = record.Calls("ended");
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0]["pid"], starts[0]["pid"]);
    EXPECT_EQ(ends[0]["exit"], "0");  // it found the earlier build and removed it
}

// setup.dat's product code field holds a quotation mark and msiexec switches: the medium is
// refused as damaged before anything is closed, removed or started, through the task or not.
TEST(HostileCode, RefusedBeforeAnythingChangesAndNothingStarted) {
    InstallEarlierBuild();
    kit::TempFolder apps;
    ASSERT_TRUE(kit::CopyTo(kit::BinPath(L"fake_app.exe"), apps / L"KPX_Viewer.exe"));
    kit::Process viewer(L"\"" + (apps / L"KPX_Viewer.exe") + L"\"");
    ASSERT_TRUE(kit::WaitUntil([&] { return !kit::TopLevelWindows(viewer.id()).empty(); }));
    kit::TaskStubRecord record;
    const std::wstring log = L"C:\\hostile.log";
    kit::Process setup(L"\"" + pages::Medium(L"hostilecode") + L"setup.exe\" /log " + log, pages::Medium(L"hostilecode"));
    ChildPrograms children(setup);
    ASSERT_TRUE(children.ok());
    pages::AcceptAndInstall(setup);
    HWND box = kit::WaitForMessageBox(setup.id());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(kit::MessageBoxText(box), L"C:\\media\\hostilecode\\setup.dat is damaged or is not a Windows Installer "
                                        L"package. Nothing was changed on this computer.");
    kit::PressButton(box, IDOK);
    ASSERT_TRUE(kit::WaitUntil([&] { return !IsWindow(box); }));
    InstallationWatch watch = WatchInstallation(setup, &children);
    EXPECT_EQ(watch.exitCode, 0u);
    EXPECT_EQ(watch.boxes, 0);
    EXPECT_TRUE(children.children().empty());
    EXPECT_TRUE(record.Calls("ITaskFolder::RegisterTaskDefinition").empty());
    EXPECT_TRUE(viewer.Running());
    ExpectEarlierBuildUntouched();
    EXPECT_FALSE(kit::KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Korvel\\Cartoline"));
    // The log says why, and the field's text never reaches it.
    const std::string text = kit::ReadBytes(log);
    EXPECT_NE(text.find("Setup data: product code \"\", "), std::string::npos);
    EXPECT_NE(text.find("Setup data: the product code field holds no product code"), std::string::npos);
    EXPECT_NE(text.find("setup.dat is damaged"), std::string::npos);
    EXPECT_EQ(text.find("x.msi"), std::string::npos);
    EXPECT_EQ(text.find("msiexec"), std::string::npos);
}

TEST(KeyboardOnly, TabSpaceAndEnterInstallTheProduct) {
    kit::Process setup = pages::StartSetup(pages::Medium(L"full"));
    HWND main = pages::WaitForReadyMainPage(setup);
    ASSERT_NE(main, nullptr);
    SetForegroundWindow(main);
    ASSERT_TRUE(kit::WaitUntil([&] { return kit::FocusOf(main) == main; }));
    // Tab to "Next", Enter.
    for (WORD key : {VK_TAB, VK_RETURN}) kit::PressKey(key);
    HWND license = kit::WaitForLicensePage(setup.id());
    ASSERT_NE(license, nullptr);
    ASSERT_TRUE(kit::WaitUntil([&] { return kit::FocusOf(license) == GetDlgItem(license, kit::kLicenseText); }));
    // From the text box: Tab to each checkbox and Space, Tab to "Next", Enter.
    for (WORD key : {VK_TAB, VK_SPACE, VK_TAB, VK_SPACE, VK_TAB, VK_RETURN}) kit::PressKey(key);
    // The outcome puts the focus on "Finish": Enter ends the setup.
    HWND outcome = pages::WaitForOutcome(setup);
    ASSERT_NE(outcome, nullptr);
    ASSERT_TRUE(kit::WaitUntil([&] { return kit::FocusOf(outcome) == GetDlgItem(outcome, kit::kProgressFinish); }));
    kit::PressKey(VK_RETURN);
    EXPECT_EQ(setup.Wait(60000), 0u);
    EXPECT_TRUE(Installed(kProductCode));
    EXPECT_EQ(ProductValue(L"Build"), L"2.0.0");
    EXPECT_TRUE(kit::FileExists(L"C:\\ExampleMaps\\maps.dat"));
    EXPECT_TRUE(Installed(UsbCode()));
    ExpectMachineTreeOpened();
}

TEST(Satellite, EnglishPackageWithTheSatellitesLanguage) {
    kit::Process setup = pages::StartSetup(pages::Medium(L"german"));
    pages::AcceptAndInstall(setup);
    EXPECT_EQ(pages::FinishInstallation(setup), 0u);
    EXPECT_TRUE(Installed(kProductCode));
    EXPECT_EQ(ProductValue(L"LANG"), L"DEU");
    std::wstring usbLang;
    ASSERT_TRUE(kit::GetString(HKEY_LOCAL_MACHINE, L"Software\\Korvel\\USB Drivers", L"LANG", &usbLang));
    EXPECT_EQ(usbLang, L"DEU");
}

}  // namespace
