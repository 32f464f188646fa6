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

class CSetupApp : public fw::App, private PageMaker {
public:
    CSetupApp();
    ~CSetupApp() override;

    BOOL InitInstance() override;
    SetupRun& run() { return run_; }

    // The pages, hidden; false when one cannot be made.
    bool CreatePages();
    void ShowMainPage();
    // Every start check passed: the main page's "Next" may be used.
    void StartChecksPassed();
    // The installation's page, watching the installation; false when it cannot be made.
    bool ShowInstallation(Installation& installation);
    // The installation's page, watching the check of the medium before the installation.
    void ShowMediumCheck(MediumCheck& check);
    // Destroys every page, then their controller: nothing more takes the user's input.
    void ClosePages();

private:
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
