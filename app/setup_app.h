#pragma once
// The application object: makes the windows the run asks for (the main page at start-up, the
// other pages as they are first shown) and owns them and the run.
#include <windows.h>

#include "app/setup_run.h"
#include "framework/app.h"
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
    bool ShowInstallation(Installation& installation) override;
    // PageMaker: the license page at the main page's "Next", the installation's page as the
    // installation begins.
    CBrowserPage* MakePage(int pageNumber) override;

    CBrowserController& controller();

    SetupRun run_;
    CBrowserController* controller_ = nullptr;
    CMainPageDlg* mainPage_ = nullptr;
    CEulaDlg* licensePage_ = nullptr;
    CProgressPage* progressPage_ = nullptr;
};

// Makes the loader look for DLLs loaded later in the system folder only, where the system
// supports it, so a DLL planted on the medium beside setup.exe is never loaded.
void RestrictDllSearchToSystemFolder();
