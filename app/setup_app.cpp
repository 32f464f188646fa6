#include "app/setup_app.h"

#include "framework/common_controls.h"

#include "env/bootstrap.h"
#include "env/system_checks.h"
#include "framework/message_box.h"
#include "framework/proc_address.h"
#include "framework/strings.h"
#include "framework/wait_cursor.h"
#include "install/running_apps.h"
#include "pages/license_page.h"
#include "pages/main_page.h"
#include "resources/resource.h"
#include "ui/app_title.h"
#include "ui/browser_controller.h"

namespace {
constexpr wchar_t kInstanceMutex[] = L"Korvel Setup";
}  // namespace

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
    fw::WaitCursor wait;  // covers the engine update, the pages and the system checks

    SetApplicationTitle(fw::LoadResString(IDS_APPLICATION_TITLE));

    instanceMutex_ = CreateMutexW(nullptr, FALSE, kInstanceMutex);
    if (GetLastError() == ERROR_ALREADY_EXISTS) return FALSE;

    if (IsInternalNetworkUser()) {
        fw::AppMessageBox(IDS_INTERNAL_USER, MB_ICONINFORMATION | MB_OK, static_cast<UINT>(-1));
        return FALSE;
    }

    controller_ = new CBrowserController(new CBootstrap());

    ProductSetupData data = ReadSetupData();

    mainPage_ = new CMainPageDlg();
    mainPage_->SetProductName(data.productName);
    const bool mainCreated = mainPage_->Create(nullptr);
    mainPage_->SetController(controller_);
    controller_->AddPage(1, mainPage_);

    licensePage_ = new CEulaDlg();
    licensePage_->SetProductCode(data.productCode);
    licensePage_->SetRequiredSpace(data.requiredSpaceBytes);
    const bool licenseCreated = mainCreated && licensePage_->Create(nullptr);
    licensePage_->SetController(controller_);
    controller_->AddPage(2, licensePage_);

    if (!mainCreated || !licenseCreated) {
        // Without its pages the setup cannot go on: end through the message loop with exit
        // code 1, showing nothing more.
        PostQuitMessage(1);
        return TRUE;
    }

    CloseProgramByName(L"kStart.exe");
    controller_->ShowPage(1);
    SetMainWindow(mainPage_->hwnd());
    return TRUE;
}
