#include "pages/outcome_texts.h"

#include "framework/strings.h"
#include "resources/resource.h"

namespace {

std::wstring Joined(const std::wstring& first, const std::wstring& second, const wchar_t* separator = L"\n") {
    if (first.empty()) return second;
    if (second.empty()) return first;
    return first + separator + second;
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
    if (productName.empty()) return text(unnamed);
    return fw::ReplaceFirst(text(named), L"%s", productName);
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
    texts.headline =
        productName.empty() ? text(IDS_INSTALLED_UNNAMED) : fw::ReplaceFirst(text(IDS_INSTALLED), L"%s", productName);
    texts.details = Joined(fw::ReplaceFirst(text(IDS_INSTALLED_DRIVE), L"%s", driveRoot), restart, L"\n\n");
    return texts;
}
