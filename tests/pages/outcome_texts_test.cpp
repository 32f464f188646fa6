// What the installation's page says: the step, the cancel question and the outcome, with the
// product's string table.
#include "pages/outcome_texts.h"

#include <gtest/gtest.h>

#include "framework/strings.h"

namespace {

InstallOutcome Ended(UINT result, bool cancelled, bool restart, EarlierVersion earlier, const wchar_t* error = L"") {
    InstallOutcome outcome;
    outcome.productResult = result;
    outcome.cancelled = cancelled;
    outcome.restartNeeded = restart;
    outcome.earlier = earlier;
    outcome.lastError = error;
    return outcome;
}

// What the installation's page says at the end, with the product's string table, where the
// end-to-end runs do not read it.
TEST(Outcome, TextsForEachEnd) {
    using E = EarlierVersion;
    const wchar_t* const kError = L"Error 1722. A program run as part of the setup did not finish.";
    const struct {
        const char* what;
        InstallOutcome outcome;
        const wchar_t* name;
        const wchar_t* log;
        bool noRestart;
        const wchar_t* headline;
        const wchar_t* details;
    } rows[] = {
        {"installed, no name", Ended(0, false, false, E::None), L"", L"", false, L"The product has been installed.",
         L"Installed on drive D:\\"},
        {"failed, with the log", Ended(1603, false, false, E::Kept, kError), L"Example Maps", L"C:\\Logs\\setup.log",
         false, L"The installation failed.",
         L"Error 1722. A program run as part of the setup did not finish.\nWindows Installer result: 1603\n"
         L"Setup log: C:\\Logs\\setup.log"},
        {"failed after the removal, a restart asked for before", Ended(1603, false, true, E::Removed), L"Example Maps",
         L"", false, L"The installation failed.",
         L"Windows Installer result: 1603\n\nThe earlier version of Example Maps has been removed; run the setup "
         L"again to install Example Maps.\n\nRestart Windows to finish the installation."},
        {"cancelled after the removal", Ended(1602, true, false, E::Removed), L"Example Maps", L"", false,
         L"The installation was cancelled.",
         L"The earlier version of Example Maps has been removed; run the setup again to install Example Maps."},
        {"cancelled before the removal", Ended(1603, true, false, E::Kept), L"", L"", false,
         L"The installation was cancelled.", L"The earlier version of the product stays installed."},
        {"cancelled, the drivers asked for a restart", Ended(1602, true, true, E::None), L"Example Maps", L"", false,
         L"The installation was cancelled.", L"Restart Windows to finish the installation."},
        {"installed, restart, /norestart: said, not offered", Ended(3010, false, false, E::Removed), L"Example Maps",
         L"", true, L"Example Maps has been installed.",
         L"Installed on drive D:\\\n\nRestart Windows to finish the installation."},
    };
    for (const auto& row : rows) {
        const bool pending =
            DecideRunEnd(row.outcome.productResult, row.outcome.restartNeeded, false, row.noRestart).restartPending;
        const OutcomeTexts texts = BuildOutcomeTexts(row.outcome, row.name, L"D:\\", row.log, pending, fw::LoadResString);
        EXPECT_EQ(texts.headline, row.headline) << row.what;
        EXPECT_EQ(texts.details, row.details) << row.what;
    }
    // The removal step names the product only where the run removes the product itself.
    const struct {
        InstallStep step;
        bool productRemoval;
        const wchar_t* name;
        const wchar_t* shown;
    } steps[] = {
        {InstallStep::Product, false, L"", L"Installing the product"},
        {InstallStep::Product, false, L"Example Maps", L"Installing Example Maps"},
        {InstallStep::Removal, false, L"Example Maps", L"Removing the earlier version"},
        {InstallStep::Removal, true, L"Example Maps", L"Removing Example Maps"},
        {InstallStep::Removal, true, L"", L"Removing the product"},
    };
    for (const auto& row : steps)
        EXPECT_EQ(StepText(row.step, row.productRemoval, row.name, fw::LoadResString), row.shown) << row.shown;
    EXPECT_EQ(fw::ReplaceFirst(L"no marker here", L"%s", L"x"), L"no marker here");
    EXPECT_EQ(CancelQuestion(false, L"Example Maps", fw::LoadResString), L"Cancel the installation?");
    EXPECT_EQ(CancelQuestion(true, L"Example Maps", fw::LoadResString),
              L"Cancel the installation?\n\nThe earlier version of Example Maps is being removed or has been removed: "
              L"after a cancel no version of it will stay installed.");
}

}  // namespace
