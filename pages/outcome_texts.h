#pragma once
// The installation page's texts: the step, the cancel question and the outcome, from the string
// table through text(id) (the user's language on the page, English in the log).
#include <windows.h>

#include <functional>
#include <string>

#include "install/install_sequence.h"

// The outcome's two texts: what happened, and its details (the drive, or the installer's error
// and result, and the setup log).
struct OutcomeTexts {
    std::wstring headline;
    std::wstring details;
};
// A cancel or a failure says where the earlier version stands; a restart pending (asked for on
// the way) is said whatever the end.
OutcomeTexts BuildOutcomeTexts(const InstallOutcome& outcome, const std::wstring& productName,
                               const std::wstring& driveRoot, const std::wstring& logPath, bool restartPending,
                               const std::function<std::wstring(UINT)>& text);
// "Cancel the installation?", and once the removal of the earlier version has begun what a
// cancel then means.
std::wstring CancelQuestion(bool removalBegun, const std::wstring& productName,
                            const std::function<std::wstring(UINT)>& text);
// "Installing %s" with the product name, "Installing the product" without one; the removal step
// of a run that removes the product itself says "Removing %s", not the earlier version's removal.
std::wstring StepText(InstallStep step, bool productRemoval, const std::wstring& productName,
                      const std::function<std::wstring(UINT)>& text);
