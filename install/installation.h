#pragma once
// The installation the run owns: the package operations (or the product's removal) on a thread
// of their own, and all that thread shares with the GUI thread: the step, the action, the bar,
// a question and its answer, the cancel, the outcome and the run's end. Whoever shows it (the
// installation's page, or nobody) only watches; the thread posts to the view, never touches it.
#include <windows.h>

#include <atomic>
#include <string>

#include "framework/handle.h"
#include "framework/lock.h"
#include "install/install_sequence.h"

class Installation : private InstallObserver {
public:
    // The view's message's wParam; lParam is the step, or whether a cancel can be taken now.
    enum class Change { Step, Action, Question, CancelShown, Done };
    // The operations of the plan (RunPackageOperations), told to this object.
    using Operations = InstallOutcome (*)(const InstallPlan& plan, InstallObserver& observer);
    struct Question {
        std::wstring text;
        UINT type = 0;  // the message box type
        unsigned serial = 0;
    };

    Installation();
    ~Installation();
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

    // What the operations do, fixed before a view watches them and they start.
    void SetPlan(const InstallPlan& plan) { plan_ = plan; }
    // Starts the operations on their own thread. A thread that cannot be made is a failed
    // installation (its error as the result), ended and told as any other.
    void Start(Operations operations);
    // The view, told each change by a posted message; Windows is asked to wait with the
    // session's end, giving reason, while the operations run. Null: the view is gone; a waiting
    // question is left to the installer, and so is every later one.
    void Watch(HWND view, UINT message, const std::wstring& reason = {});

    const InstallPlan& plan() const { return plan_; }
    int Permille() const { return permille_; }
    std::wstring ActionText() const;
    // The question the thread waits on, once: true the first time it is asked for.
    bool TakeQuestion(Question* question);
    // The answer to that question; an answer to one the thread no longer waits for is dropped.
    void Answer(unsigned serial, int answer);
    // The user's cancel, logged with what it means once the removal of the earlier version began.
    void Cancel();
    bool CancelRequested() override { return cancelRequested_; }
    // The removal of an installed earlier version has begun: a cancel no longer keeps it.
    bool RemovalBegun() const { return removalBegun_; }
    // Whether Windows may end the session (or ends it): not while the operations run; logged.
    bool MaySessionEnd(bool ending);

    // Signalled once the operations have ended.
    HANDLE Ended() const { return ended_.get(); }
    // Once ended, once: the thread gone, the session's end allowed again, and the run's end
    // decided by the restart rule and logged (the outcome the page shows, or an unattended restart).
    const RunEnd& Finish();
    const InstallOutcome& outcome() const { return outcome_; }
    // "Restart now" of the page: Windows restarts as the setup ends.
    void ChooseRestart();
    // Windows restarts as the setup ends: the rule says so, or the user chose it.
    bool RestartAtEnd() const {
        return finished_ && (end_.restart == RestartAction::RestartNow || restartChosen_);
    }
    // Cancels and waits for the thread, dispatching this thread's messages meanwhile.
    void Stop();

private:
    // InstallObserver, on the operations' thread.
    void OnStep(InstallStep step) override;
    void OnProgress(int permille) override { permille_ = permille; }
    void OnActionText(const std::wstring& text) override;
    int Ask(const std::wstring& text, UINT type) override;
    void OnCancelShown(bool shown) override;

    void Post(Change change, LPARAM value = 0);
    // While the operations run, Windows is asked to wait before it ends the session.
    void BlockShutdown(const std::wstring& reason);
    void AllowShutdown();

    InstallPlan plan_;
    Operations operations_ = nullptr;
    fw::UniqueHandle thread_;
    fw::UniqueHandle ended_;     // manual reset
    fw::UniqueHandle answered_;  // manual reset: the waiting question has its answer
    fw::UniqueHandle viewGone_;  // manual reset: no one answers any more
    std::atomic<HWND> view_{nullptr};
    UINT message_ = 0;
    HWND shutdownBlockedBy_ = nullptr;
    std::atomic<int> permille_{0};
    std::atomic<bool> cancelRequested_{false};
    std::atomic<bool> removalBegun_{false};
    mutable fw::CriticalSection lock_;  // guards the action and the question
    std::wstring actionText_;
    Question question_;
    bool questionWaiting_ = false;
    bool questionTaken_ = false;
    int answer_ = 0;
    // Written by the thread before ended_ is set; read after.
    InstallOutcome outcome_;
    bool finished_ = false;
    RunEnd end_;
    bool restartChosen_ = false;
};
