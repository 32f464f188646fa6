#include "pages/outcome_texts.h"

#include "framework/strings.h"
#include "resources/resource.h"

namespace {

std::wstring Joined(const std::wstring& first, const std::wstring& second, const wchar_t* separator = L"\n") {
    if (first.empty()) return second;
    if (second.empty()) return first;
    return first + separator + second;
}

// Without a name each text has a form of its own: a noun phrase put in the name's place would
// take the wrong case or article in most languages.
std::wstring Named(UINT named, UINT unnamed, const std::wstring& productName,
                   const std::function<std::wstring(UINT)>& text) {
    return productName.empty() ? text(unnamed) : fw::ReplaceFirst(text(named), L"%s", productName);
}

}  // namespace

std::wstring StepText(InstallStep step, bool productRemoval, const std::wstring& productName,
                      const std::function<std::wstring(UINT)>& text) {
    UINT named = IDS_STEP_PRODUCT, unnamed = IDS_STEP_PRODUCT_UNNAMED;
    switch (step) {
    case InstallStep::Removal:
        if (!productRemoval) return text(IDS_STEP_REMOVAL);
        named = IDS_STEP_PRODUCT_REMOVAL;
        unnamed = IDS_STEP_PRODUCT_REMOVAL_UNNAMED;
        break;
    case InstallStep::Drivers: return text(IDS_STEP_DRIVERS);
    case InstallStep::Product: break;
    }
    return Named(named, unnamed, productName, text);
}

namespace {

std::wstring EarlierVersionText(EarlierVersion earlier, const std::wstring& productName,
                                const std::function<std::wstring(UINT)>& text) {
    if (earlier == EarlierVersion::Removed) {
        // The name stands twice in the named form.
        const std::wstring once = Named(IDS_CANCELLED_EARLIER_REMOVED, IDS_CANCELLED_EARLIER_REMOVED_UNNAMED, productName, text);
        return productName.empty() ? once : fw::ReplaceFirst(once, L"%s", productName);
    }
    if (earlier == EarlierVersion::Kept)
        return Named(IDS_CANCELLED_EARLIER_KEPT, IDS_CANCELLED_EARLIER_KEPT_UNNAMED, productName, text);
    return {};
}

}  // namespace

std::wstring CancelQuestion(bool removalBegun, const std::wstring& productName,
                            const std::function<std::wstring(UINT)>& text) {
    if (!removalBegun) return text(IDS_CONFIRM_CANCEL);
    return text(IDS_CONFIRM_CANCEL) + L"\n\n" +
           Named(IDS_CANCEL_AFTER_REMOVAL, IDS_CANCEL_AFTER_REMOVAL_UNNAMED, productName, text);
}

OutcomeTexts BuildOutcomeTexts(const InstallOutcome& outcome, const std::wstring& productName,
                               const std::wstring& driveRoot, const std::wstring& logPath, bool restartPending,
                               const std::function<std::wstring(UINT)>& text) {
    const std::wstring restart = restartPending ? text(IDS_RESTART_NEEDED) : std::wstring();
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
    texts.headline = Named(IDS_INSTALLED, IDS_INSTALLED_UNNAMED, productName, text);
    texts.details = Joined(fw::ReplaceFirst(text(IDS_INSTALLED_DRIVE), L"%s", driveRoot), restart, L"\n\n");
    return texts;
}
