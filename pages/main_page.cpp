#include "pages/main_page.h"

#include "framework/message_box.h"
#include "framework/strings.h"
#include "pages/page_paths.h"
#include "resources/resource.h"
#include "ui/browser_controller.h"

std::wstring MainPageTitle(const std::wstring& format, const std::wstring& productName) {
    // A satellite table without the format gives no title rather than a stray name.
    if (productName.empty() || format.find(L"%s") == std::wstring::npos) return {};
    return fw::ReplaceFirst(format, L"%s", productName);
}

CMainPageDlg::CMainPageDlg() : CBrowserPage(IDD_MAIN_PAGE) { icon_ = ApplicationIcon(); }

CMainPageDlg::~CMainPageDlg() = default;

void CMainPageDlg::DoDataExchange(fw::DataExchange& exchange) {
    CBrowserPage::DoDataExchange(exchange);
    exchange.Attach(IDC_NEXT_ITEM, nextItem_);
    exchange.Attach(IDC_EXIT_ITEM, exitItem_);
    exchange.Attach(IDC_TEXT_ITEM, textItem_);
}

BOOL CMainPageDlg::OnInitDialog() {
    CBrowserPage::OnInitDialog();
    ApplySkin(BackgroundBitmapPath());

    textItem_.SetFontSize(10);
    textItem_.SetCaption(MainPageTitle(fw::LoadResString(IDS_TITLE_FORMAT), productName_));
    textItem_.SetPassive(true);

    exitItem_.SetCaption(IDS_EXIT);
    exitItem_.SetHoverDescription(IDS_EXIT_DESCRIPTION, &textItem_, 0);
    nextItem_.SetCaption(IDS_NEXT);
    nextItem_.SetHoverDescription(IDS_NEXT_DESCRIPTION, &textItem_, 0);
    nextItem_.Enable(false);

    // Read from the top: the title, then "Next" and "Exit", which Tab reaches in that order.
    SetReadingOrder({{textItem_.hwnd(), false}, {nextItem_.hwnd(), true}, {exitItem_.hwnd(), true}});
    return TRUE;
}

bool CMainPageDlg::OnCommand(UINT id, UINT code) {
    if (code != 0) return false;
    if (id == IDC_EXIT_ITEM) {
        ConfirmExit();
        return true;
    }
    if (id == IDC_NEXT_ITEM) {
        ShowLicensePage();
        return true;
    }
    return false;
}

void CMainPageDlg::ConfirmExit() {
    if (fw::AppMessageBox(IDS_CONFIRM_EXIT, MB_YESNO | MB_ICONQUESTION) == IDYES)
        Controller()->ExitSetup();
}

void CMainPageDlg::ShowLicensePage() { Controller()->ShowPage(2); }
