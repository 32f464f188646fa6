#pragma once
// Page 1: the product title, "Next" and "Exit". The run's start checks are made while it shows;
// "Next" is enabled once they pass.
#include <string>

#include "ui/browser_menu_item.h"
#include "ui/browser_page.h"

class CMainPageDlg : public CBrowserPage {
public:
    CMainPageDlg();
    ~CMainPageDlg() override;

    void SetProductName(const std::wstring& name) { productName_ = name; }
    void EnableNext() { nextItem_.Enable(true); }

protected:
    void DoDataExchange(fw::DataExchange& exchange) override;
    BOOL OnInitDialog() override;
    bool OnCommand(UINT id, UINT code) override;

private:
    void ConfirmExit();
    void ShowLicensePage();

    CBrowserMenuItem nextItem_;
    CBrowserMenuItem exitItem_;
    CBrowserMenuItem textItem_;
    std::wstring productName_;
};

// The title text: "%s Setup" with the product name, empty without a name or a format.
std::wstring MainPageTitle(const std::wstring& format, const std::wstring& productName);
