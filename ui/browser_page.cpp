#include "ui/browser_page.h"

CBrowserPage::CBrowserPage(UINT templateId, HWND parent) : CDialogSK(templateId, parent) {}

CBrowserPage::~CBrowserPage() = default;

void CBrowserPage::OnPageShown() {}

void CBrowserPage::DoDataExchange(fw::DataExchange& exchange) { CDialogSK::DoDataExchange(exchange); }

BOOL CBrowserPage::OnInitDialog() {
    CDialogSK::OnInitDialog();
    return TRUE;
}

void CBrowserPage::OnOK() {}

void CBrowserPage::OnCancel() {}
