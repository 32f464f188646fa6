#include "app/setup_app.h"

#include "framework/common_controls.h"

#include "app/command_line.h"
#include "app/unattended_setup.h"
#include "app/uninstall_setup.h"

#include "env/bootstrap.h"
#include "env/system_checks.h"
#include "framework/message_box.h"
#include "framework/proc_address.h"
#include "framework/strings.h"
#include "framework/wait_cursor.h"
#include "install/install_sequence.h"
#include "install/running_apps.h"
#include "pages/license_page.h"
#include "pages/main_page.h"
#include "pages/progress_page.h"
#include "resources/resource.h"
#include "ui/app_title.h"
#include "ui/browser_controller.h"

void RestrictDllSearchToSystemFolder() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    auto setDefault = fw::ProcAddress<SetDefaultDllDirectoriesFn>(GetModuleHandleW(L"kernel32"),
                                                                  "SetDefaultDllDirectories");
    if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Where that is missing, at least the current folder leaves the search order (Windows XP
    // SP1 and later; Windows 2000 has neither).
    using SetDllDirectoryFn = BOOL(WINAPI*)(LPCWSTR);
    auto setDirectory = fw::ProcAddress<SetDllDirectoryFn>(GetModuleHandleW(L"kernel32"), "SetDllDirectoryW");
    if (setDirectory) setDirectory(L"");
}

CSetupApp::CSetupApp() = default;

CSetupApp::~CSetupApp() {
    delete controller_;
    controller_ = nullptr;
    delete progressPage_;
    progressPage_ = nullptr;
    delete licensePage_;
    licensePage_ = nullptr;
    delete mainPage_;
    mainPage_ = nullptr;
    if (instanceMutex_) {
        ReleaseMutex(instanceMutex_);
        instanceMutex_ = nullptr;  // closed with the process
    }
}

ProductSetupData CSetupApp::ReadSetupData() { return ::ReadSetupData(); }

BOOL CSetupApp::InitInstance() {
    fw::InitCommonControlsFromSystem();
    fw::App::InitInstance();

    // Switches: an unattended run, or the usage; with none the interactive run goes on as ever.
    const SetupOptions options = ParseSetupCommandLine(GetCommandLineW(), fw::ModulePath());
    const StartAction action = ChooseStartAction(options, IsWindowStationVisible());
    // A run without pages joins the single-threaded apartment before anything else. The pages
    // need none of COM's libraries, which take long to load: in the interactive run the GUI
    // thread joins COM only when a screen reader first asks a page (item_accessible).
    if (action != StartAction::Interactive) apartment_.Initialize(COINIT_APARTMENTTHREADED);
    switch (action) {
    case StartAction::Unattended: {
        if (options.ui == SetupUi::Quiet) {
            PostQuitMessage(static_cast<int>(RunUnattendedSetup(options, log_, &instanceMutex_)));
            return TRUE;
        }
        const UnattendedStart start = BeginUnattendedSetup(options, log_, &instanceMutex_);
        if (start.ended) {
            PostQuitMessage(static_cast<int>(start.exitCode));
            return TRUE;
        }
        return RunPassive(start.plan, start.data.productName);
    }
    case StartAction::Uninstall:
        PostQuitMessage(static_cast<int>(RunUninstallSetup(options, log_, &instanceMutex_)));
        return TRUE;
    case StartAction::UsageToLog:
    case StartAction::NeedsQuiet:
        PostQuitMessage(static_cast<int>(RunInvisibleStart(options, log_)));
        return TRUE;
    case StartAction::UsageBox:
        fw::AppMessageBox(UsageText(), MB_ICONINFORMATION | MB_OK);
        PostQuitMessage(options.invalid.empty() ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER);
        return TRUE;
    case StartAction::Interactive:
        break;
    }
    if (!options.logFile.empty()) StartSetupLog(log_, options.logFile);  // unwritable: no log
    InstallOptions install;
    install.noRestart = options.noRestart;
    SetInteractiveInstallOptions(install);

    fw::WaitCursor wait;  // covers the engine update, the pages and the system checks

    SetApplicationTitle(fw::LoadResString(IDS_APPLICATION_TITLE));

    instanceMutex_ = CreateMutexW(nullptr, FALSE, kInstanceMutexName);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        LogEvent(L"Single instance: another copy of the setup is running");
        return FALSE;
    }
    LogEvent(L"Single instance: passed");

    if (IsInternalNetworkUser()) {
        LogEvent(fw::LoadEnglishString(IDS_INTERNAL_USER));
        fw::AppMessageBox(IDS_INTERNAL_USER, MB_ICONINFORMATION | MB_OK, static_cast<UINT>(-1));
        return FALSE;
    }
    LogEvent(L"Internal network user: no");

    controller_ = new CBrowserController(new CBootstrap());

    ProductSetupData data = ReadSetupData();
    LogSetupData(data);

    mainPage_ = new CMainPageDlg();
    mainPage_->SetProductName(data.productName);
    const bool mainCreated = mainPage_->Create(nullptr);
    mainPage_->SetController(controller_);
    controller_->AddPage(1, mainPage_);

    progressPage_ = new CProgressPage();
    progressPage_->SetProductName(data.productName);
    const bool progressCreated = mainCreated && progressPage_->Create(nullptr);
    progressPage_->SetController(controller_);
    controller_->AddPage(3, progressPage_);

    licensePage_ = new CEulaDlg();
    licensePage_->SetProgressPage(progressPage_);
    licensePage_->SetProductCode(data.productCode);
    licensePage_->SetRequiredSpace(data.requiredSpaceBytes);
    const bool licenseCreated = progressCreated && licensePage_->Create(nullptr);
    licensePage_->SetController(controller_);
    controller_->AddPage(2, licensePage_);

    if (!mainCreated || !licenseCreated) {
        // Without its pages the setup cannot go on: end through the message loop with exit
        // code 1, showing nothing more.
        PostQuitMessage(1);
        return TRUE;
    }

    LogEvent(CloseProgramByName(L"kStart.exe") ? L"kStart.exe: closed" : L"kStart.exe: not running");
    controller_->ShowPage(1);
    SetMainWindow(mainPage_->hwnd());
    return TRUE;
}

BOOL CSetupApp::RunPassive(const InstallPlan& plan, const std::wstring& productName) {
    controller_ = new CBrowserController(nullptr);
    progressPage_ = new CProgressPage();
    progressPage_->SetProductName(productName);
    const bool created = progressPage_->Create(nullptr);
    progressPage_->SetController(controller_);
    controller_->AddPage(3, progressPage_);
    auto finished = [plan](const InstallOutcome& outcome) { PostQuitMessage(static_cast<int>(EndUnattendedSetup(plan, outcome))); };
    if (!created) {  // no window to show it in: the installation still runs, as a quiet one
        PostQuitMessage(static_cast<int>(InstallQuietly(plan)));
        return TRUE;
    }
    controller_->ShowPage(3);
    SetMainWindow(progressPage_->hwnd());
    progressPage_->Start(plan, finished);
    return TRUE;
}
