// The installation's hand-off between its thread and the GUI thread, with real threads, events
// and posted messages: a question and its answer, a cancel meanwhile, the view gone while the
// thread waits, a stale answer, and the run's end by the restart rule.
#include "install/installation.h"

#include <gtest/gtest.h>

namespace {

constexpr UINT kChange = WM_APP + 7;
constexpr DWORD kWaitMs = 10000;

// A message-only window as the view: the test takes its messages itself, in order.
class View {
public:
    View() : window_(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)) {}
    ~View() { DestroyWindow(window_); }
    HWND hwnd() const { return window_; }

    // The next change the installation posted; Done is the last one.
    Installation::Change Next() {
        const DWORD start = GetTickCount();
        MSG message;
        while (!PeekMessageW(&message, window_, kChange, kChange, PM_REMOVE)) {
            const DWORD spent = GetTickCount() - start;
            if (spent >= kWaitMs) {
                ADD_FAILURE() << "no change posted";
                return Installation::Change::Done;
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, kWaitMs - spent, QS_POSTMESSAGE);
        }
        return static_cast<Installation::Change>(message.wParam);
    }

    // Skips steps and actions up to the next question (false when the operations ended first).
    bool NextQuestion() {
        for (Installation::Change change; (change = Next()) != Installation::Change::Done;)
            if (change == Installation::Change::Question) return true;
        return false;
    }

private:
    HWND window_;
};

InstallPlan PlanFor(SetupUi ui, bool noRestart = false) {
    InstallPlan plan;
    plan.options.ui = ui;
    plan.options.noRestart = noRestart;
    return plan;
}

// Operations that ask twice and report both answers and whether a cancel was asked for.
InstallOutcome AskTwice(const InstallPlan&, InstallObserver& observer) {
    InstallOutcome outcome;
    observer.OnStep(InstallStep::Product);
    outcome.productResult = static_cast<UINT>(observer.Ask(L"Retry?", MB_RETRYCANCEL));
    outcome.removalResult = static_cast<UINT>(observer.Ask(L"Ignore?", MB_YESNO));
    outcome.cancelled = observer.CancelRequested();
    return outcome;
}

TEST(Installation, ACancelDuringAQuestionStillLetsItsAnswerThroughAndAStaleAnswerIsDropped) {
    View view;
    Installation installation;
    installation.SetPlan(PlanFor(SetupUi::Full));
    installation.Watch(view.hwnd(), kChange);
    installation.Start(AskTwice);

    ASSERT_TRUE(view.NextQuestion());
    Installation::Question first;
    ASSERT_TRUE(installation.TakeQuestion(&first));
    EXPECT_EQ(first.text, L"Retry?");
    EXPECT_EQ(first.type, static_cast<UINT>(MB_RETRYCANCEL));
    Installation::Question again;
    EXPECT_FALSE(installation.TakeQuestion(&again)) << "a question is shown once";
    installation.Cancel();  // the user's cancel while the question is open
    EXPECT_EQ(WaitForSingleObject(installation.Ended(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    installation.Answer(first.serial, IDRETRY);

    ASSERT_TRUE(view.NextQuestion());
    Installation::Question second;
    ASSERT_TRUE(installation.TakeQuestion(&second));
    EXPECT_EQ(second.text, L"Ignore?");
    installation.Answer(first.serial, IDCANCEL);  // meant for the first: the thread still waits
    EXPECT_EQ(WaitForSingleObject(installation.Ended(), 300), static_cast<DWORD>(WAIT_TIMEOUT));
    installation.Answer(second.serial, IDYES);

    EXPECT_EQ(view.Next(), Installation::Change::Done);
    ASSERT_EQ(WaitForSingleObject(installation.Ended(), kWaitMs), WAIT_OBJECT_0);
    installation.Finish();
    EXPECT_EQ(installation.outcome().productResult, static_cast<UINT>(IDRETRY));
    EXPECT_EQ(installation.outcome().removalResult, static_cast<UINT>(IDYES));
    EXPECT_TRUE(installation.outcome().cancelled);
}

TEST(Installation, TheViewGoneWhileTheThreadWaitsLeavesEveryQuestionToTheInstaller) {
    View view;
    Installation installation;
    installation.SetPlan(PlanFor(SetupUi::Full));
    installation.Watch(view.hwnd(), kChange);
    installation.Start(AskTwice);
    ASSERT_TRUE(view.NextQuestion());
    Installation::Question question;
    ASSERT_TRUE(installation.TakeQuestion(&question));

    installation.Watch(nullptr, 0);  // the page goes with its box still open
    ASSERT_EQ(WaitForSingleObject(installation.Ended(), kWaitMs), WAIT_OBJECT_0);
    installation.Answer(question.serial, IDRETRY);  // the box's late answer reaches no one
    installation.Finish();
    EXPECT_EQ(installation.outcome().productResult, 0u);
    EXPECT_EQ(installation.outcome().removalResult, 0u) << "the second question was not asked";
    MSG message;
    EXPECT_FALSE(PeekMessageW(&message, view.hwnd(), kChange, kChange, PM_REMOVE)) << "posted after the view went";
}

TEST(Installation, StoppedWhileTheThreadWaitsForAnAnswer) {
    View view;
    Installation installation;
    installation.SetPlan(PlanFor(SetupUi::Full));
    installation.Watch(view.hwnd(), kChange);
    installation.Start(AskTwice);
    ASSERT_TRUE(view.NextQuestion());
    installation.Stop();  // as the run ends: a cancel, and the thread no longer waits
    EXPECT_EQ(WaitForSingleObject(installation.Ended(), 0), WAIT_OBJECT_0);
    EXPECT_TRUE(installation.CancelRequested());
    installation.Finish();
    EXPECT_TRUE(installation.outcome().cancelled);
}

// Unattended: nobody asked, and the run's end by the restart rule; a restart asked for before a
// failure stays pending.
struct RuleRow {
    const char* what;
    SetupUi ui;
    bool noRestart;
    UINT product;
    bool removalFailed;
    bool restartNeeded;  // asked for before the end
    DWORD exitCode;
    bool restartAtEnd;
    bool restartPending;
};
const RuleRow* g_rule = nullptr;  // the row the operations end as

TEST(Installation, WithoutAViewTheInstallerAnswersAndTheRunEndsByTheRestartRule) {
    const RuleRow rows[] = {
        {"installed", SetupUi::Quiet, false, 0, false, false, 0, false, false},
        {"restart asked for", SetupUi::Quiet, false, ERROR_SUCCESS_REBOOT_REQUIRED, false, false, 1641, true, true},
        {"restart asked for, /norestart", SetupUi::Passive, true, ERROR_SUCCESS_REBOOT_REQUIRED, false, false, 3010,
         false, true},
        {"failed removal of the earlier version", SetupUi::Quiet, false, 0, true, false, 1603, false, false},
        {"removal asked for a restart, then failed", SetupUi::Quiet, true, 0, true, true, 1603, false, true},
        {"interactive: a restart is offered, not done", SetupUi::Full, false, ERROR_SUCCESS_REBOOT_REQUIRED, false,
         false, 0, false, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Installation installation;
        installation.SetPlan(PlanFor(row.ui, row.noRestart));
        g_rule = &row;
        installation.Start([](const InstallPlan&, InstallObserver& observer) {
            const RuleRow& row = *g_rule;
            InstallOutcome outcome;
            outcome.removalResult = static_cast<UINT>(observer.Ask(L"Retry?", MB_RETRYCANCEL));
            outcome.productResult = row.product;
            outcome.restartNeeded = row.restartNeeded;
            if (row.removalFailed) {
                outcome.removalFailed = true;
                outcome.removalResult = ERROR_INSTALL_FAILURE;
            }
            return outcome;
        });
        ASSERT_EQ(WaitForSingleObject(installation.Ended(), kWaitMs), WAIT_OBJECT_0);
        const RunEnd& end = installation.Finish();
        EXPECT_EQ(end.exitCode, row.exitCode);
        EXPECT_EQ(end.restartPending, row.restartPending);
        EXPECT_EQ(installation.RestartAtEnd(), row.restartAtEnd);
        if (!row.removalFailed) {
            EXPECT_EQ(installation.outcome().removalResult, 0u);
        }
        if (row.ui == SetupUi::Full) {
            EXPECT_EQ(end.restart, RestartAction::Offer);
            installation.ChooseRestart();
            EXPECT_TRUE(installation.RestartAtEnd());
        }
    }
}

}  // namespace
