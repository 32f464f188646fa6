#include "app/setup_app.h"

#include "framework/common_controls.h"
#include "framework/input_method.h"
#include "framework/message_box.h"
#include "pages/license_page.h"
#include "pages/main_page.h"
#include "pages/progress_page.h"
#include "ui/browser_controller.h"

BOOL CSetupApp::InitInstance() {
    fw::InitCommonControlsFromSystem();
    fw::App::InitInstance();
    run_.Start(*this);
    return TRUE;
}

bool CSetupApp::CreatePages() {
    // No page takes typed text (the license text is read-only): starting an input method for the
    // first window to take the focus is the dearest step before the main page shows. Only this
    // thread's: Windows Installer's dialogs run in this process on the installation's thread,
    // and a path typed there may need one.
    fw::TurnOffInputMethodForThisThread();
    mainPage_ = new CMainPageDlg();
    mainPage_->SetProductName(run_.data().productName);
    const bool created = mainPage_->Create(nullptr);
    mainPage_->SetController(&controller());
    controller_->AddPage(1, mainPage_);
    // Without its page the setup cannot go on: it ends with exit code 1, showing nothing more.
    return created;
}

CBrowserPage* CSetupApp::MakePage(int pageNumber) {
    CBrowserPage* page = nullptr;
    bool created = false;
    if (pageNumber == 2 && !licensePage_) {
        licensePage_ = new CEulaDlg();
        licensePage_->SetInstall([](void* run) { static_cast<SetupRun*>(run)->Install(); }, &run_);
        created = licensePage_->Create(nullptr);
        page = licensePage_;
    } else if (pageNumber == 3 && !progressPage_) {
        progressPage_ = new CProgressPage();
        progressPage_->SetProductName(run_.data().productName);
        created = progressPage_->Create(nullptr);
        page = progressPage_;
    }
    if (!page) return nullptr;
    page->SetController(controller_);
    if (created) return page;
    // A license page that cannot be made ends the setup, as at start-up; the run decides what a
    // missing installation page means.
    if (pageNumber == 2) run_.End(1);
    return nullptr;
}

CBrowserController& CSetupApp::controller() {
    if (!controller_) {
        controller_ = new CBrowserController();
        controller_->SetPageMaker(this);
    }
    return *controller_;
}

void CSetupApp::ClosePages() {
    // The pages before their controller: a page's last messages still reach its controller.
    fw::SetMainWindow(nullptr);
    delete progressPage_;
    progressPage_ = nullptr;
    delete licensePage_;
    licensePage_ = nullptr;
    delete mainPage_;
    mainPage_ = nullptr;
    delete controller_;
    controller_ = nullptr;
}

void CSetupApp::ShowMainPage(bool ready) {
    if (!mainPage_ || !mainPage_->hwnd()) return;
    if (ready) mainPage_->EnableNext();  // drawn enabled from its first painting
    controller_->ShowPage(1);
}

CProgressPage* CSetupApp::ShowProgressPage() {
    controller().ShowPage(3);
    return progressPage_ && progressPage_->hwnd() ? progressPage_ : nullptr;
}

bool CSetupApp::ShowInstallation(Installation& installation) {
    CProgressPage* page = ShowProgressPage();
    if (page) page->Watch(installation);
    return page;
}

void CSetupApp::ShowMediumCheck(MediumCheck& check) {
    if (CProgressPage* page = ShowProgressPage()) page->WatchMediumCheck(check);
}
