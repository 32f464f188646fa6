#pragma once
// The application object: the run's windows, made as the run asks (the main page at start-up, the
// other pages as they are first shown); the pages reach the run through its own functions.
#include <windows.h>

#include "app/setup_run.h"
#include "framework/app.h"
#include "ui/browser_controller.h"

class CMainPageDlg;
class CEulaDlg;
class CProgressPage;

class CSetupApp : public fw::App, private RunWindows, private PageMaker {
public:
    explicit CSetupApp(SetupRun& run) : run_(run) {}

    BOOL InitInstance() override;

private:
    // RunWindows.
    bool CreatePages() override;
    void ShowMainPage(bool ready) override;
    bool ShowInstallation(Installation& installation) override;
    void ShowMediumCheck(MediumCheck& check) override;
    // Destroys every page, then their controller: nothing more takes the user's input.
    void ClosePages() override;

    // PageMaker: the license page at the main page's "Next", the installation's page as the
    // installation begins; a page's "Exit" or "Finish" ends the run.
    CBrowserPage* MakePage(int pageNumber) override;
    void ExitSetup() override { run_.End(0); }

    CBrowserController& controller();
    // The installation's page shown, or null when it cannot be made.
    CProgressPage* ShowProgressPage();

    SetupRun& run_;
    CBrowserController* controller_ = nullptr;
    CMainPageDlg* mainPage_ = nullptr;
    CEulaDlg* licensePage_ = nullptr;
    CProgressPage* progressPage_ = nullptr;
};
