#include "pages/progress_page.h"

#include <commctrl.h>

#include "framework/message_box.h"
#include "framework/proc_address.h"
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
constexpr UINT kCancelShowMessage = WM_APP + 5;
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

namespace {

// Without a name each text has a form of its own: a noun phrase put in the name's place would
// take the wrong case or article in most languages.
std::wstring EarlierVersionText(EarlierVersion earlier, const std::wstring& productName,
                                const std::function<std::wstring(UINT)>& text) {
    const bool unnamed = productName.empty();
    if (earlier == EarlierVersion::Removed) {
        if (unnamed) return text(IDS_CANCELLED_EARLIER_REMOVED_UNNAMED);
        return fw::ReplaceFirst(fw::ReplaceFirst(text(IDS_CANCELLED_EARLIER_REMOVED), L"%s", productName), L"%s",
                                productName);
    }
    if (earlier == EarlierVersion::Kept)
        return unnamed ? text(IDS_CANCELLED_EARLIER_KEPT_UNNAMED)
                       : fw::ReplaceFirst(text(IDS_CANCELLED_EARLIER_KEPT), L"%s", productName);
    return {};
}

}  // namespace

std::wstring CancelQuestion(bool removalBegun, const std::wstring& productName,
                            const std::function<std::wstring(UINT)>& text) {
    if (!removalBegun) return text(IDS_CONFIRM_CANCEL);
    return text(IDS_CONFIRM_CANCEL) + L"\n\n" +
           (productName.empty() ? text(IDS_CANCEL_AFTER_REMOVAL_UNNAMED)
                                : fw::ReplaceFirst(text(IDS_CANCEL_AFTER_REMOVAL), L"%s", productName));
}

OutcomeTexts BuildOutcomeTexts(const InstallOutcome& outcome, const std::wstring& productName,
                               const std::wstring& driveRoot, const std::wstring& logPath, bool noRestart,
                               const std::function<std::wstring(UINT)>& text) {
    const RunEnd end = DecideRunEnd(outcome.productResult, outcome.restartNeeded, false, noRestart);
    const std::wstring restart = end.restartPending ? text(IDS_RESTART_NEEDED) : std::wstring();
    const std::wstring earlier = EarlierVersionText(outcome.earlier, productName, text);
    if (outcome.cancelled) return {text(IDS_CANCELLED), Joined(earlier, restart, L"\n\n")};
    if (outcome.productResult != ERROR_SUCCESS && !AsksForRestart(outcome.productResult)) {
        const std::wstring result =
            fw::ReplaceFirst(text(IDS_FAILED_RESULT), L"%u", fw::Decimal(outcome.productResult));
        std::wstring details = Joined(outcome.lastError, result);
        if (!logPath.empty()) details = Joined(details, fw::ReplaceFirst(text(IDS_FAILED_LOG), L"%s", logPath));
        if (outcome.earlier == EarlierVersion::Removed) details = Joined(details, earlier, L"\n\n");
        return {text(IDS_FAILED), Joined(details, restart, L"\n\n")};
    }
    OutcomeTexts texts;
    texts.headline =
        productName.empty() ? text(IDS_INSTALLED_UNNAMED) : fw::ReplaceFirst(text(IDS_INSTALLED), L"%s", productName);
    texts.details = Joined(fw::ReplaceFirst(text(IDS_INSTALLED_DRIVE), L"%s", driveRoot), restart, L"\n\n");
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
    // The page has just been shown: the focus on the step, which a screen reader reads, and not
    // on "Cancel", where the Enter that chose "Next" could still act.
    SetStartFocus(stepItem_.hwnd());
    if (GetActiveWindow() == hwnd()) SetFocus(stepItem_.hwnd());
    BlockShutdown(true);
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

void CProgressPage::OnCancelShown(bool shown) {
    PostMessageW(hwnd(), kCancelShowMessage, shown ? 1 : 0, 0);
}

void CProgressPage::BlockShutdown(bool block) {
    // Vista and later; looked up so that the setup still starts on Windows 2000.
    using CreateReasonFn = BOOL(WINAPI*)(HWND, LPCWSTR);
    using DestroyReasonFn = BOOL(WINAPI*)(HWND);
    HMODULE user32 = GetModuleHandleW(L"user32");
    if (block && !shutdownBlocked_) {
        auto create = fw::ProcAddress<CreateReasonFn>(user32, "ShutdownBlockReasonCreate");
        const std::wstring reason = StepText(InstallStep::Product, productName_, fw::LoadResString);
        shutdownBlocked_ = create && create(hwnd(), reason.c_str());
    } else if (!block && shutdownBlocked_) {
        if (auto destroy = fw::ProcAddress<DestroyReasonFn>(user32, "ShutdownBlockReasonDestroy")) destroy(hwnd());
        shutdownBlocked_ = false;
    }
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
    SetStartFocus(target);
    if (GetActiveWindow() == hwnd()) SetFocus(target);
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

void CProgressPage::AnswerQuestion(void* question) {
    // Once the page stops, the asking thread no longer waits and the request is gone.
    auto* request = static_cast<AskRequest*>(question);
    auto stopped = [&] { return WaitForSingleObject(stopping_.get(), 0) == WAIT_OBJECT_0; };
    if (stopped()) return;
    installerAsking_ = true;
    const int answer = fw::AppMessageBox(*request->text, request->type);
    installerAsking_ = false;
    if (stopped()) return;
    request->answer = answer;
    SetEvent(request->answered);
}

void CProgressPage::UpdateBar() {
    const int value = permille_;
    if (bar_.Send(PBM_GETPOS) != static_cast<LRESULT>(value)) bar_.Send(PBM_SETPOS, static_cast<WPARAM>(value));
}

bool CProgressPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    switch (message) {
    case kStepMessage:
        // Only an installed earlier version makes the removal one that a cancel cannot undo.
        removalBegun_ = removalBegun_ ||
                        (static_cast<InstallStep>(wParam) == InstallStep::Removal && !plan_.earlierVersion.empty());
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
        // While the cancel question is open the installer's question waits, and comes after it.
        auto* request = reinterpret_cast<AskRequest*>(lParam);
        if (asking_) {
            pendingQuestion_ = request;
        } else {
            AnswerQuestion(request);
        }
        *result = 0;
        return true;
    }
    case kCancelShowMessage:
        cancelShown_ = wParam != 0;
        if (!done_ && !cancelRequested_) {
            cancelItem_.Enable(cancelShown_);
            cancelItem_.RedrawInParent();
            KeepFocusOnVisibleItem();
        }
        *result = 0;
        return true;
    case WM_QUERYENDSESSION:
        // A session ended in the middle of a package leaves the product half installed.
        *result = done_ ? TRUE : FALSE;
        if (!done_) LogEvent("Windows asked to end the session: refused while the installation runs");
        return true;
    case WM_ENDSESSION:
        if (wParam && !done_) LogEvent("Windows is ending the session while the installation runs");
        *result = 0;
        return true;
    case kDoneMessage:
        done_ = true;
        BlockShutdown(false);
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
    const OutcomeTexts texts = BuildOutcomeTexts(outcome_, productName_, plan_.driveRoot, log ? log->path() : L"",
                                                 plan_.options.noRestart, fw::LoadResString);
    const RunEnd end = DecideRunEnd(outcome_.productResult, outcome_.restartNeeded, false, plan_.options.noRestart);
    const bool offerRestart = end.restart == RestartAction::Offer;
    // The log in English, whatever the page shows.
    const OutcomeTexts english = BuildOutcomeTexts(outcome_, productName_, plan_.driveRoot, L"",
                                                   plan_.options.noRestart, fw::LoadEnglishString);
    LogEvent("Outcome: ", english.headline, offerRestart ? " A restart is offered." : "");
    if (!english.details.empty()) LogEvent("Outcome details: ", english.details);
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
    const int answer = fw::AppMessageBox(CancelQuestion(removalBegun_, productName_, fw::LoadResString),
                                         MB_YESNO | MB_ICONQUESTION, static_cast<UINT>(-1));
    asking_ = false;
    if (answer == IDYES && !done_) CancelConfirmed();
    // The installer's question that came meanwhile; after Yes it still gets its answer.
    if (AskRequest* request = static_cast<AskRequest*>(pendingQuestion_)) {
        pendingQuestion_ = nullptr;
        AnswerQuestion(request);
    }
}

void CProgressPage::CancelConfirmed() {
    cancelRequested_ = true;
    LogEvent(removalBegun_ ? "Cancel: the user asked for it once the removal of the earlier version had begun; "
                             "the setup stops when the running step has ended"
                           : "Cancel: the user asked for it");
    cancelItem_.Enable(false);
    cancelItem_.RedrawInParent();
    KeepFocusOnVisibleItem();
}

bool CProgressPage::OnCommand(UINT id, UINT code) {
    if (code != 0 || asking_ || installerAsking_) return code == 0;
    switch (id) {
    case IDC_PROGRESS_CANCEL:
        if (!done_ && !finished_ && !cancelRequested_ && cancelShown_) ConfirmCancel();
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
