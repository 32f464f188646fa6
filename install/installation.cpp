#include "install/installation.h"

#include "framework/proc_address.h"
#include "framework/strings.h"
#include "framework/thread.h"
#include "pages/outcome_texts.h"
#include "system/setup_log.h"

namespace {

HANDLE ManualResetEvent() { return CreateEventW(nullptr, TRUE, FALSE, nullptr); }

}  // namespace

Installation::Installation()
    : ended_(ManualResetEvent()), answered_(ManualResetEvent()), viewGone_(ManualResetEvent()) {}

Installation::~Installation() {
    Stop();  // the thread reports to this object until it ends
    AllowShutdown();
}

void Installation::Start(Operations operations) {
    operations_ = operations;
    thread_ = fw::StartThread(
        [](void* context) -> DWORD WINAPI {
            auto* self = static_cast<Installation*>(context);
            self->outcome_ = self->operations_(self->plan_, *self);
            self->Post(Change::Done);
            SetEvent(self->ended_.get());  // the last this thread touches of the object
            return 0;
        },
        this);
    if (thread_) return;
    const DWORD error = GetLastError();
    LogEvent(fw::Format("The installation cannot start: no thread of its own (error %lu)", error));
    outcome_.productResult = error ? error : ERROR_NOT_ENOUGH_MEMORY;
    Post(Change::Done);
    SetEvent(ended_.get());
}

void Installation::Watch(HWND view, UINT message, const std::wstring& reason) {
    if (!view) {
        view_ = nullptr;
        SetEvent(viewGone_.get());
        AllowShutdown();
        return;
    }
    message_ = message;
    view_ = view;
    if (WaitForSingleObject(ended_.get(), 0) != WAIT_OBJECT_0) BlockShutdown(reason);
}

void Installation::Post(Change change, LPARAM value) {
    if (HWND view = view_) PostMessageW(view, message_, static_cast<WPARAM>(change), value);
}

void Installation::OnStep(InstallStep step) {
    // Only an installed earlier version makes the removal one that a cancel cannot undo.
    if (step == InstallStep::Removal && !plan_.earlierVersion.empty()) removalBegun_ = true;
    Post(Change::Step, static_cast<LPARAM>(step));
}

void Installation::Cancel() {
    cancelRequested_ = true;
    LogEvent(removalBegun_ ? "Cancel: the user asked for it once the removal of the earlier version had begun; "
                             "the setup stops when the running step has ended"
                           : "Cancel: the user asked for it");
}

bool Installation::MaySessionEnd(bool ending) {
    if (finished_) return true;
    LogEvent(ending ? "Windows is ending the session while the installation runs"
                    : "Windows asked to end the session: refused while the installation runs");
    return false;
}

void Installation::OnActionText(const std::wstring& text) {
    {
        fw::Lock hold(lock_);
        actionText_ = text;
    }
    Post(Change::Action);
}

std::wstring Installation::ActionText() const {
    fw::Lock hold(lock_);
    return actionText_;
}

void Installation::OnCancelShown(bool shown) { Post(Change::CancelShown, shown ? 1 : 0); }

int Installation::Ask(const std::wstring& text, UINT type) {
    // Without a view, or once it went, the installer answers its own questions.
    if (!view_ || WaitForSingleObject(viewGone_.get(), 0) == WAIT_OBJECT_0) return 0;
    {
        fw::Lock hold(lock_);
        question_ = {text, type, question_.serial + 1};
        questionWaiting_ = true;
        questionTaken_ = false;
        answer_ = 0;
        ResetEvent(answered_.get());
    }
    Post(Change::Question);
    const HANDLE events[] = {answered_.get(), viewGone_.get()};
    WaitForMultipleObjects(2, events, FALSE, INFINITE);
    fw::Lock hold(lock_);
    questionWaiting_ = false;
    return answer_;
}

bool Installation::TakeQuestion(Question* question) {
    fw::Lock hold(lock_);
    if (!questionWaiting_ || questionTaken_) return false;
    *question = question_;
    questionTaken_ = true;
    return true;
}

void Installation::Answer(unsigned serial, int answer) {
    fw::Lock hold(lock_);
    if (questionWaiting_ && serial == question_.serial) {
        answer_ = answer;
        SetEvent(answered_.get());
    }
}

const RunEnd& Installation::Finish() {
    WaitForSingleObject(ended_.get(), INFINITE);
    if (thread_) WaitForSingleObject(thread_.get(), INFINITE);  // it touches nothing more
    thread_.reset();
    AllowShutdown();
    finished_ = true;
    const InstallOptions& options = plan_.options;
    // A failed removal ends the run with its result, a restart asked for before it still pending.
    end_ = DecideRunEnd(outcome_.removalFailed ? outcome_.removalResult : outcome_.productResult,
                        outcome_.restartNeeded, options.Unattended(), options.noRestart);
    if (!options.Unattended()) {
        // What the page shows, in English.
        const OutcomeTexts english = BuildOutcomeTexts(outcome_, plan_.productName, plan_.driveRoot, L"",
                                                       end_.restartPending, fw::LoadEnglishString);
        LogEvent("Outcome: ", english.headline, end_.restart == RestartAction::Offer ? " A restart is offered." : "");
        if (!english.details.empty()) LogEvent("Outcome details: ", english.details);
        return end_;
    }
    if (end_.restart == RestartAction::RestartNow) {
        LogEvent("Restart: a package asked for one; Windows restarts as the setup ends");
    } else if (end_.exitCode == ERROR_SUCCESS_REBOOT_REQUIRED) {
        LogEvent("Restart: a package asked for one; /norestart leaves it to whoever runs the setup");
    } else if (end_.restartPending) {
        LogEvent(fw::Format("Restart: pending, asked for before the failure; the run ends with %lu", end_.exitCode));
    }
    return end_;
}

void Installation::ChooseRestart() {
    LogEvent("Restart now: Windows restarts as the setup ends");
    restartChosen_ = true;
}

void Installation::Stop() {
    if (!thread_) return;
    cancelRequested_ = true;
    SetEvent(viewGone_.get());
    fw::WaitDispatchingAll(thread_.get());
    thread_.reset();
}

// Vista and later; looked up so that the setup still starts on Windows 2000.
void Installation::BlockShutdown(const std::wstring& reason) {
    using CreateReasonFn = BOOL(WINAPI*)(HWND, LPCWSTR);
    auto create = fw::SystemFunction<CreateReasonFn>(L"user32.dll", "ShutdownBlockReasonCreate");
    if (!shutdownBlockedBy_ && create && create(view_, reason.c_str())) shutdownBlockedBy_ = view_;
}

void Installation::AllowShutdown() {
    if (!shutdownBlockedBy_) return;
    using DestroyReasonFn = BOOL(WINAPI*)(HWND);
    if (auto destroy = fw::SystemFunction<DestroyReasonFn>(L"user32.dll", "ShutdownBlockReasonDestroy"))
        destroy(shutdownBlockedBy_);
    shutdownBlockedBy_ = nullptr;
}
