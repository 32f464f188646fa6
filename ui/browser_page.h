#pragma once
// The base of the setup's pages: a skinned dialog that the page controller shows and hides.
// Enter, Escape and a close request never end a page.
#include <windows.h>

#include <initializer_list>

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
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

    // The page's active elements in reading order: each becomes a tab stop, and the window
    // order, which Tab and screen readers follow, starts with them in this order.
    void SetTabOrder(std::initializer_list<HWND> elements);
    // Where the focus goes when the page gets it with no element chosen. Without one the page
    // keeps it itself, so a stray Enter acts on no item.
    void SetStartFocus(HWND element) { startFocus_ = element; }

    HICON icon_ = nullptr;  // shared application icon, set by the concrete page

private:
    CBrowserController* controller_ = nullptr;
    HWND startFocus_ = nullptr;
};
