#pragma once
// Page 3: the installation itself, as a view of the installation the run owns. While the
// package operations run the page shows the product title, the current step, one progress bar,
// the installer's current action and "Cancel"; afterwards it says what happened, with "Finish"
// (or "Restart now" and "Later" when Windows must restart). It owns no thread: the installation
// posts it each change, and the page shows the installer's questions and sends the answers back.
#include <windows.h>

#include <string>

#include "framework/control.h"
#include "install/installation.h"
#include "install/medium_check.h"
#include "ui/browser_menu_item.h"
#include "ui/browser_page.h"
#include "ui/progress_bar.h"

class CProgressPage : public CBrowserPage {
public:
    CProgressPage();
    ~CProgressPage() override;

    void SetProductName(const std::wstring& name) { productName_ = name; }
    // Watches the installation from now on. An unattended one has no "Cancel" and asks nothing,
    // and the run ends it; otherwise the page shows the run's end and waits for "Finish".
    void Watch(Installation& installation);
    // Before the installation: the check of the medium, with its own bar and a "Cancel" that
    // stops it with nothing changed. Watch takes over when the installation begins.
    void WatchMediumCheck(MediumCheck& check);

protected:
    void DoDataExchange(fw::DataExchange& exchange) override;
    BOOL OnInitDialog() override;
    bool OnCommand(UINT id, UINT code) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    void OnChange(Installation::Change change, LPARAM value);
    void ShowOutcome(const RunEnd& end);
    void ConfirmCancel();
    void CancelMediumCheck();
    void CancelConfirmed();
    // Shows the installation's waiting question, if one waits unshown, and sends the answer back.
    void AnswerQuestion();
    void UpdateBar();
    // After an item went away or became unavailable: the focus on the first item that can take
    // it, else on the step, which a screen reader then reads; never on nothing.
    void KeepFocusOnVisibleItem();
    // The title, the bar's timer and the focus on the step, as the page starts watching.
    void StartWatching();
    // The focus on the item now if the page is active, and when the page next is.
    void FocusItem(HWND item);
    // "Cancel" enabled or not, and the focus kept on an item that takes it.
    void EnableCancel(bool enabled);
    bool Unattended() const { return installation_->plan().options.Unattended(); }

    std::wstring productName_;
    Installation* installation_ = nullptr;
    MediumCheck* mediumCheck_ = nullptr;  // watched until the installation is
    bool done_ = false;
    bool asking_ = false;  // the cancel question is open
    bool installerAsking_ = false;  // an installer's question is open
    bool cancelShown_ = true;  // the installer can take a cancel now
    CBrowserMenuItem titleItem_;
    CBrowserMenuItem stepItem_;
    CBrowserMenuItem actionItem_;
    CBrowserMenuItem cancelItem_;
    CBrowserMenuItem restartItem_;
    CBrowserMenuItem finishItem_;
    CProgressBar bar_;
};
