#include "app/setup_app.h"

#include "framework/common_controls.h"

#include "app/command_line.h"
#include "app/unattended_setup.h"
#include "app/uninstall_setup.h"

#include "framework/message_box.h"
#include "framework/proc_address.h"
#include "framework/strings.h"
#include "framework/wait_cursor.h"
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
    if (run_.instanceMutex) {
        ReleaseMutex(run_.instanceMutex);
        run_.instanceMutex = nullptr;  // closed with the process
    }
}

BOOL CSetupApp::InitInstance() {
    fw::InitCommonControlsFromSystem();
    fw::App::InitInstance();

    run_.Begin(ParseSetupCommandLine(GetCommandLineW(), fw::ModulePath()));
    const SetupOptions& options = run_.options();
    const StartAction action = ChooseStartAction(options, IsWindowStationVisible());
    // A run without pages joins the single-threaded apartment before anything else. The pages
    // need none of COM's libraries, which take long to load: in the interactive run the GUI
    // thread joins COM only when a screen reader first asks a page (item_accessible).
    if (action != StartAction::Interactive) apartment_.Initialize(COINIT_APARTMENTTHREADED);
    switch (action) {
    case StartAction::Unattended:
    case StartAction::Uninstall: {
        DWORD exitCode = 0;
        if (!StartUnattendedRun(run_, &exitCode)) {
            run_.End(exitCode);
            return TRUE;
        }
        break;
    }
    case StartAction::UsageToLog:
    case StartAction::NeedsQuiet:
        run_.End(RunInvisibleStart(options, run_.log));
        return TRUE;
    case StartAction::UsageBox:
        fw::AppMessageBox(UsageText(), MB_ICONINFORMATION | MB_OK);
        run_.End(options.invalid.empty() ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER);
        return TRUE;
    case StartAction::Interactive:
        if (!options.logFile.empty()) StartSetupLog(run_.log, options.logFile);  // unwritable: no log
        run_.pages = this;
        break;
    }

    fw::WaitCursor wait;  // covers the engine update, the pages and the system checks
    SetApplicationTitle(fw::LoadResString(IDS_APPLICATION_TITLE));
    if (!run_.Walk(CheckPhase::Start)) return TRUE;
    switch (run_.kind()) {
    case RunKind::Pages: break;  // the pages take it from here
    case RunKind::Uninstall: run_.End(RemoveProduct(run_)); break;
    case RunKind::Quiet:
        if (run_.Walk(CheckPhase::Installation)) run_.End(InstallQuietly(run_));
        break;
    case RunKind::Passive:
        if (run_.Walk(CheckPhase::Installation)) RunPassive();
        break;
    }
    return TRUE;
}

namespace {

// No window of the setup takes typed text (the license text is read-only), so the process needs
// no input method: starting one for the first window to take the focus is the dearest step
// before the main page shows. Where the input method library is not loaded, there is none.
void TurnOffInputMethod() {
    using ImmDisableImeFn = BOOL(WINAPI*)(DWORD);
    auto disable = fw::ProcAddress<ImmDisableImeFn>(GetModuleHandleW(L"imm32.dll"), "ImmDisableIME");
    if (disable) disable(static_cast<DWORD>(-1));  // every thread of the process
}

}  // namespace

bool CSetupApp::CreatePages() {
    TurnOffInputMethod();
    controller_ = new CBrowserController();
    controller_->SetPageMaker(this);
    mainPage_ = new CMainPageDlg();
    mainPage_->SetProductName(run_.data.productName);
    const bool created = mainPage_->Create(nullptr);
    mainPage_->SetController(controller_);
    controller_->AddPage(1, mainPage_);
    // Without its page the setup cannot go on: it ends with exit code 1, showing nothing more.
    return created;
}

CBrowserPage* CSetupApp::MakePage(int pageNumber) {
    CBrowserPage* page = nullptr;
    bool created = false;
    if (pageNumber == 2 && !licensePage_) {
        licensePage_ = new CEulaDlg();
        licensePage_->SetRun(&run_);
        created = licensePage_->Create(nullptr);
        page = licensePage_;
    } else if (pageNumber == 3 && !progressPage_) {
        progressPage_ = new CProgressPage();
        progressPage_->SetProductName(run_.data.productName);
        progressPage_->SetRun(&run_);
        created = progressPage_->Create(nullptr);
        page = progressPage_;
    }
    if (!page) return nullptr;
    page->SetController(controller_);
    if (created) return page;
    run_.End(1);  // a page that cannot be made ends the setup, as at start-up
    return nullptr;
}

void CSetupApp::ShowMainPage() { controller_->ShowPage(1); }

void CSetupApp::StartChecksPassed() { mainPage_->EnableNext(); }

void CSetupApp::ShowInstallation(const InstallPlan& plan) {
    controller_->ShowPage(3);
    if (progressPage_ && progressPage_->hwnd()) progressPage_->Start(plan);
}

void CSetupApp::RunPassive() {
    controller_ = new CBrowserController();
    progressPage_ = new CProgressPage();
    progressPage_->SetProductName(run_.data.productName);
    progressPage_->SetRun(&run_);
    const bool created = progressPage_->Create(nullptr);
    progressPage_->SetController(controller_);
    controller_->AddPage(3, progressPage_);
    if (!created) {  // no window to show it in: the installation still runs, as a quiet one
        run_.End(InstallQuietly(run_));
        return;
    }
    controller_->ShowPage(3);
    progressPage_->Start(run_.plan,
                         [this](const InstallOutcome& outcome) { run_.End(UnattendedExitCode(run_, outcome)); });
}
