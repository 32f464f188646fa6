#pragma once
// The base of the setup's pages: a skinned dialog that the page controller shows and hides.
// Enter, Escape and a close request never end a page.
#include <windows.h>

#include "ui/dialog_sk.h"

class CBrowserController;

class CBrowserPage : public CDialogSK {
public:
    explicit CBrowserPage(UINT templateId, HWND parent = nullptr);
    ~CBrowserPage() override;

    void SetController(CBrowserController* controller) { controller_ = controller; }
    CBrowserController* Controller() const { return controller_; }

    // Called by the controller each time the page has been shown.
    virtual void OnPageShown();

protected:
    void DoDataExchange(fw::DataExchange& exchange) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    HICON icon_ = nullptr;  // shared application icon, set by the concrete page

private:
    CBrowserController* controller_ = nullptr;
};
