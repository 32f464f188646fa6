#pragma once
// The base of the setup's pages: a skinned dialog that the page controller shows and hides.
// Enter, Escape and a close request never end a page.
#include <windows.h>

#include <initializer_list>
#include <string>

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

    // One element of the page in reading order, and whether it takes the focus.
    struct ReadingElement {
        HWND window;
        bool tabStop;
    };
    // The page's elements from top to bottom as the user sees them: the window order, which Tab
    // and screen readers follow (and by which Windows names a text box after the label before
    // it), becomes this order; only the elements that take the focus are tab stops.
    void SetReadingOrder(std::initializer_list<ReadingElement> elements);
    // Where the focus goes when the page gets it with no element chosen. Without one the page
    // keeps it itself, so a stray Enter acts on no item.
    void SetStartFocus(HWND element) { startFocus_ = element; }

    // The skin every page shares: the icon in the title bar and task bar, no dragging, and the
    // background bitmap with the window fitted to it.
    void ApplySkin(const std::wstring& bitmapPath);

    HICON icon_ = nullptr;  // shared application icon, set by the concrete page

private:
    CBrowserController* controller_ = nullptr;
    HWND startFocus_ = nullptr;
};
