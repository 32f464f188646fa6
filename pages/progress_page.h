#pragma once
// Page 3: the installation itself. While the package operations run on their own thread the
// page shows the product title, the current step, one progress bar, the installer's current
// action and "Cancel"; afterwards it says what happened, with "Finish" (or "Restart now" and
// "Later" when Windows must restart). The operations' thread only posts to the page (the step,
// the action, a question, the end) and waits for an answer on an event the page sets; the GUI
// thread never waits for it but in StopOperations, which dispatches meanwhile.
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

#include "framework/control.h"
#include "framework/handle.h"
#include "install/install_sequence.h"
#include "pages/page_run.h"
#include "ui/browser_menu_item.h"
#include "ui/browser_page.h"
#include "ui/progress_bar.h"

class CProgressPage : public CBrowserPage, private InstallObserver {
public:
    CProgressPage();
    ~CProgressPage() override;

    void SetProductName(const std::wstring& name) { productName_ = name; }
    // The run that restarts Windows at its end when asked to.
    void SetRun(PageRun* run) { run_ = run; }
    // Starts the package operations. Without finished, the page shows the outcome and waits for
    // "Finish"; with it (an unattended run) the page has no "Cancel", asks nothing, and hands the
    // outcome to finished.
    void Start(const InstallPlan& plan, std::function<void(const InstallOutcome&)> finished = nullptr);

protected:
    void DoDataExchange(fw::DataExchange& exchange) override;
    BOOL OnInitDialog() override;
    bool OnCommand(UINT id, UINT code) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    // InstallObserver, on the operations' thread.
    void OnStep(InstallStep step) override;
    void OnProgress(int permille) override;
    void OnActionText(const std::wstring& text) override;
    int Ask(const std::wstring& text, UINT type) override;
    bool CancelRequested() override { return cancelRequested_; }
    void OnCancelShown(bool shown) override;

    // Cancels the operations and waits for their thread to end, dispatching this thread's
    // messages meanwhile; an open question is left to the installer.
    void StopOperations();
    void ShowOutcome();
    void ConfirmCancel();
    void CancelConfirmed();
    // Shows the operations' thread's question and gives it the answer.
    void AnswerQuestion(void* question);
    void UpdateBar();
    // After an item went away or became unavailable: the focus on the first item that can take
    // it, else on the step, which a screen reader then reads; never on nothing.
    void KeepFocusOnVisibleItem();
    // While the package operations run, Windows is asked to wait before it ends the session.
    void BlockShutdown(bool block);

    std::wstring productName_;
    PageRun* run_ = nullptr;
    InstallPlan plan_;
    InstallOutcome outcome_;
    std::function<void(const InstallOutcome&)> finished_;
    fw::UniqueHandle worker_;
    DWORD guiThread_ = 0;
    fw::UniqueHandle stopping_;  // set when the page goes: no question is answered any more
    std::atomic<int> permille_{0};
    std::atomic<bool> cancelRequested_{false};
    bool done_ = false;
    bool asking_ = false;  // the cancel question is open
    bool installerAsking_ = false;  // an installer's question is open
    // An installer's question that came while the cancel question was open: one box at a time,
    // so it is shown once that is answered.
    void* pendingQuestion_ = nullptr;
    bool cancelShown_ = true;  // the installer can take a cancel now
    bool shutdownBlocked_ = false;
    bool removalBegun_ = false;
    CRITICAL_SECTION actionLock_;
    std::wstring actionText_;  // guarded by actionLock_
    CBrowserMenuItem titleItem_;
    CBrowserMenuItem stepItem_;
    CBrowserMenuItem actionItem_;
    CBrowserMenuItem cancelItem_;
    CBrowserMenuItem restartItem_;
    CBrowserMenuItem finishItem_;
    CProgressBar bar_;
};

// The outcome's two texts: what happened, and its details (the drive, or the installer's error
// and result, and the setup log).
struct OutcomeTexts {
    std::wstring headline;
    std::wstring details;
};
// The strings come from the string table through text(id).
// A cancel or a failure says where the earlier version stands; a restart asked for on the way
// is said whatever the end.
OutcomeTexts BuildOutcomeTexts(const InstallOutcome& outcome, const std::wstring& productName,
                               const std::wstring& driveRoot, const std::wstring& logPath, bool noRestart,
                               const std::function<std::wstring(UINT)>& text);
// "Cancel the installation?", and once the removal of the earlier version has begun what a
// cancel then means.
std::wstring CancelQuestion(bool removalBegun, const std::wstring& productName,
                            const std::function<std::wstring(UINT)>& text);
// "Installing %s" with the product name, "Installing the product" without one.
std::wstring StepText(InstallStep step, const std::wstring& productName, const std::function<std::wstring(UINT)>& text);
