#include "pages/progress_page.h"

#include <commctrl.h>

#include "framework/message_box.h"
#include "framework/strings.h"
#include "system/setup_log.h"
#include "pages/main_page.h"
#include "pages/outcome_texts.h"
#include "pages/page_paths.h"
#include "resources/resource.h"
#include "ui/browser_controller.h"

namespace {

constexpr UINT kChangeMessage = WM_APP + 1;
constexpr UINT_PTR kBarTimer = 1;
// The bar moves at most this often, so a screen reader hears its value change a few times a
// second, not on every one of the installer's messages.
constexpr UINT kBarIntervalMs = 250;
constexpr int kBarRange = 1000;

}  // namespace

CProgressPage::CProgressPage() : CBrowserPage(IDD_PROGRESS_PAGE) { icon_ = ApplicationIcon(); }

CProgressPage::~CProgressPage() {
    if (installation_) installation_->Watch(nullptr, 0);  // nothing is answered any more
}

void CProgressPage::DoDataExchange(fw::DataExchange& exchange) {
    CBrowserPage::DoDataExchange(exchange);
    exchange.Attach(IDC_PROGRESS_TITLE, titleItem_);
    exchange.Attach(IDC_PROGRESS_STEP, stepItem_);
    exchange.Attach(IDC_PROGRESS_BAR, bar_);
    exchange.Attach(IDC_PROGRESS_ACTION, actionItem_);
    exchange.Attach(IDC_PROGRESS_CANCEL, cancelItem_);
    exchange.Attach(IDC_PROGRESS_RESTART, restartItem_);
    exchange.Attach(IDC_PROGRESS_FINISH, finishItem_);
}

BOOL CProgressPage::OnInitDialog() {
    CBrowserPage::OnInitDialog();
    ApplySkin(BackgroundBitmapPath());

    SetPassiveText(titleItem_, 12);
    SetPassiveText(stepItem_, 9);
    SetPassiveText(actionItem_, 8);
    cancelItem_.SetCaption(IDS_CANCEL);
    restartItem_.SetCaption(IDS_RESTART_NOW);
    finishItem_.SetCaption(IDS_FINISH);
    bar_.Send(PBM_SETRANGE32, 0, kBarRange);
    SetReadingOrder({{titleItem_.hwnd(), false},
                     {stepItem_.hwnd(), false},
                     {bar_.hwnd(), false},
                     {actionItem_.hwnd(), false},
                     {restartItem_.hwnd(), true},
                     {cancelItem_.hwnd(), true},
                     {finishItem_.hwnd(), true}});
    return TRUE;
}

void CProgressPage::StartWatching() {
    std::wstring title = MainPageTitle(fw::LoadResString(IDS_TITLE_FORMAT), productName_);
    titleItem_.SetCaption(title.empty() ? fw::LoadResString(IDS_APPLICATION_TITLE) : title);
    SetTimer(hwnd(), kBarTimer, kBarIntervalMs, nullptr);
    // The page has just been shown: the focus on the step, which a screen reader reads, and not
    // on "Cancel", where the Enter that chose "Next" could still act.
    FocusItem(stepItem_.hwnd());
}

void CProgressPage::FocusItem(HWND item) {
    SetStartFocus(item);
    if (GetActiveWindow() == hwnd()) SetFocus(item);
}

void CProgressPage::EnableCancel(bool enabled) {
    cancelItem_.Enable(enabled);
    cancelItem_.RedrawInParent();
    KeepFocusOnVisibleItem();
}

void CProgressPage::Watch(Installation& installation) {
    installation_ = &installation;
    if (Unattended()) ShowWindow(cancelItem_.hwnd(), SW_HIDE);  // not cancelled from its window
    StartWatching();
    // The reason Windows shows while the session's end waits: what the run does as a whole.
    const bool removal = installation.plan().productRemoval;
    installation.Watch(hwnd(), kChangeMessage,
                       StepText(removal ? InstallStep::Removal : InstallStep::Product, removal, productName_,
                                fw::LoadResString));
}

void CProgressPage::WatchMediumCheck(MediumCheck& check) {
    mediumCheck_ = &check;
    stepItem_.SetCaption(IDS_STEP_CHECKING_MEDIUM);
    StartWatching();
}

// Nothing has changed yet: the check stops at once, without a question.
void CProgressPage::CancelMediumCheck() {
    if (!mediumCheck_) return;
    mediumCheck_->Cancel();
    LogEvent("Cancel: the user asked for it while the medium was checked");
    EnableCancel(false);
}

void CProgressPage::KeepFocusOnVisibleItem() {
    const HWND focus = GetFocus();
    if (focus && IsChild(hwnd(), focus) && IsWindowVisible(focus) && IsWindowEnabled(focus)) return;
    HWND target = stepItem_.hwnd();
    for (HWND item : {finishItem_.hwnd(), cancelItem_.hwnd(), restartItem_.hwnd()}) {
        if (IsWindowVisible(item) && IsWindowEnabled(item)) {
            target = item;
            break;
        }
    }
    FocusItem(target);
}

void CProgressPage::AnswerQuestion() {
    Installation::Question question;
    if (!installation_->TakeQuestion(&question)) return;  // answered already, or no longer asked
    installerAsking_ = true;
    const int answer = fw::AppMessageBox(question.text, question.type);
    installerAsking_ = false;
    installation_->Answer(question.serial, answer);
}

void CProgressPage::UpdateBar() {
    const int value = installation_ ? installation_->Permille() : mediumCheck_ ? mediumCheck_->Permille() : 0;
    if (bar_.Send(PBM_GETPOS) != static_cast<LRESULT>(value)) bar_.Send(PBM_SETPOS, static_cast<WPARAM>(value));
}

bool CProgressPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    switch (message) {
    case kChangeMessage:
        OnChange(static_cast<Installation::Change>(wParam), lParam);
        *result = 0;
        return true;
    case WM_QUERYENDSESSION:
        *result = !installation_ || installation_->MaySessionEnd(false);
        return true;
    case WM_ENDSESSION:
        if (wParam && installation_) installation_->MaySessionEnd(true);
        *result = 0;
        return true;
    case WM_TIMER:
        if (wParam != kBarTimer) break;
        UpdateBar();
        *result = 0;
        return true;
    default: break;
    }
    return CBrowserPage::OnMessage(message, wParam, lParam, result);
}

void CProgressPage::OnChange(Installation::Change change, LPARAM value) {
    switch (change) {
    case Installation::Change::Step:
        if (!done_)
            stepItem_.SetCaption(StepText(static_cast<InstallStep>(value), installation_->plan().productRemoval,
                                          productName_, fw::LoadResString));
        break;
    case Installation::Change::Action:
        if (!done_) actionItem_.SetCaption(installation_->ActionText());
        break;
    case Installation::Change::Question:
        // While the cancel question is open the installer's question waits, and comes after it.
        if (!asking_) AnswerQuestion();
        break;
    case Installation::Change::CancelShown:
        cancelShown_ = value != 0;
        if (!done_ && !installation_->CancelRequested()) {
            EnableCancel(cancelShown_);
        }
        break;
    case Installation::Change::Done:
        done_ = true;
        KillTimer(hwnd(), kBarTimer);
        UpdateBar();
        if (!Unattended()) ShowOutcome(installation_->Finish());  // the run ends an unattended one
        break;
    }
}

void CProgressPage::ShowOutcome(const RunEnd& end) {
    const SetupLog* log = ActiveSetupLog();
    const OutcomeTexts texts = BuildOutcomeTexts(installation_->outcome(), productName_,
                                                 installation_->plan().driveRoot, log ? log->path() : L"",
                                                 end.restartPending, fw::LoadResString);
    stepItem_.SetCaption(texts.headline);
    actionItem_.SetCaption(texts.details);
    ShowWindow(cancelItem_.hwnd(), SW_HIDE);
    cancelItem_.RedrawInParent();
    if (end.restart == RestartAction::Offer) {
        finishItem_.SetCaption(IDS_LATER);
        ShowWindow(restartItem_.hwnd(), SW_SHOW);
    }
    ShowWindow(finishItem_.hwnd(), SW_SHOW);
    FocusItem(finishItem_.hwnd());
}

void CProgressPage::ConfirmCancel() {
    asking_ = true;
    const int answer = fw::AppMessageBox(CancelQuestion(installation_->RemovalBegun(), productName_, fw::LoadResString),
                                         MB_YESNO | MB_ICONQUESTION);
    asking_ = false;
    if (answer == IDYES && !done_) CancelConfirmed();
    AnswerQuestion();  // one that came meanwhile; after Yes it still gets its answer
}

void CProgressPage::CancelConfirmed() {
    installation_->Cancel();
    EnableCancel(false);
}

bool CProgressPage::OnCommand(UINT id, UINT code) {
    if (code != 0 || asking_ || installerAsking_) return code == 0;
    switch (id) {
    case IDC_PROGRESS_CANCEL:
        if (!installation_) CancelMediumCheck();
        else if (!done_ && !Unattended() && !installation_->CancelRequested() && cancelShown_) ConfirmCancel();
        return true;
    case IDC_PROGRESS_RESTART:
        if (!done_) return true;
        installation_->ChooseRestart();
        Controller()->ExitSetup();
        return true;
    case IDC_PROGRESS_FINISH:
        if (done_ && !Unattended()) Controller()->ExitSetup();
        return true;
    default: return false;
    }
}
