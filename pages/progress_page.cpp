#include "pages/progress_page.h"

#include <commctrl.h>

#include "framework/message_box.h"
#include "framework/strings.h"
#include "framework/thread.h"
#include "system/setup_log.h"
#include "pages/main_page.h"
#include "pages/page_paths.h"
#include "resources/resource.h"
#include "ui/browser_controller.h"

namespace {

constexpr UINT kStepMessage = WM_APP + 1;
constexpr UINT kActionMessage = WM_APP + 2;
constexpr UINT kDoneMessage = WM_APP + 3;
constexpr UINT kAskMessage = WM_APP + 4;
constexpr UINT_PTR kBarTimer = 1;
// The bar moves at most this often, so a screen reader hears its value change a few times a
// second, not on every one of the installer's messages.
constexpr UINT kBarIntervalMs = 250;
constexpr int kBarRange = 1000;

// A question of the operations' thread; it waits until answered is set.
struct AskRequest {
    const std::wstring* text;
    UINT type;
    int answer;
    HANDLE answered;
};

std::wstring Joined(const std::wstring& first, const std::wstring& second, const wchar_t* separator = L"\n") {
    if (first.empty()) return second;
    if (second.empty()) return first;
    return first + separator + second;
}

}  // namespace

std::wstring StepText(InstallStep step, const std::wstring& productName, const std::function<std::wstring(UINT)>& text) {
    switch (step) {
    case InstallStep::Removal: return text(IDS_STEP_REMOVAL);
    case InstallStep::Drivers: return text(IDS_STEP_DRIVERS);
    case InstallStep::Product: break;
    }
    if (productName.empty()) return text(IDS_STEP_PRODUCT_UNNAMED);
    return fw::ReplaceFirst(text(IDS_STEP_PRODUCT), L"%s", productName);
}

OutcomeTexts BuildOutcomeTexts(const InstallOutcome& outcome, const std::wstring& productName,
                               const std::wstring& driveRoot, const std::wstring& logPath,
                               const std::function<std::wstring(UINT)>& text) {
    if (outcome.cancelled) return {text(IDS_CANCELLED), {}};
    const RunEnd end = DecideRunEnd(outcome.productResult, outcome.restartNeeded, false, false);
    if (outcome.productResult != ERROR_SUCCESS && end.restart == RestartAction::None) {
        const std::wstring result =
            fw::ReplaceFirst(text(IDS_FAILED_RESULT), L"%u", fw::Decimal(outcome.productResult));
        std::wstring details = Joined(outcome.lastError, result);
        if (!logPath.empty()) details = Joined(details, fw::ReplaceFirst(text(IDS_FAILED_LOG), L"%s", logPath));
        return {text(IDS_FAILED), details};
    }
    OutcomeTexts texts;
    texts.headline =
        productName.empty() ? text(IDS_INSTALLED_UNNAMED) : fw::ReplaceFirst(text(IDS_INSTALLED), L"%s", productName);
    texts.details = fw::ReplaceFirst(text(IDS_INSTALLED_DRIVE), L"%s", driveRoot);
    if (end.restart == RestartAction::Offer) texts.details = Joined(texts.details, text(IDS_RESTART_NEEDED), L"\n\n");
    return texts;
}

CProgressPage::CProgressPage()
    : CBrowserPage(IDD_PROGRESS_PAGE), stopping_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    icon_ = ApplicationIcon();
    InitializeCriticalSection(&actionLock_);
}

CProgressPage::~CProgressPage() {
    StopOperations();  // the operations' thread reports to this object until it ends
    DeleteCriticalSection(&actionLock_);
}

void CProgressPage::StopOperations() {
    if (!worker_) return;
    cancelRequested_ = true;
    SetEvent(stopping_.get());
    fw::WaitDispatchingAll(worker_.get());
    worker_.reset();
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

    titleItem_.SetFontSize(12);
    titleItem_.SetPassive(true);
    stepItem_.SetFontSize(9);
    stepItem_.SetPassive(true);
    actionItem_.SetFontSize(8);
    actionItem_.SetPassive(true);
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

void CProgressPage::Start(const InstallPlan& plan, std::function<void(const InstallOutcome&)> finished) {
    plan_ = plan;
    finished_ = std::move(finished);
    std::wstring title = MainPageTitle(fw::LoadResString(IDS_TITLE_FORMAT), productName_);
    titleItem_.SetCaption(title.empty() ? fw::LoadResString(IDS_APPLICATION_TITLE) : title);
    if (finished_) {
        ShowWindow(cancelItem_.hwnd(), SW_HIDE);  // an unattended run is not cancelled from its window
    }
    SetTimer(hwnd(), kBarTimer, kBarIntervalMs, nullptr);
    guiThread_ = GetCurrentThreadId();
    worker_ = fw::StartThread([this] {
        outcome_ = RunPackageOperations(plan_, *this);
        PostMessageW(hwnd(), kDoneMessage, 0, 0);
    });
    if (!worker_) {  // no second thread to be had: the operations still run, on this one
        outcome_ = RunPackageOperations(plan_, *this);
        PostMessageW(hwnd(), kDoneMessage, 0, 0);
    }
}

void CProgressPage::OnStep(InstallStep step) { PostMessageW(hwnd(), kStepMessage, static_cast<WPARAM>(step), 0); }

void CProgressPage::OnProgress(int permille) { permille_ = permille; }

void CProgressPage::OnActionText(const std::wstring& text) {
    EnterCriticalSection(&actionLock_);
    actionText_ = text;
    LeaveCriticalSection(&actionLock_);
    PostMessageW(hwnd(), kActionMessage, 0, 0);
}

int CProgressPage::Ask(const std::wstring& text, UINT type) {
    if (GetCurrentThreadId() == guiThread_) return fw::AppMessageBox(text, type);  // no thread of their own
    fw::UniqueHandle answered(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    AskRequest request{&text, type, 0, answered.get()};
    if (!answered || !PostMessageW(hwnd(), kAskMessage, 0, reinterpret_cast<LPARAM>(&request))) return 0;
    const HANDLE events[] = {answered.get(), stopping_.get()};
    return WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0 ? request.answer : 0;
}

void CProgressPage::UpdateBar() {
    const int value = permille_;
    if (bar_.Send(PBM_GETPOS) != static_cast<LRESULT>(value)) bar_.Send(PBM_SETPOS, static_cast<WPARAM>(value));
}

bool CProgressPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    switch (message) {
    case kStepMessage:
        if (!done_) stepItem_.SetCaption(StepText(static_cast<InstallStep>(wParam), productName_, fw::LoadResString));
        *result = 0;
        return true;
    case kActionMessage: {
        EnterCriticalSection(&actionLock_);
        const std::wstring text = actionText_;
        LeaveCriticalSection(&actionLock_);
        if (!done_) actionItem_.SetCaption(text);
        *result = 0;
        return true;
    }
    case kAskMessage: {
        // Once the page stops, the asking thread no longer waits and the request is gone.
        auto* request = reinterpret_cast<AskRequest*>(lParam);
        auto stopped = [&] { return WaitForSingleObject(stopping_.get(), 0) == WAIT_OBJECT_0; };
        if (!stopped()) {
            const int answer = fw::AppMessageBox(*request->text, request->type);
            if (!stopped()) {
                request->answer = answer;
                SetEvent(request->answered);
            }
        }
        *result = 0;
        return true;
    }
    case kDoneMessage:
        done_ = true;
        KillTimer(hwnd(), kBarTimer);
        UpdateBar();
        worker_.reset();
        if (finished_) {
            finished_(outcome_);
        } else {
            ShowOutcome();
        }
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

void CProgressPage::ShowOutcome() {
    const SetupLog* log = ActiveSetupLog();
    const OutcomeTexts texts =
        BuildOutcomeTexts(outcome_, productName_, plan_.driveRoot, log ? log->path() : L"", fw::LoadResString);
    const RunEnd end = DecideRunEnd(outcome_.productResult, outcome_.restartNeeded, false, false);
    const bool offerRestart = !outcome_.cancelled && end.restart == RestartAction::Offer;
    const std::wstring englishHeadline =
        BuildOutcomeTexts(outcome_, productName_, plan_.driveRoot, L"", fw::LoadEnglishString).headline;
    LogEvent(L"Outcome: " + englishHeadline + (offerRestart ? L" A restart is offered." : L""));
    stepItem_.SetCaption(texts.headline);
    actionItem_.SetCaption(texts.details);
    ShowWindow(cancelItem_.hwnd(), SW_HIDE);
    cancelItem_.RedrawInParent();
    if (offerRestart) {
        finishItem_.SetCaption(IDS_LATER);
        ShowWindow(restartItem_.hwnd(), SW_SHOW);
    }
    ShowWindow(finishItem_.hwnd(), SW_SHOW);
    SetStartFocus(finishItem_.hwnd());
    if (GetActiveWindow() == hwnd()) SetFocus(finishItem_.hwnd());
}

void CProgressPage::ConfirmCancel() {
    asking_ = true;
    const int answer = fw::AppMessageBox(IDS_CONFIRM_CANCEL, MB_YESNO | MB_ICONQUESTION, static_cast<UINT>(-1));
    asking_ = false;
    if (answer != IDYES || done_) return;
    cancelRequested_ = true;
    LogEvent(L"Cancel: the user asked for it");
    cancelItem_.Enable(false);
    cancelItem_.RedrawInParent();
}

bool CProgressPage::OnCommand(UINT id, UINT code) {
    if (code != 0 || asking_) return code == 0;
    switch (id) {
    case IDC_PROGRESS_CANCEL:
        if (!done_ && !finished_ && !cancelRequested_) ConfirmCancel();
        return true;
    case IDC_PROGRESS_RESTART:
        if (!done_) return true;
        run_->RestartAtExit();
        Controller()->ExitSetup();
        return true;
    case IDC_PROGRESS_FINISH:
        if (done_ && !finished_) Controller()->ExitSetup();
        return true;
    default: return false;
    }
}
