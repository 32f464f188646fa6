#pragma once
// The application object: reads the switches, walks the run's start checks (which build and
// show the main page in the run with pages), makes the other pages as they are first shown, and
// owns the pages and the run.
#include <windows.h>

#include "app/setup_data.h"
#include "app/setup_run.h"
#include "framework/app.h"
#include "framework/com.h"
#include "ui/browser_controller.h"

class CMainPageDlg;
class CEulaDlg;
class CProgressPage;

class CSetupApp : public fw::App, private RunPages, private PageMaker {
public:
    CSetupApp();
    ~CSetupApp() override;

    BOOL InitInstance() override;
    SetupRun& run() { return run_; }

private:
    // RunPages
    bool CreatePages() override;
    void ShowMainPage() override;
    void StartChecksPassed() override;
    void ShowInstallation(const InstallPlan& plan) override;
    // PageMaker: the license page at the main page's "Next", the installation's page as the
    // installation begins.
    CBrowserPage* MakePage(int pageNumber) override;

    // A /passive run: the installation's page alone, ending by itself.
    void RunPassive();

    fw::ComScope apartment_;  // the GUI thread's single-threaded apartment, for the whole run
    SetupRun run_;
    CBrowserController* controller_ = nullptr;
    CMainPageDlg* mainPage_ = nullptr;
    CEulaDlg* licensePage_ = nullptr;
    CProgressPage* progressPage_ = nullptr;
};

// Makes the loader look for DLLs loaded later in the system folder only, where the system
// supports it, so a DLL planted on the medium beside setup.exe is never loaded.
void RestrictDllSearchToSystemFolder();
