#pragma once
// The application object: start-up refuses a second setup and internal network users, brings
// the installer engine up to date, reads the setup data, builds both pages, closes the
// companion launcher and shows the main page.
#include <windows.h>

#include "app/setup_data.h"
#include "framework/app.h"
#include "framework/com.h"
#include "system/setup_log.h"

class CBrowserController;
class CMainPageDlg;
class CEulaDlg;
class CProgressPage;
struct InstallPlan;

class CSetupApp : public fw::App {
public:
    CSetupApp();
    ~CSetupApp() override;

    BOOL InitInstance() override;
    ProductSetupData ReadSetupData();

private:
    // A /passive run: the installation's page alone, ending by itself.
    BOOL RunPassive(const InstallPlan& plan, const std::wstring& productName);

    fw::ComScope apartment_;  // the GUI thread's single-threaded apartment, for the whole run
    CBrowserController* controller_ = nullptr;
    CMainPageDlg* mainPage_ = nullptr;
    CEulaDlg* licensePage_ = nullptr;
    CProgressPage* progressPage_ = nullptr;
    HANDLE instanceMutex_ = nullptr;
    SetupLog log_;  // written only when switches ask for a log
};

// Marks a running setup for the user's logon.
constexpr wchar_t kInstanceMutexName[] = L"Korvel Setup";

// Makes the loader look for DLLs loaded later in the system folder only, where the system
// supports it, so a DLL planted on the medium beside setup.exe is never loaded.
void RestrictDllSearchToSystemFolder();
